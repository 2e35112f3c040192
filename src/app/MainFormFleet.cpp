// Our addition to the main window: "Знаки в сети", where the program is built with MQTT.

#include "app/MainForm.h"

#ifdef LUMETRA_HAVE_MQTT

#include "app/MainWindowModel.h"
#include "base/Dialogs.h"
#include "base/Settings.h"
#include "fleet/FleetForm.h"
#include "fleet/MosquittoBroker.h"
#include "fleet/PasswordFile.h"
#include "font/FontTable.h"
#include "frames/LinkUrl.h"
#include "sign/SignPlayer.h"
#include "upload/BrokerAccess.h"

void TMainForm::itemFleetClick() {
    fleet::FleetForm window(
        m_font.FontTable, Settings().previewWidth(sign::SignPlayer::DefaultWidth),
        [](const fleet::BrokerSettings& settings) {
            // The uploads' password: the settings' file, or the one given during this run; a
            // file that does not serve leaves none, and the broker's refusal says so.
            auto with = settings;
            const Settings files;
            with.caFile = files.brokerCaFile();
            if (!with.user.empty() && with.password.empty()) {
                if (const std::string file = files.brokerPasswordFile(); !file.empty()) {
                    try {
                        with.password = fleet::readPasswordFile(file);
                    } catch (const std::exception&) {
                    }
                } else if (const auto url = parseLinkUrl("mqtt://" + with.user + "@" + with.host +
                                                         ":" + std::to_string(with.port) + "/-")) {
                    with.password = BrokerAccess::ofThisRun()->given(*url).value_or("");
                }
            }
            return std::make_unique<fleet::MosquittoBroker>(with);
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
