#include "app/MainForm.h"

#include "app/EffectButtons.h"
#include "app/MainFormTexts.h"
#include "app/MainWindowModel.h"
#include "base/AppError.h"
#include "base/Dialogs.h"
#include "base/Keys.h"
#include "base/LazyIcon.h"
#include "base/QtAdapt.h"
#include "base/Settings.h"
#include "base/WindowPlacement.h"
#include "editor/MessageDocument.h"
#include "editor/MessageEdit.h"
#include "font/FontTable.h"
#include "sign/CodeMarks.h"
#include "upload/PortDevicesDialog.h"
#include "upload/SerialDevices.h"
#include "upload/UploadController.h"

#include <QAction>
#include <QActionGroup>
#include <QCloseEvent>
#include <QDialog>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QShortcut>
#include <QStatusBar>
#include <QTextDocument>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>

#include <utility>

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
    setWindowIcon(lazyIcon(QStringLiteral(":/icons/lumetra")));
    setupActions();
    setupFileMenu();
    setupEditMenu();
    setupOptionsMenu();
    setupPortMenu();
    setupHelpMenu();
    setupToolBar();
    setupToolBar1();
    setupKeys();
    setupEditor();
    setupStatusBar();
    setupTimers();
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

QAction* TMainForm::makeAction(const QString& objectName, const QString& text,
                               const QString& icon) {
    auto* action = new QAction(text, this);
    action->setObjectName(objectName);
    if (!icon.isEmpty())
        action->setIcon(lazyIcon(QStringLiteral(":/icons/%1").arg(icon)));
    return action;
}

void TMainForm::setupActions() {
    using namespace mainform;
    itmNew = makeAction(QStringLiteral("itmNew"), str(ItemNew), QStringLiteral("new"));
    itemLoad = makeAction(QStringLiteral("itemLoad"), str(ItemOpen), QStringLiteral("open"));
    itemSaveAS =
        makeAction(QStringLiteral("itemSaveAS"), str(ItemSaveAs), QStringLiteral("saveas"));
    itemSave = makeAction(QStringLiteral("itemSave"), str(ItemSave), QStringLiteral("save"));
    itemClose = makeAction(QStringLiteral("itemClose"), str(ItemExit), QStringLiteral("exit"));
    itemCut = makeAction(QStringLiteral("itemCut"), str(ItemCut), QStringLiteral("cut"));
    itemCopy = makeAction(QStringLiteral("itemCopy"), str(ItemCopy), QStringLiteral("copy"));
    itemPaste = makeAction(QStringLiteral("itemPaste"), str(ItemPaste), QStringLiteral("paste"));
    itemDel = makeAction(QStringLiteral("itemDel"), str(ItemDelete), QStringLiteral("delete"));
    itemSelectalll = makeAction(QStringLiteral("itemSelectalll"), str(ItemSelectAll),
                                QStringLiteral("selectall"));
    itemFontDefault = makeAction(QStringLiteral("itemFontDefault"), str(ItemStandardFormat),
                                 QStringLiteral("torus"));
    itemFontChange =
        makeAction(QStringLiteral("itemFontChange"), str(ItemFontChoice), QStringLiteral("font"));
    itemAddspace =
        makeAction(QStringLiteral("itemAddspace"), str(ItemAddBlanks), QStringLiteral("addspace"));
    ItemLeng6140 = makeAction(QStringLiteral("ItemLeng6140"), str(ItemShortLength), {});
    itemLeng59000 = makeAction(QStringLiteral("itemLeng59000"), str(ItemLongLength), {});
    for (int n = 1; n <= Settings::PortCount; ++n)
        itemCom[n - 1] =
            makeAction(QStringLiteral("item%1Com").arg(n), str(ItemPortPrefix) + QString::number(n),
                       QStringLiteral("port"));
    ItemTX = makeAction(QStringLiteral("ItemTX"), str(ItemUpload), QStringLiteral("upload"));
    itemDevices = makeAction(QStringLiteral("itemDevices"), str(ItemDevices), {});
    ItemAbout =
        makeAction(QStringLiteral("ItemAbout"), str(ItemAboutText), QStringLiteral("about"));
    ItemHelp = makeAction(QStringLiteral("ItemHelp"), str(ItemHelpText), QStringLiteral("help"));
    ItemDiagram =
        makeAction(QStringLiteral("ItemDiagram"), str(ItemDiagramText), QStringLiteral("diagram"));
    SpeedButtonSave =
        makeAction(QStringLiteral("SpeedButtonSave"), str(ItemSave), QStringLiteral("save"));
    SpeedButtonTx =
        makeAction(QStringLiteral("SpeedButtonTx"), str(ItemUpload), QStringLiteral("upload"));
    SpeedButtonZg = makeAction(QStringLiteral("SpeedButtonZg"), str(HintFontEditor),
                               QStringLiteral("fonteditor"));

    // Cut, Copy and Delete wait for a selection; the length monitor enables them.
    for (QAction* action : {itemCut, itemCopy, itemDel})
        action->setEnabled(false);
    // The window is designed with Save disabled; start-up enables it.
    SpeedButtonSave->setEnabled(false);

    // The check marks show the model. In a group a click on the checked item keeps it checked.
    const auto exclusive = [this](std::initializer_list<QAction*> items) {
        auto* group = new QActionGroup(this);
        for (QAction* item : items) {
            item->setCheckable(true);
            group->addAction(item);
        }
    };
    exclusive({ItemLeng6140, itemLeng59000});
    exclusive({itemCom[0], itemCom[1], itemCom[2], itemCom[3], itemCom[4]});
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
}

QMenu* TMainForm::addMenu(QStringView caption, QChar mnemonic) {
    return menuBar()->addMenu(keys::withMnemonic(str(caption), mnemonic));
}

void TMainForm::setupFileMenu() {
    QMenu* menu = addMenu(mainform::MenuFile, u'Ф');
    menu->setObjectName(QStringLiteral("itemFile"));
    menu->addActions({itmNew, itemLoad, itemSaveAS, itemSave});
    menu->addSeparator();
    menu->addAction(itemClose);
}

void TMainForm::setupEditMenu() {
    QMenu* menu = addMenu(mainform::MenuEdit, u'П');
    menu->setObjectName(QStringLiteral("itemEdit"));
    menu->addActions({itemCut, itemCopy, itemPaste, itemDel});
    menu->addSeparator();
    menu->addAction(itemSelectalll);
}

void TMainForm::setupOptionsMenu() {
    QMenu* menu = addMenu(mainform::MenuOptions, u'О');
    menu->setObjectName(QStringLiteral("itemOptions"));
    menu->addActions({itemFontDefault, itemFontChange, itemAddspace});
    menu->addSeparator();
    menu->addActions({ItemLeng6140, itemLeng59000});
    menu->addSeparator();
}

void TMainForm::setupPortMenu() {
    QMenu* menu = addMenu(mainform::MenuPort, u'М');
    menu->setObjectName(QStringLiteral("itemCOMport"));
    for (int n = 1; n <= Settings::PortCount; ++n) {
        QAction* item = itemCom[n - 1];
        menu->addAction(item);
        const QString device = portDevice(n);
        item->setToolTip(device);
        item->setStatusTip(device);
    }
    menu->setToolTipsVisible(true);
    menu->addAction(ItemTX);
#ifndef Q_OS_WIN
    // Our own item: which device each COM item opens (Windows has its COM names).
    menu->addSeparator();
    menu->addAction(itemDevices);
#endif
}

void TMainForm::setupHelpMenu() {
    QMenu* menu = addMenu(mainform::MenuHelp, u'С');
    menu->setObjectName(QStringLiteral("itemHelpMenu"));
    menu->addActions({ItemAbout, ItemHelp, ItemDiagram});
}

QToolButton* TMainForm::addButton(QToolBar* bar, QAction* action, const QString& buttonName,
                                  const QString& hint) {
    // The button follows its action, so the hint lives on the action (menus don't show it).
    action->setToolTip(hint);
    bar->addAction(action);
    auto* button = qobject_cast<QToolButton*>(bar->widgetForAction(action));
    button->setObjectName(buttonName);
    button->setToolTip(hint);
    button->setAccessibleName(hint);
    button->setCursor(Qt::PointingHandCursor);
    button->setAutoRaise(true);
    button->setFocusPolicy(Qt::NoFocus);
    return button;
}

void TMainForm::showKeyInHint(QToolBar* bar, QAction* action, const QKeySequence& key) {
    // The button takes its tooltip from the action whenever the action changes.
    const QString hint = keys::hintWithKey(action->toolTip(), key);
    action->setToolTip(hint);
    bar->widgetForAction(action)->setToolTip(hint);
}

void TMainForm::addEffectToHint(QToolBar* bar, QAction* action, QStringView code) {
    // The hint stays as it is; below it, what the code does on the sign.
    const std::string bytes = code.toString().toStdString();
    const sign::CodeReading reading =
        sign::readCodeAt({reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()}, 0);
    const sign::EffectType* type = sign::effectType(reading.letter);
    QString hint = action->toolTip() + QLatin1Char('\n') + describeCode(reading);
    if (type && reading.letter == 'S')
        hint += QStringLiteral("; ") +
                QString::fromUtf8(type->digitMeans.data(), qsizetype(type->digitMeans.size()));
    action->setToolTip(hint);
    bar->widgetForAction(action)->setToolTip(hint);
}

void TMainForm::setupToolBar() {
    using namespace mainform;
    ToolBar = addToolBar(QStringLiteral("ToolBar"));
    ToolBar->setObjectName(QStringLiteral("ToolBar"));
    ToolBar->setMovable(false);
    ToolBar->setIconSize(QSize(20, 20));
    ToolBar->setFixedHeight(29);
    addButton(ToolBar, itmNew, QStringLiteral("SpeedButtonNew"), str(HintNew));
    addButton(ToolBar, itemLoad, QStringLiteral("SpeedButtonOpen"), str(HintOpen));
    addButton(ToolBar, itemSaveAS, QStringLiteral("SpeedButtonSaveAS"), str(HintSaveAs));
    addButton(ToolBar, SpeedButtonSave, QStringLiteral("SpeedButtonSave"), str(HintSave));
    ToolBar->addSeparator();
    addButton(ToolBar, itemSelectalll, QStringLiteral("SpeedButtonSelectAll"), str(HintSelectAll));
    addButton(ToolBar, itemCut, QStringLiteral("SpeedButtonCut"), str(HintCut));
    addButton(ToolBar, itemCopy, QStringLiteral("SpeedButtonCopy"), str(HintCopy));
    addButton(ToolBar, itemPaste, QStringLiteral("SpeedButtonPaste"), str(HintPaste));
    addButton(ToolBar, itemDel, QStringLiteral("SpeedButtonDel"), str(HintDelete));
    ToolBar->addSeparator();
    addButton(ToolBar, itemFontDefault, QStringLiteral("SpeedButtonToRus"), str(HintStandard));
    ToolBar->addSeparator();
    addButton(ToolBar, SpeedButtonTx, QStringLiteral("SpeedButtonTx"), str(HintUpload));
    ToolBar->addSeparator();
    addButton(ToolBar, SpeedButtonZg, QStringLiteral("SpeedButtonZg"), str(HintFontEditor));
    addButton(ToolBar, ItemAbout, QStringLiteral("SpeedButtonAbout"), str(HintAbout));
}

void TMainForm::setupToolBar1() {
    addToolBarBreak();
    ToolBar1 = addToolBar(QStringLiteral("ToolBar1"));
    ToolBar1->setObjectName(QStringLiteral("ToolBar1"));
    ToolBar1->setMovable(false);
    ToolBar1->setIconSize(QSize(18, 18));
    ToolBar1->setFixedHeight(29);

    for (const EffectButton& row : EffectButtons) {
        const QString name = row.name.toString();
        QAction* action = makeAction(name, row.hint.toString(), row.icon.toString());
        addButton(ToolBar1, action, name, row.hint.toString());
        action->setShortcut(QKeySequence(row.key.toString(), QKeySequence::PortableText));
        showKeyInHint(ToolBar1, action, action->shortcut());
        addEffectToHint(ToolBar1, action, row.code);
        const auto handler = row.handler;
        connect(action, &QAction::triggered, this,
                [this, handler] { runCommand([this, handler] { (this->*handler)(); }); });
        if (row.handler == &TMainForm::SpeedButtonRazbClick) {
            // The insertion edit sits hidden in the gap before the inversion buttons.
            ToolBar1->addSeparator();
            EditInsert = new QLineEdit(ToolBar1);
            EditInsert->setObjectName(QStringLiteral("EditInsert"));
            ToolBar1->addWidget(EditInsert)->setVisible(false);
        } else if (row.gapAfter) {
            ToolBar1->addSeparator();
        }
    }
}

void TMainForm::setupKeys() {
    // The desktop's usual keys; the upload on Ctrl+T ("transmit"). Shown in the menus.
    const std::pair<QAction*, QKeySequence> shortcuts[] = {
        {itmNew, QKeySequence(Qt::CTRL | Qt::Key_N)},
        {itemLoad, QKeySequence(Qt::CTRL | Qt::Key_O)},
        {itemSave, QKeySequence(Qt::CTRL | Qt::Key_S)},
        {itemSaveAS, QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S)},
        {itemClose, QKeySequence(Qt::CTRL | Qt::Key_Q)},
        {itemCut, QKeySequence(Qt::CTRL | Qt::Key_X)},
        {itemCopy, QKeySequence(Qt::CTRL | Qt::Key_C)},
        {itemPaste, QKeySequence(Qt::CTRL | Qt::Key_V)},
        {itemSelectalll, QKeySequence(Qt::CTRL | Qt::Key_A)},
        {ItemTX, QKeySequence(Qt::CTRL | Qt::Key_T)},
        {ItemHelp, QKeySequence(Qt::Key_F1)},
    };
    for (const auto& [action, key] : shortcuts)
        action->setShortcut(key);
    // A tool bar button's tooltip is the specified hint followed by its command's key.
    const std::pair<QAction*, QAction*> buttons[] = {
        {itmNew, itmNew},
        {itemLoad, itemLoad},
        {itemSaveAS, itemSaveAS},
        {SpeedButtonSave, itemSave},
        {itemSelectalll, itemSelectalll},
        {itemCut, itemCut},
        {itemCopy, itemCopy},
        {itemPaste, itemPaste},
        {SpeedButtonTx, ItemTX},
    };
    for (const auto& [onBar, command] : buttons)
        showKeyInHint(ToolBar, onBar, command->shortcut());

    // An underlined letter in every menu item; the caption's text stays as it is.
    const std::pair<QAction*, QChar> mnemonics[] = {
        {itmNew, u'N'},         {itemLoad, u'O'},        {itemSaveAS, u'A'},
        {itemSave, u'S'},       {itemClose, u'x'},       {itemCut, u'В'},
        {itemCopy, u'К'},       {itemPaste, u'а'},       {itemDel, u'У'},
        {itemSelectalll, u'д'}, {itemFontDefault, u'У'}, {itemFontChange, u'ш'},
        {itemAddspace, u'Д'},   {ItemLeng6140, u'6'},    {itemLeng59000, u'5'},
        {ItemTX, u'П'},         {itemDevices, u'В'},     {ItemAbout, u'О'},
        {ItemHelp, u'П'},       {ItemDiagram, u'С'},
    };
    for (const auto& [action, letter] : mnemonics)
        action->setText(keys::withMnemonic(action->text(), letter));
    for (int n = 1; n <= 5; ++n)
        itemCom[n - 1]->setText(keys::withMnemonic(itemCom[n - 1]->text(), QChar(u'0' + n)));

    // Alt with the Latin letter of the same key opens each menu also on a Latin layout,
    // where the Cyrillic underlined letters cannot be typed.
    const QList<QAction*> menus = menuBar()->actions();
    const Qt::Key latin[] = {Qt::Key_F, Qt::Key_E, Qt::Key_O, Qt::Key_C, Qt::Key_H};
    for (qsizetype i = 0; i < menus.size() && i < qsizetype(std::size(latin)); ++i) {
        auto* shortcut = new QShortcut(QKeySequence(Qt::ALT | latin[i]), this);
        QAction* menu = menus[i];
        connect(shortcut, &QShortcut::activated, this,
                [this, menu] { menuBar()->setActiveAction(menu); });
    }
}

void TMainForm::setupEditor() {
    RichEdit = new MessageEdit(this);
    RichEdit->setObjectName(QStringLiteral("RichEdit"));
    QFont font(QStringLiteral("MS Sans Serif"), 8, QFont::Bold);
    font.setStyleHint(QFont::SansSerif);
    RichEdit->setFont(font);
    RichEdit->setPlainText(QStringLiteral("               Demo File\n"
                                          "           \n"
                                          "   S=Speed скорость  /S5 \n"
                                          "   W=Wait   задержка  1 сек   /W1       \n"
                                          "   C=Clear    очистка          /С1       \n"
                                          "   F=Fill        заполнение   /F1       \n"
                                          "   U=Up       сдвиг вверх   /U1       \n"
                                          "   D=Down  сдвиг вниз   /D1   "));
    RichEdit->document()->setModified(false);
    // No hint over the text itself (it would cover what the operator reads); assistive
    // technology still gets a name for it.
    RichEdit->setAccessibleName(str(mainform::EditorName));
    setCentralWidget(RichEdit);
    connect(RichEdit, &MessageEdit::mousePressed, this, &TMainForm::RichEditMouseDown);
    connect(RichEdit, &MessageEdit::charactersReplaced, this, &TMainForm::reportReplacedCharacters);
    m_document =
        std::make_unique<MessageDocument>(*RichEdit, m_dialogs, this, [this] { SaveIniFile(); });
    connect(m_document.get(), &MessageDocument::status, this, &TMainForm::StatusBarHelp);
    connect(m_document.get(), &MessageDocument::captionChanged, this, &QWidget::setWindowTitle);
}

void TMainForm::setupStatusBar() {
    struct Panel {
        int width;
        Qt::Alignment alignment;
        QStringView text;
    };
    const Panel panels[] = {
        {200, Qt::AlignLeft | Qt::AlignVCenter, mainform::PanelLengthStart},
        {200, Qt::AlignCenter, mainform::PanelTimeStart},
        {150, Qt::AlignCenter, mainform::PanelMessageStart},
    };
    QStatusBar* bar = statusBar();
    bar->setObjectName(QStringLiteral("StatusBar"));
    bar->setFixedHeight(19);
    bar->setSizeGripEnabled(true);
    for (std::size_t i = 0; i < std::size(panels); ++i) {
        auto* label = new QLabel(panels[i].text.toString(), bar);
        label->setObjectName(QStringLiteral("StatusPanel%1").arg(i));
        // The message panel takes what the bar has left, so long messages are not clipped.
        const bool last = i + 1 == std::size(panels);
        if (last)
            label->setMinimumWidth(panels[i].width);
        else
            label->setFixedWidth(panels[i].width);
        label->setAlignment(panels[i].alignment);
        label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        // No accessible name of its own: assistive technology reads the panel's text.
        label->setToolTip(label->text());
        bar->addWidget(label, last ? 1 : 0);
        m_panels[i] = label;
    }
}

void TMainForm::setupTimers() {
    TimerStatus = new QTimer(this);
    TimerStatus->setObjectName(QStringLiteral("TimerStatus"));
    TimerStatus->setInterval(3000);

    TimerLengTXT = new QTimer(this);
    TimerLengTXT->setObjectName(QStringLiteral("TimerLengTXT"));
    TimerLengTXT->setInterval(1000);
    TimerLengTXT->start();
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
    for (int n = 1; n <= Settings::PortCount; ++n) {
        settings.setPortDevice(n, qtadapt::toCp1251(devices[n - 1]));
        itemCom[n - 1]->setToolTip(devices[n - 1]);
        itemCom[n - 1]->setStatusTip(devices[n - 1]);
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
