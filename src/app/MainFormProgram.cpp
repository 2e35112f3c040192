// Our addition to the main window: "Программа показа", the program a sign's agent runs.

#include "app/MainForm.h"

#include "app/MainWindowModel.h"
#include "base/Dialogs.h"
#include "base/Settings.h"
#include "font/FontTable.h"
#include "program/ProgramForm.h"
#include "program/QtZoneSource.h"
#include "sign/SignPlayer.h"
#include "upload/BrokerAccess.h"

#ifdef LUMETRA_HAVE_MQTT
#include "fleet/MosquittoBroker.h"
#endif

program::ProgramForm* TMainForm::programWindow() {
    if (m_program)
        return m_program;
    program::ProgramForm::Setup setup;
    setup.font = &m_font.FontTable;
    setup.signWidth = Settings().previewWidth(sign::SignPlayer::DefaultWidth);
    // The toolkit's zones: Windows has no zoneinfo folder.
    setup.zones = std::make_shared<program::QtZoneSource>();
    setup.editorText = [this] { return messageBytes(); };
    setup.portDevice = [this] {
        const int port = m_model->port();
        return port == MainWindowModel::NoPort ? QString() : portDevice(port);
    };
    setup.access = BrokerAccess::ofThisRun();
#ifdef LUMETRA_HAVE_MQTT
    setup.broker = [](const fleet::BrokerSettings& settings) {
        return std::make_unique<fleet::MosquittoBroker>(settings);
    };
#endif
    m_program = new program::ProgramForm(std::move(setup), m_dialogs, this);
    return m_program;
}

void TMainForm::itemProgramClick() {
    program::ProgramForm& window = *programWindow();
    // The password and CA files as the uploads take them, read afresh each time.
    const Settings settings;
    BrokerAccess::ofThisRun()->setFiles(settings.brokerPasswordFile(), settings.brokerCaFile());
    m_dialogs.runDialog(window);
}
