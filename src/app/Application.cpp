#include "app/Application.h"

#include "app/MainForm.h"
#include "base/Dialogs.h"
#include "font/FormZg.h"
#include "info/AboutForm.h"
#include "info/DiagramForm.h"
#include "info/HelpForm.h"
#include "info/ShellOpen.h"
#include "info/SystemInfo.h"
#include "upload/SerialLink.h"
#include "upload/UploadController.h"

Application::Application(Services services) : m_services(std::move(services)) {
    m_main = std::make_unique<TMainForm>(*m_services.dialogs, *m_services.serial, m_font);
    m_main->upload().setOptions(m_services.upload);
    // The secondary windows belong to the main window, so they end with it.
    m_about = new TAboutForm(*m_services.systemInfo, *m_services.shell, m_main.get());
    m_help = new THelpForm(m_main.get());
    m_diagram = new TDigrForm(m_main.get());
    UploadController& upload = m_main->upload();
    m_fontEditor = new TFormZg(m_font, *m_services.dialogs, upload, m_main.get());
    m_fontEditor->setCloseBlocker([&upload] { return upload.uploading(); });
    m_fontEditor->setMessageSource([main = m_main.get()] { return main->messageBytes(); });
    m_main->setWindows(m_about, m_help, m_diagram, m_fontEditor);
}

Application::~Application() = default;

Application::Services Application::systemServices() {
    Services services;
    services.dialogs = std::make_unique<QtDialogs>();
    services.serial = makeSystemSerialLink();
    services.systemInfo = makeSystemInfo();
    services.shell = makeShellOpen();
    return services;
}
