#pragma once

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
class MessageDocument;
class MainWindowModel;
class MessageEdit;
class SerialLink;
class UploadController;
class QAction;
class QDockWidget;
class QKeySequence;
class QDialog;
class QLabel;
class QLineEdit;
class QMenu;
class QToolBar;
class QToolButton;
class QTimer;
namespace sign {
class SignPreview;
}

// The main window: message editor, uploads, settings. Its handlers keep the names the rest of
// the program and the operator's documentation use: the shell in MainForm.cpp, the editor's
// handlers in MainFormEditor.cpp. The uploads are the upload controller's.
class TMainForm : public QMainWindow {
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
    sign::SignPreview* preview() const { return m_preview; }
    MessageDocument& document() const { return *m_document; }
    CodeMarks* codeMarks() const { return m_codeMarks; }

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void FormCreate();
    void setupActions();
    void setupFileMenu();
    void setupEditMenu();
    void setupOptionsMenu();
    void setupPortMenu();
    void setupHelpMenu();
    void setupToolBar();
    void setupToolBar1();
    void setupKeys();
    QMenu* addMenu(QStringView caption, QChar mnemonic);
    void showKeyInHint(QToolBar* bar, QAction* action, const QKeySequence& key);
    void addEffectToHint(QToolBar* bar, QAction* action, QStringView code);
    void setupEditor();
    void setupStatusBar();
    void setupTimers();
    void setupUpload();
    void setupPreview();
    void placePreview(bool shown); // builds the preview on first use
    void showSurprises(int count);
    void showModal(QDialog* window);
    void showModel(); // the menus' check marks from the model
    void portItemClick(int n);
    QAction* makeAction(const QString& objectName, const QString& text, const QString& icon);
    QToolButton* addButton(QToolBar* bar, QAction* action, const QString& buttonName,
                           const QString& hint);

    Dialogs& m_dialogs;
    SerialLink& m_serial;
    FontTables& m_font;
    MainWindowModel* m_model;

    QDialog* m_about = nullptr;
    QDialog* m_help = nullptr;
    QDialog* m_diagram = nullptr;
    QDialog* m_fontEditor = nullptr;

public:
    // Controls, named as the operator's documentation names them (tests find them by name too).
    QToolBar* ToolBar = nullptr;
    QToolBar* ToolBar1 = nullptr;
    MessageEdit* RichEdit = nullptr;
    QLineEdit* EditInsert = nullptr;
    QTimer* TimerStatus = nullptr;
    QTimer* TimerLengTXT = nullptr;
    std::array<QLabel*, 3> m_panels{};

    // Menu items (a shared action also drives the tool bar button of the same command).
    QAction* itmNew = nullptr;
    QAction* itemLoad = nullptr;
    QAction* itemSaveAS = nullptr;
    QAction* itemSave = nullptr;
    QAction* itemClose = nullptr;
    QAction* itemCut = nullptr;
    QAction* itemCopy = nullptr;
    QAction* itemPaste = nullptr;
    QAction* itemDel = nullptr;
    QAction* itemSelectalll = nullptr;
    QAction* itemFontDefault = nullptr;
    QAction* itemFontChange = nullptr;
    QAction* itemAddspace = nullptr;
    QAction* ItemLeng6140 = nullptr;
    QAction* itemLeng59000 = nullptr;
    std::array<QAction*, Settings::PortCount> itemCom{}; // item1Com .. item5Com
    QAction* ItemTX = nullptr;
    QAction* itemDevices = nullptr;
    QAction* ItemAbout = nullptr;
    QAction* ItemHelp = nullptr;
    QAction* ItemDiagram = nullptr;

    // Tool bar actions of their own (their enabled state differs from the menu item's).
    QAction* SpeedButtonSave = nullptr;
    QAction* SpeedButtonTx = nullptr;
    QAction* SpeedButtonZg = nullptr;
    QAction* itemPreview = nullptr; // ours: shows and hides the preview

private:
    // ---- message editor state (MainFormEditor.cpp) ----
    std::unique_ptr<MessageDocument> m_document; // the text's file, name and commands
    // The font dialog starts with this font and keeps the last one confirmed.
    QFont m_fontDialogFont{QStringLiteral("MS Sans Serif"), 8};

    // ---- preview and code marks (MainFormPreview.cpp) ----
    QDockWidget* m_previewDock = nullptr;
    sign::SignPreview* m_preview = nullptr;
    CodeMarks* m_codeMarks = nullptr;
    QLabel* m_surprises = nullptr;
    std::function<void()> m_placeSurprises;

    UploadController* m_upload = nullptr;
};
