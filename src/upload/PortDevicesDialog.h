#pragma once

#include "upload/SerialDevices.h"

#include <QDialog>
#include <QString>

#include <array>
#include <vector>

class Dialogs;
class QComboBox;
class QLabel;
class QListWidget;

// Which device each of the five COM items stands for: the devices present are listed, each
// item's current device is shown, the item checked in the menu is marked, and any path (a
// pseudo-terminal, a link) or a converter's URL (socket://host:port, rfc2217://host:port)
// may be typed. OK refuses, before anything is stored, a path the settings file cannot hold (a
// line break, a character outside Windows-1251) or a URL that cannot be used, and warns of a
// changed path that leads nowhere.
class PortDevicesDialog : public QDialog {
    Q_OBJECT

public:
    using Choice = std::array<QString, 5>; // COM 1 .. COM 5

    // `checked`: the COM item checked in the menu, 1..5, or 0.
    PortDevicesDialog(const std::vector<serialdevices::Device>& present, const Choice& current,
                      int checked, Dialogs& dialogs, QWidget* parent = nullptr);

    // The device chosen for each item; an emptied field keeps the item's current device.
    Choice choice() const;

    void accept() override;

    QListWidget* ListDevices = nullptr;
    std::array<QComboBox*, 5> ComboCom{};

    std::array<QLabel*, 5> LabelCom{};

private:
    // Why `path` of item `n` cannot be stored, or nothing.
    QString refusal(int n, const QString& path) const;

    Choice m_current;
    Dialogs& m_dialogs;
};
