#include "app/MainWindowUi.h"

#include "app/EffectButtons.h"
#include "app/MainFormTexts.h"
#include "base/Keys.h"
#include "base/LazyIcon.h"
#include "editor/MessageEdit.h"
#include "sign/CodeMarks.h"

#include <QAction>
#include <QActionGroup>
#include <QEvent>
#include <QHBoxLayout>
#include <QIconEngine>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QShortcut>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>

#include <algorithm>
#include <utility>

namespace {

QString str(QStringView text) {
    return text.toString();
}

// A few lit dots of the sign, for the preview's tool bar button; drawn when first shown.
class PreviewIconEngine : public QIconEngine {
public:
    void paint(QPainter* painter, const QRect& rect, QIcon::Mode, QIcon::State) override {
        painter->save();
        painter->setRenderHint(QPainter::Antialiasing);
        painter->setPen(Qt::NoPen);
        painter->translate(rect.topLeft());
        painter->scale(rect.width() / 20.0, rect.height() / 20.0);
        painter->setBrush(Qt::black);
        painter->drawRoundedRect(QRectF(0, 3, 20, 14), 2, 2);
        for (int x = 0; x < 4; ++x)
            for (int y = 0; y < 3; ++y) {
                painter->setBrush((x + y) % 2 ? QColor(255, 40, 24) : QColor(90, 14, 8));
                painter->drawEllipse(QRectF(2 + x * 4.2, 5 + y * 3.6, 3, 3));
            }
        painter->restore();
    }
    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override {
        QPixmap picture(size);
        picture.fill(Qt::transparent);
        QPainter painter(&picture);
        paint(&painter, QRect(QPoint(), size), mode, state);
        return picture;
    }
    QIconEngine* clone() const override { return new PreviewIconEngine; }
};

// The resource stem of an action's pictures, for reading them ahead.
constexpr char PictureStem[] = "pictureStem";

QString iconStem(QStringView icon) {
    return QStringLiteral(":/icons/%1").arg(icon);
}

} // namespace

// Keeps the count at the right end inside the message panel and the panel's own text clear of
// it, so a status message and the count never print over each other.
class MainWindowUi::PanelBadge : public QObject {
public:
    static constexpr char FullText[] = "fullText";
    static constexpr char ShortText[] = "shortText";
    static constexpr char TinyText[] = "tinyText";

    PanelBadge(QLabel* panel, QWidget* badge) : QObject(panel), m_panel(panel), m_badge(badge) {
        panel->installEventFilter(this);
    }

    void place() {
        // The badge holds one count or more; it takes room only for those shown, and a count
        // with a short form of its text takes that when the panel's own text would have
        // little room left.
        constexpr int MessageRoom = 100;
        const auto counts = m_badge->findChildren<QLabel*>();
        for (QLabel* count : counts)
            if (const QVariant full = count->property(FullText); full.isValid())
                count->setText(full.toString());
        m_badge->layout()->invalidate();
        // A wide face (a stand-in for the classic one) may want the tiny form too: the badge
        // never reaches out of the panel.
        for (const char* form : {ShortText, TinyText}) {
            if (m_panel->width() - m_badge->sizeHint().width() >= MessageRoom && form == ShortText)
                break;
            if (form == TinyText && m_badge->sizeHint().width() + 8 <= m_panel->width())
                break;
            for (QLabel* count : counts)
                if (const QVariant text = count->property(form); text.isValid())
                    count->setText(text.toString());
            m_badge->layout()->invalidate();
        }
        const bool shown = m_badge->sizeHint().width() > 0;
        // Never taller than the panel either: a tall stand-in face is clipped, not spilled.
        m_badge->resize(m_badge->sizeHint().width(),
                        std::min(m_badge->sizeHint().height(), m_panel->height()));
        m_badge->layout()->activate(); // the counts take their places in it now
        m_panel->setContentsMargins(0, 0, shown ? m_badge->width() + 6 : 0, 0);
        m_badge->move(m_panel->width() - m_badge->width() - 4,
                      (m_panel->height() - m_badge->height()) / 2);
    }

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Resize)
            place();
        return false;
    }

private:
    QLabel* m_panel;
    QWidget* m_badge;
};

void MainWindowUi::setupUi(QMainWindow* form) {
    m_form = form;
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
    setupPreviewItem();
    setupFleetItem();
    setupProgramItem();
}

void MainWindowUi::placeSurprises() const {
    m_surprisesBadge->place();
}

void MainWindowUi::setCountText(QLabel* count, const QString& text, const QString& shortText,
                                const QString& tinyText) {
    count->setProperty(PanelBadge::FullText, text);
    count->setProperty(PanelBadge::ShortText, shortText);
    count->setProperty(PanelBadge::TinyText, tinyText.isEmpty() ? shortText : tinyText);
    count->setText(text);
}

QAction* MainWindowUi::makeAction(const QString& objectName, const QString& text,
                                  const QString& icon) {
    auto* action = new QAction(text, m_form);
    action->setObjectName(objectName);
    if (!icon.isEmpty()) {
        action->setIcon(lazyIcon(iconStem(icon)));
        action->setProperty(PictureStem, iconStem(icon));
    }
    return action;
}

void MainWindowUi::setupActions() {
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
        auto* group = new QActionGroup(m_form);
        for (QAction* item : items) {
            item->setCheckable(true);
            group->addAction(item);
        }
    };
    exclusive({ItemLeng6140, itemLeng59000});
    exclusive({itemCom[0], itemCom[1], itemCom[2], itemCom[3], itemCom[4]});
}

QMenu* MainWindowUi::addMenu(QStringView caption, QChar mnemonic) {
    return m_form->menuBar()->addMenu(keys::withMnemonic(str(caption), mnemonic));
}

void MainWindowUi::setupFileMenu() {
    QMenu* menu = addMenu(mainform::MenuFile, u'Ф');
    menu->setObjectName(QStringLiteral("itemFile"));
    menu->addActions({itmNew, itemLoad, itemSaveAS, itemSave});
    menu->addSeparator();
    menu->addAction(itemClose);
}

void MainWindowUi::setupEditMenu() {
    QMenu* menu = addMenu(mainform::MenuEdit, u'П');
    menu->setObjectName(QStringLiteral("itemEdit"));
    menu->addActions({itemCut, itemCopy, itemPaste, itemDel});
    menu->addSeparator();
    menu->addAction(itemSelectalll);
}

void MainWindowUi::setupOptionsMenu() {
    QMenu* menu = addMenu(mainform::MenuOptions, u'О');
    menu->setObjectName(QStringLiteral("itemOptions"));
    menu->addActions({itemFontDefault, itemFontChange, itemAddspace});
    menu->addSeparator();
    menu->addActions({ItemLeng6140, itemLeng59000});
    menu->addSeparator();
}

void MainWindowUi::setupPortMenu() {
    QMenu* menu = addMenu(mainform::MenuPort, u'М');
    menu->setObjectName(QStringLiteral("itemCOMport"));
    for (QAction* item : itemCom)
        menu->addAction(item);
    menu->setToolTipsVisible(true);
    menu->addAction(ItemTX);
#ifndef Q_OS_WIN
    // Our own item: which device each COM item opens (Windows has its COM names).
    menu->addSeparator();
    menu->addAction(itemDevices);
#endif
}

void MainWindowUi::setupHelpMenu() {
    QMenu* menu = addMenu(mainform::MenuHelp, u'С');
    menu->setObjectName(QStringLiteral("itemHelpMenu"));
    menu->addActions({ItemAbout, ItemHelp, ItemDiagram});
}

QToolButton* MainWindowUi::addButton(QToolBar* bar, QAction* action, const QString& buttonName,
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

void MainWindowUi::showKeyInHint(QToolBar* bar, QAction* action, const QKeySequence& key) {
    // The button takes its tooltip from the action whenever the action changes.
    const QString hint = keys::hintWithKey(action->toolTip(), key);
    action->setToolTip(hint);
    bar->widgetForAction(action)->setToolTip(hint);
}

void MainWindowUi::addEffectToHint(QToolBar* bar, QAction* action, QStringView code) {
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

void MainWindowUi::setupToolBar() {
    using namespace mainform;
    ToolBar = m_form->addToolBar(QStringLiteral("ToolBar"));
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

void MainWindowUi::setupToolBar1() {
    m_form->addToolBarBreak();
    ToolBar1 = m_form->addToolBar(QStringLiteral("ToolBar1"));
    ToolBar1->setObjectName(QStringLiteral("ToolBar1"));
    ToolBar1->setMovable(false);
    ToolBar1->setIconSize(QSize(18, 18));
    ToolBar1->setFixedHeight(29);

    // The tool bars' pictures are read while the rest of the window is made: the first line
    // edit below waits for the font database.
    QStringList pictures;
    for (const QAction* action : ToolBar->actions())
        if (const QVariant stem = action->property(PictureStem); stem.isValid())
            pictures.append(stem.toString());
    readPicturesAhead(pictures, ToolBar->iconSize().width(), m_form->devicePixelRatioF());
    pictures.clear();
    for (const EffectButton& row : EffectButtons)
        pictures.append(iconStem(row.icon));
    readPicturesAhead(pictures, ToolBar1->iconSize().width(), m_form->devicePixelRatioF());

    for (const EffectButton& row : EffectButtons) {
        const QString name = row.name.toString();
        QAction* action = makeAction(name, row.hint.toString(), row.icon.toString());
        addButton(ToolBar1, action, name, row.hint.toString());
        action->setShortcut(QKeySequence(row.key.toString(), QKeySequence::PortableText));
        showKeyInHint(ToolBar1, action, action->shortcut());
        addEffectToHint(ToolBar1, action, row.code);
        effectActions.push_back(action);
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

void MainWindowUi::setupKeys() {
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
    const QList<QAction*> menus = m_form->menuBar()->actions();
    const Qt::Key latin[] = {Qt::Key_F, Qt::Key_E, Qt::Key_O, Qt::Key_C, Qt::Key_H};
    for (qsizetype i = 0; i < menus.size() && i < qsizetype(std::size(latin)); ++i) {
        auto* shortcut = new QShortcut(QKeySequence(Qt::ALT | latin[i]), m_form);
        QAction* menu = menus[i];
        QObject::connect(shortcut, &QShortcut::activated, m_form,
                         [this, menu] { m_form->menuBar()->setActiveAction(menu); });
    }
}

void MainWindowUi::setupEditor() {
    RichEdit = new MessageEdit(m_form);
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
    m_form->setCentralWidget(RichEdit);
}

void MainWindowUi::setupStatusBar() {
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
    QStatusBar* bar = m_form->statusBar();
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

void MainWindowUi::setupTimers() {
    TimerStatus = new QTimer(m_form);
    TimerStatus->setObjectName(QStringLiteral("TimerStatus"));
    TimerStatus->setInterval(3000);

    TimerLengTXT = new QTimer(m_form);
    TimerLengTXT->setObjectName(QStringLiteral("TimerLengTXT"));
    TimerLengTXT->setInterval(1000);
    TimerLengTXT->start();
}

void MainWindowUi::setupPreviewItem() {
    itemPreview = new QAction(QStringLiteral("Просмотр"), m_form);
    itemPreview->setObjectName(QStringLiteral("itemPreview"));
    itemPreview->setCheckable(true);
    itemPreview->setIcon(QIcon(new PreviewIconEngine));
    itemPreview->setToolTip(QStringLiteral("Показать или скрыть просмотр бегущей строки"));
    m_form->findChild<QMenu*>(QStringLiteral("itemOptions"))->addAction(itemPreview);
    itemPreview->setText(keys::withMnemonic(itemPreview->text(), u'П'));
    ToolBar->addAction(itemPreview);
    auto* button = ToolBar->widgetForAction(itemPreview);
    button->setObjectName(QStringLiteral("SpeedButtonPreview"));
    button->setFocusPolicy(Qt::NoFocus);
    button->setCursor(Qt::PointingHandCursor);

    // At the right end inside the message panel, so the specified panels keep their places:
    // the codes the sign reads otherwise, and the characters whose symbol is blank.
    auto* badges = new QWidget(m_panels[2]);
    auto* row = new QHBoxLayout(badges);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(8);
    for (QLabel** count : {&StatusSurprises, &StatusBlankSymbols}) {
        *count = new QLabel(badges);
        (*count)->setStyleSheet(QStringLiteral("color: #b00000"));
        (*count)->setVisible(false);
        row->addWidget(*count);
    }
    StatusSurprises->setObjectName(QStringLiteral("StatusSurprises"));
    StatusBlankSymbols->setObjectName(QStringLiteral("StatusBlankSymbols"));
    m_surprisesBadge = new PanelBadge(m_panels[2], badges);
}

void MainWindowUi::setupFleetItem() {
#ifdef LUMETRA_HAVE_MQTT
    itemFleet = new QAction(QStringLiteral("Знаки в сети"), m_form);
    itemFleet->setObjectName(QStringLiteral("itemFleet"));
    itemFleet->setToolTip(
        QStringLiteral("Что показывают сейчас знаки, о которых знает брокер MQTT"));
    m_form->findChild<QMenu*>(QStringLiteral("itemOptions"))->addAction(itemFleet);
    itemFleet->setText(keys::withMnemonic(itemFleet->text(), u'З'));
#endif
}

void MainWindowUi::setupProgramItem() {
    itemProgram = new QAction(QStringLiteral("Программа показа"), m_form);
    itemProgram->setObjectName(QStringLiteral("itemProgram"));
    itemProgram->setToolTip(QStringLiteral(
        "Тексты по дням и часам, с приоритетами и полями, которые агент знака показывает сам"));
    m_form->findChild<QMenu*>(QStringLiteral("itemOptions"))->addAction(itemProgram);
    itemProgram->setText(keys::withMnemonic(itemProgram->text(), u'г'));
}
