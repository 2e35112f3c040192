// Our addition to the main window: "Знаки в сети", where the program is built with MQTT.

#include "app/MainForm.h"

#ifdef LUMETRA_HAVE_MQTT

#include "app/MainWindowModel.h"
#include "base/Dialogs.h"
#include "base/Settings.h"
#include "fleet/FleetForm.h"
#include "fleet/MosquittoBroker.h"
#include "font/FontTable.h"
#include "sign/SignPlayer.h"

void TMainForm::itemFleetClick() {
    fleet::FleetForm window(
        m_font.FontTable, Settings().previewWidth(sign::SignPlayer::DefaultWidth),
        [](const fleet::BrokerSettings& settings) {
            return std::make_unique<fleet::MosquittoBroker>(settings);
        },
        {}, this);
    // The checked port's broker when it is one; else the operator types where it is.
    const QString device =
        m_model->port() == MainWindowModel::NoPort ? QString() : portDevice(m_model->port());
    if (device.startsWith(QLatin1String("mqtt://")) || device.startsWith(QLatin1String("mqtts://")))
        window.setAddress(device);
    m_dialogs.runDialog(window);
}

#else

void TMainForm::itemFleetClick() {}

#endif
