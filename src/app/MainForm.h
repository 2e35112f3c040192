#pragma once

#include "app/MainWindowUi.h"
#include "base/Settings.h"

#include <QMainWindow>
#include <QString>

#include <array>
#include <functional>
#include <memory>
#include <string>

class CodeMarks;
class Dialogs;
class FontTables;
class FontWatch;
class MessageDocument;
class MainWindowModel;
class SerialLink;
class UploadController;
class QDockWidget;
class QDialog;
class QLabel;
namespace program {
class ProgramForm;
}
namespace sign {
class SignPreview;
}

// The main window: message editor, uploads, settings. Its handlers keep the names the rest of
// the program and the operator's documentation use: the shell in MainForm.cpp, the editor's
// handlers in MainFormEditor.cpp. Its controls are MainWindowUi's, its state MainWindowModel's,
// its uploads the upload controller's.
class TMainForm : public QMainWindow, public MainWindowUi {
    Q_OBJECT

public:
    TMainForm(Dialogs& dialogs, SerialLink& serial, FontTables& font, QWidget* parent = nullptr);
    ~TMainForm() override;

    // The four secondary windows, created after this one; each handler shows its window
    // modally and returns when it closes.
    void setWindows(QDialog* about, QDialog* help, QDialog* diagram, QDialog* fontEditor);

    // ---- shell and settings (MainForm.cpp) ----
    void StatusBarHelp(const QString& text);
    void TimerStatusTimer();
    void itemCloseClick();
    void itemAboutClick();
    void ItemHelpClick();
    void ItemDiagramClick();
    void SpeedButtonZgClick();
    void ReadIniFile();
    void SaveIniFile(); // throws AppError
    // The close sequence; false when the close must not complete (a text write failed, or the
    // settings write failed and the operator chose to stay).
    bool FormClose();

    QString panelText(int panel) const;
    // What the two timers do when they fire: during an upload the tick is held back and runs
    // once the write has returned; otherwise it runs at once.
    void timerStatusFired();
    void timerLengthFired();
    // The device the port item n (1..5) stands for.
    QString portDevice(int n) const;
    void item1ComClick();
    void item2ComClick();
    void item3ComClick();
    void item4ComClick();
    void item5ComClick();
    // Asks which device each port item stands for, and stores the answer.
    void itemDevicesClick();
    // Stores the devices of COM 1..5 in the settings' PortMap; throws AppError.
    void savePortMap(const std::array<QString, Settings::PortCount>& devices);
    // Runs `command` under the program's error policy (base/Dialogs.h). False when it threw.
    bool runCommand(const std::function<void()>& command);

    // ---- message editor (MainFormEditor.cpp) ----
    void SpeedButtonNewClick();
    void SpeedButtonOpenClick();
    void SpeedButtonSaveClick();
    void SpeedButtonSaveASClick();
    void UpDateCaption();
    // Writes the backup and the document, then the settings unless the operator has chosen to
    // leave without them. Throws AppError.
    void SaveRunFile(bool withSettings = true);
    // The editor's text as Windows-1251 bytes with CR LF line breaks: what is saved and sent.
    std::string messageBytes() const;
    // Asks whether to save the text; false when the operator said Yes and a write failed.
    bool SavePrompt(bool withSettings = true);
    void InsertRich(const QString& code);
    void UstRus();
    void SpeedButtonSelectAllClick();
    void SpeedButtonCutClick();
    void SpeedButtonCopyClick();
    void SpeedButtonPasteClick();
    void SpeedButtonDelClick();
    void SpeedButtonToRusClick();
    void itemFontChangeClick();
    void itemAddspaceClick();
    void RichEditMouseDown();
    void SpeedButtonUst0Click();
    void SpeedButtonUst1Click();
    void SpeedButtonUst2Click();
    void SpeedButtonUst5Click();
    void SpeedButtoSpeedUst1Click();
    void SpeedButtonWait1Click();
    void SpeedButtonWait3Click();
    void SpeedButtonWait5Click();
    void SpeedButtonClClick();
    void SpeedButtonFillClick();
    void SpeedButtonUpClick();
    void SpeedButtonDownClick();
    void SpeedButtonRazbClick();
    void SpeedButtonInvClick();
    void SpeedButton1Click();
    // Inserts the code of the effect button whose handler is `handler`.
    void insertEffect(void (TMainForm::*handler)());
    void TimerLengTXTTimer();
    void ItemLeng6140Click();
    void itemLeng59000Click();
    // The text length as the sign gets it: each line break counts two (CR and LF).
    int messageLength() const;
    // Tells the operator how many typed, pasted or dropped characters became "?".
    void reportReplacedCharacters(int count);

    // ---- upload: the controller does the work ----
    // Opens the checked port while the progress of the `total` bytes to come shows in
    // `window` (the main window when none is given).
    void ComPortOpen(std::size_t total, QWidget* window = nullptr);
    // True when the whole frame went.
    bool ComPortTxAndClose(QWidget* window = nullptr);
    void SpeedButtonTxClick();
    void SendAllZG();
    bool ComPortReady() const;
    UploadController& upload() const { return *m_upload; }
    // The window's state: port, length limit, preview shown.
    MainWindowModel& model() const { return *m_model; }

    // ---- our additions: sign preview and code marks (MainFormPreview.cpp) ----
    void itemPreviewClick(bool shown); // throws AppError when the choice cannot be stored
    void showPreview(bool shown);
    // "Знаки в сети" (MainFormFleet.cpp): what the signs on a broker show now.
    void itemFleetClick();
    // "Программа показа" (MainFormProgram.cpp): kept for the run, so a closed window loses
    // nothing typed.
    void itemProgramClick();
    program::ProgramForm* programWindow();
    sign::SignPreview* preview() const { return m_preview; }
    MessageDocument& document() const { return *m_document; }
    CodeMarks* codeMarks() const { return m_codeMarks; }

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void FormCreate();
    // Every command runs through runCommand, so a failure it throws reaches the error box.
    void bindCommands();
    void showPortDevices(); // in the port items' tooltips
    void setupEditor();
    void setupUpload();
    void setupPreview();
    void placePreview(bool shown); // builds the preview on first use
    void showSurprises(int count);
    // Counts the text's characters whose symbol is blank in the font in memory.
    void showBlankSymbols(const std::string& bytes);
    void showModal(QDialog* window);
    void showModel(); // the menus' check marks from the model
    void portItemClick(int n);

    Dialogs& m_dialogs;
    SerialLink& m_serial;
    FontTables& m_font;
    MainWindowModel* m_model;

    QDialog* m_about = nullptr;
    QDialog* m_help = nullptr;
    QDialog* m_diagram = nullptr;
    QDialog* m_fontEditor = nullptr;

private:
    // ---- message editor state (MainFormEditor.cpp) ----
    std::unique_ptr<MessageDocument> m_document; // the text's file, name and commands
    // The font dialog starts with this font and keeps the last one confirmed.
    QFont m_fontDialogFont{QStringLiteral("MS Sans Serif"), 8};

    // ---- preview and code marks (MainFormPreview.cpp) ----
    QDockWidget* m_previewDock = nullptr;
    sign::SignPreview* m_preview = nullptr;
    CodeMarks* m_codeMarks = nullptr;
    FontWatch* m_fontWatch = nullptr;
    program::ProgramForm* m_program = nullptr;

    UploadController* m_upload = nullptr;
};
