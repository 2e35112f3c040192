#pragma once

#include "upload/SerialDevices.h"

#include <QDialog>
#include <QString>

#include <array>
#include <vector>

class QComboBox;
class QListWidget;

// Which device each of the five COM items stands for: the devices present are listed, each
// item's current device is shown, and any path (a pseudo-terminal, a link) may be typed.
class PortDevicesDialog : public QDialog {
    Q_OBJECT

public:
    using Choice = std::array<QString, 5>; // COM 1 .. COM 5

    PortDevicesDialog(const std::vector<serialdevices::Device>& present, const Choice& current,
                      QWidget* parent = nullptr);

    // The device chosen for each item; an emptied field keeps the item's current device.
    Choice choice() const;

    QListWidget* ListDevices = nullptr;
    std::array<QComboBox*, 5> ComboCom{};

private:
    Choice m_current;
};
