#pragma once

#include "base/Dialogs.h"
#include "font/FontTable.h"
#include "info/ShellOpen.h"
#include "info/SystemInfo.h"
#include "upload/SerialLink.h"
#include "upload/Upload.h"

#include <memory>

class TAboutForm;
class TDigrForm;
class TFormZg;
class THelpForm;
class TMainForm;

// The whole program: its services and its five windows, created once in this order: main
// window (which reads the settings and loads the last message file), About, Help, diagram and
// font editor (which loads the last font). They live until the program ends.
class Application {
public:
    struct Services {
        std::unique_ptr<Dialogs> dialogs;
        std::unique_ptr<SerialLink> serial;
        std::unique_ptr<SystemInfo> systemInfo;
        std::unique_ptr<ShellOpen> shell;
        Upload::Options upload; // how uploads treat the line
    };

    explicit Application(Services services);
    ~Application();
    Application(const Application&) = delete;
    Application& operator=(const Application&) = delete;

    // The real dialogs, serial ports and system information of this platform.
    static Services systemServices();

    TMainForm& mainForm() { return *m_main; }
    TAboutForm& aboutForm() { return *m_about; }
    THelpForm& helpForm() { return *m_help; }
    TDigrForm& diagramForm() { return *m_diagram; }
    TFormZg& fontEditor() { return *m_fontEditor; }
    FontTables& font() { return m_font; }

private:
    Services m_services;
    FontTables m_font;
    std::unique_ptr<TMainForm> m_main;
    TAboutForm* m_about = nullptr;
    THelpForm* m_help = nullptr;
    TDigrForm* m_diagram = nullptr;
    TFormZg* m_fontEditor = nullptr;
};
