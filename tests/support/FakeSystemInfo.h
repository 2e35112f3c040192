#pragma once

#include "info/ShellOpen.h"
#include "info/SystemInfo.h"

#include <QList>
#include <QStringList>

// System facts chosen by the test; records which windows were flashed.
class FakeSystemInfo : public SystemInfo {
public:
    std::optional<std::uint32_t> version;
    std::optional<int> level;
    std::optional<std::uint32_t> serial;
    QString date = QStringLiteral("08.12.2026");
    QString time = QStringLiteral("04:05:06");
    QList<QWidget*> flashed;

    std::optional<std::uint32_t> packedVersion() override { return version; }
    std::optional<int> processorLevel() override { return level; }
    std::optional<std::uint32_t> volumeSerial() override { return serial; }
    void flashWindow(QWidget* window) override { flashed.append(window); }
    QString currentDateText() override { return date; }
    QString currentTimeText() override { return time; }
};

// Records what would have been opened.
class FakeShellOpen : public ShellOpen {
public:
    QStringList opened;
    void open(const QString& target) override { opened.append(target); }
};
