#include "app/MainWindowModel.h"

#include "base/Settings.h"

void MainWindowModel::setPort(int port) {
    if (port < 1 || port > Settings::PortCount)
        port = NoPort;
    if (port == m_port)
        return;
    m_port = port;
    emit portChanged(port);
}

void MainWindowModel::setLongLimit(bool longLimit) {
    if (longLimit == m_longLimit)
        return;
    m_longLimit = longLimit;
    emit longLimitChanged(longLimit);
}

void MainWindowModel::setPreviewShown(bool shown) {
    if (shown == m_previewShown)
        return;
    m_previewShown = shown;
    emit previewShownChanged(shown);
}
