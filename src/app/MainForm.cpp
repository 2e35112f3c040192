#include "app/MainForm.h"

#include "app/EffectButtons.h"
#include "app/MainFormTexts.h"
#include "app/MainWindowModel.h"
#include "base/AppError.h"
#include "base/Dialogs.h"
#include "base/LazyIcon.h"
#include "base/QtAdapt.h"
#include "base/Settings.h"
#include "base/WindowPlacement.h"
#include "editor/MessageDocument.h"
#include "editor/MessageEdit.h"
#include "font/FontTable.h"
#include "upload/BrokerAccess.h"
#include "upload/PortDevicesDialog.h"
#include "upload/SerialDevices.h"
#include "upload/UploadController.h"

#include <QAction>
#include <QCloseEvent>
#include <QDialog>
#include <QFile>
#include <QLabel>
#include <QStatusBar>
#include <QTextDocument>
#include <QTimer>

namespace {

QString str(QStringView text) {
    return text.toString();
}

// The port items' handlers, COM 1 first.
constexpr void (TMainForm::*PortItemHandlers[])() = {
    &TMainForm::item1ComClick, &TMainForm::item2ComClick, &TMainForm::item3ComClick,
    &TMainForm::item4ComClick, &TMainForm::item5ComClick,
};
static_assert(std::size(PortItemHandlers) == Settings::PortCount);

} // namespace

TMainForm::TMainForm(Dialogs& dialogs, SerialLink& serial, FontTables& font, QWidget* parent)
    : QMainWindow(parent), m_dialogs(dialogs), m_serial(serial), m_font(font),
      m_model(new MainWindowModel(this)) {
    setObjectName(QStringLiteral("MainForm"));
    setWindowTitle(str(mainform::DesignCaption));
    setWindowIcon(lazyWindowIcon(QStringLiteral(":/icons/lumetra")));
    setupUi(this);
    bindCommands();
    showPortDevices();
    setupEditor();
    setupUpload();
    setupPreview();
    // The frame belongs to the window manager: the window's corner goes to 195, 109 and the
    // window itself gets the 592 x 440 the operator is used to, where the screen has room.
    placement::placeWindow(this, QPoint(195, 109), QSize(592, 440));
    runCommand([this] { FormCreate(); });
}

TMainForm::~TMainForm() = default;

void TMainForm::setWindows(QDialog* about, QDialog* help, QDialog* diagram, QDialog* fontEditor) {
    m_about = about;
    m_help = help;
    m_diagram = diagram;
    m_fontEditor = fontEditor;
    m_upload->setFontWindow(fontEditor);
}

void TMainForm::bindCommands() {
    connect(m_model, &MainWindowModel::portChanged, this, &TMainForm::showModel);
    connect(m_model, &MainWindowModel::longLimitChanged, this, &TMainForm::showModel);
    connect(m_model, &MainWindowModel::previewShownChanged, this, &TMainForm::showModel);
    showModel();

    // Every command runs through runCommand, so a failure it throws reaches the error box.
    const auto bind = [this](QAction* action, void (TMainForm::*handler)()) {
        connect(action, &QAction::triggered, this,
                [this, handler] { runCommand([this, handler] { (this->*handler)(); }); });
    };
    bind(itmNew, &TMainForm::SpeedButtonNewClick);
    bind(itemLoad, &TMainForm::SpeedButtonOpenClick);
    bind(itemSaveAS, &TMainForm::SpeedButtonSaveASClick);
    bind(itemSave, &TMainForm::SpeedButtonSaveClick);
    bind(SpeedButtonSave, &TMainForm::SpeedButtonSaveClick);
    bind(itemClose, &TMainForm::itemCloseClick);
    bind(itemCut, &TMainForm::SpeedButtonCutClick);
    bind(itemCopy, &TMainForm::SpeedButtonCopyClick);
    bind(itemPaste, &TMainForm::SpeedButtonPasteClick);
    bind(itemDel, &TMainForm::SpeedButtonDelClick);
    bind(itemSelectalll, &TMainForm::SpeedButtonSelectAllClick);
    bind(itemFontDefault, &TMainForm::SpeedButtonToRusClick);
    bind(itemFontChange, &TMainForm::itemFontChangeClick);
    bind(itemAddspace, &TMainForm::itemAddspaceClick);
    bind(ItemLeng6140, &TMainForm::ItemLeng6140Click);
    bind(itemLeng59000, &TMainForm::itemLeng59000Click);
    for (int i = 0; i < Settings::PortCount; ++i)
        bind(itemCom[i], PortItemHandlers[i]);
    bind(ItemTX, &TMainForm::SpeedButtonTxClick);
    bind(itemDevices, &TMainForm::itemDevicesClick);
    bind(SpeedButtonTx, &TMainForm::SpeedButtonTxClick);
    bind(SpeedButtonZg, &TMainForm::SpeedButtonZgClick);
    bind(ItemAbout, &TMainForm::itemAboutClick);
    bind(ItemHelp, &TMainForm::ItemHelpClick);
    bind(ItemDiagram, &TMainForm::ItemDiagramClick);
    for (std::size_t i = 0; i < std::size(EffectButtons); ++i)
        bind(effectActions[i], EffectButtons[i].handler);
    connect(itemPreview, &QAction::triggered, this,
            [this](bool shown) { runCommand([this, shown] { itemPreviewClick(shown); }); });
    if (itemFleet)
        bind(itemFleet, &TMainForm::itemFleetClick);
    bind(itemProgram, &TMainForm::itemProgramClick);
}

void TMainForm::setupEditor() {
    connect(RichEdit, &MessageEdit::mousePressed, this, &TMainForm::RichEditMouseDown);
    connect(RichEdit, &MessageEdit::charactersReplaced, this, &TMainForm::reportReplacedCharacters);
    m_document =
        std::make_unique<MessageDocument>(*RichEdit, m_dialogs, this, [this] { SaveIniFile(); });
    connect(m_document.get(), &MessageDocument::status, this, &TMainForm::StatusBarHelp);
    connect(m_document.get(), &MessageDocument::captionChanged, this, &QWidget::setWindowTitle);
}

void TMainForm::FormCreate() {
    ReadIniFile();
    m_document->startUp();
    SpeedButtonSave->setEnabled(true);
    UpDateCaption();
    // Without a word the operator would wonder where the remembered port and file went. It
    // stays until the next message: the window may not even be up within the timer's 3 s.
    if (const Settings settings; settings.fileTooLarge()) {
        const QString warning =
            str(mainform::SettingsTooLarge).arg(QString::fromLocal8Bit(settings.path().c_str()));
        m_panels[2]->setText(warning);
        m_panels[2]->setToolTip(warning);
    }
}

bool TMainForm::runCommand(const std::function<void()>& command) {
    return ::runCommand(m_dialogs, this, command);
}

void TMainForm::StatusBarHelp(const QString& text) {
    m_panels[2]->setText(text);
    // The panel is narrower than many messages; the whole of the last one stays in its tooltip,
    // also once the timer has blanked it.
    m_panels[2]->setToolTip(text);
    statusBar()->repaint();
    // Enabling a running timer must not restart its countdown.
    if (!TimerStatus->isActive())
        TimerStatus->start();
}

void TMainForm::TimerStatusTimer() {
    TimerStatus->stop();
    m_panels[2]->setText(QStringLiteral(" "));
}

void TMainForm::timerStatusFired() {
    m_upload->timerFired(TimerStatus);
}
void TMainForm::timerLengthFired() {
    m_upload->timerFired(TimerLengTXT);
}

void TMainForm::setupUpload() {
    m_upload = new UploadController(m_serial, m_dialogs, m_font.FontTable, this);
    m_upload->setPortDevice([this] {
        const int port = m_model->port();
        return port == MainWindowModel::NoPort ? QString() : portDevice(port);
    });
    // A broker's sign: the settings name the password and CA files, read afresh at each upload.
    m_upload->setBrokerAccess(BrokerAccess::ofThisRun(), [](BrokerAccess& access) {
        const Settings settings;
        access.setFiles(settings.brokerPasswordFile(), settings.brokerCaFile());
    });
    connect(m_upload, &UploadController::status, this, &TMainForm::StatusBarHelp);
    connect(m_upload, &UploadController::transferTime, m_panels[1], &QLabel::setText);
    connect(RichEdit->document(), &QTextDocument::contentsChanged, m_upload,
            &UploadController::clearSummary);
    // A held-back length tick runs before the status tick, as the timers were made.
    m_upload->holdBackTicks(TimerLengTXT, [this] { TimerLengTXTTimer(); });
    m_upload->holdBackTicks(TimerStatus, [this] { TimerStatusTimer(); });
}

void TMainForm::SpeedButtonTxClick() {
    m_upload->SpeedButtonTxClick(messageBytes());
}
void TMainForm::SendAllZG() {
    m_upload->SendAllZG();
}
void TMainForm::ComPortOpen(std::size_t total, QWidget* window) {
    m_upload->ComPortOpen(total, window);
}
bool TMainForm::ComPortTxAndClose(QWidget* window) {
    return m_upload->ComPortTxAndClose(window).completed();
}
bool TMainForm::ComPortReady() const {
    return m_upload->ComPortReady();
}

QString TMainForm::panelText(int panel) const {
    return m_panels.at(panel)->text();
}

void TMainForm::ReadIniFile() {
    const Settings settings;
    const int port = settings.activePort();
    const bool longLimit = settings.longMaxLength();
    m_document->setOpenDialogName(qtadapt::fromCp1251(settings.lastFile()));

    m_model->setLongLimit(longLimit);
    if (port != 0)
        m_model->setPort(port);
    if (settings.previewShown())
        showPreview(true);
}

void TMainForm::SaveIniFile() {
    Settings settings;
    if (const int port = m_model->port(); port != MainWindowModel::NoPort)
        settings.setActivePort(port);
    settings.setLastFile(qtadapt::toCp1251(m_document->fileName()));
    settings.setLongMaxLength(m_model->longLimit());
}

QString TMainForm::portDevice(int n) const {
    return qtadapt::fromCp1251(Settings().portDevice(n));
}

// Each port item checks itself alone and stores the choice at once.
void TMainForm::portItemClick(int n) {
    m_model->setPort(n);
    SaveIniFile();
}

void TMainForm::item1ComClick() {
    portItemClick(1);
}
void TMainForm::item2ComClick() {
    portItemClick(2);
}
void TMainForm::item3ComClick() {
    portItemClick(3);
}
void TMainForm::item4ComClick() {
    portItemClick(4);
}
void TMainForm::item5ComClick() {
    portItemClick(5);
}

void TMainForm::itemDevicesClick() {
    PortDevicesDialog::Choice current;
    std::vector<std::string> chosen;
    for (int n = 1; n <= Settings::PortCount; ++n) {
        current[n - 1] = portDevice(n);
        chosen.push_back(QFile::encodeName(current[n - 1]).toStdString());
    }
    auto present = serialdevices::list("/dev", serialdevices::answersAsTerminal);
    serialdevices::addChosen(present, chosen, serialdevices::answersAsTerminal);
    PortDevicesDialog dialog(present, current, m_model->port(), m_dialogs, this);
    if (m_dialogs.runDialog(dialog))
        savePortMap(dialog.choice());
}

void TMainForm::savePortMap(const std::array<QString, Settings::PortCount>& devices) {
    Settings settings;
    for (int n = 1; n <= Settings::PortCount; ++n)
        settings.setPortDevice(n, qtadapt::toCp1251(devices[n - 1]));
    showPortDevices();
}

void TMainForm::showPortDevices() {
    for (int n = 1; n <= Settings::PortCount; ++n) {
        const QString device = portDevice(n);
        itemCom[n - 1]->setToolTip(device);
        itemCom[n - 1]->setStatusTip(device);
    }
}

void TMainForm::showModel() {
    for (int n = 1; n <= Settings::PortCount; ++n)
        itemCom[n - 1]->setChecked(n == m_model->port());
    itemLeng59000->setChecked(m_model->longLimit());
    ItemLeng6140->setChecked(!m_model->longLimit());
    if (itemPreview)
        itemPreview->setChecked(m_model->previewShown());
}

void TMainForm::itemCloseClick() {
    // A failed write is told, with the way out, by the close that follows: it writes again.
    try {
        SaveIniFile();
    } catch (const AppError&) {
    }
    close();
}

void TMainForm::showModal(QDialog* window) {
    if (window)
        window->exec();
}

void TMainForm::itemAboutClick() {
    showModal(m_about);
}
void TMainForm::ItemHelpClick() {
    showModal(m_help);
}
void TMainForm::ItemDiagramClick() {
    showModal(m_diagram);
}
void TMainForm::SpeedButtonZgClick() {
    showModal(m_fontEditor);
}

bool TMainForm::FormClose() {
    // Settings that cannot be written must not hold the program open for good: after the
    // error the operator may stay to mend the cause, or leave without them.
    const bool settingsWritten = runCommand([this] { SaveIniFile(); });
    if (!settingsWritten && !m_dialogs.askYesNo(this, str(mainform::AskLeaveWithoutSettings)))
        return false;
    StatusBarHelp(str(mainform::Exiting));
    if (m_document->modified())
        return SavePrompt(settingsWritten);
    return true;
}

void TMainForm::closeEvent(QCloseEvent* event) {
    // Nothing closes the window while a frame is on its way to the sign.
    if (m_upload->uploading() || !FormClose()) {
        event->ignore();
        return;
    }
    event->accept();
}
