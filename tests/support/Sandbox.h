#pragma once

#include <QDir>
#include <QString>
#include <QTemporaryDir>

// A fresh working directory and settings folder for one test: the process moves into the
// temporary folder and XDG_CONFIG_HOME points at a "config" folder inside it. Both are undone
// and removed when the sandbox ends.
class Sandbox {
public:
    Sandbox();
    ~Sandbox();
    Sandbox(const Sandbox&) = delete;
    Sandbox& operator=(const Sandbox&) = delete;

    QString path(const QString& relative = {}) const;
    QString settingsPath() const { return path(QStringLiteral("config/Kesmar.ini")); }

    // Whole-file helpers with plain bytes.
    void write(const QString& relative, const QByteArray& bytes) const;
    QByteArray read(const QString& relative) const;
    bool exists(const QString& relative) const;

private:
    QTemporaryDir m_dir;
    QString m_oldCwd;
    QByteArray m_oldConfig;
    bool m_hadConfig;
};
