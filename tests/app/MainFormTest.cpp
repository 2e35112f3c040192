#include "app/MainFormTexts.h"
#include "app/MainWindowModel.h"
#include "base/AppError.h"
#include "base/Dialogs.h"
#include "upload/PortDevicesDialog.h"

#include "MainWindowFixture.h"

#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QSignalSpy>
#include <QStatusBar>
#include <QTest>
#include <QToolBar>
#include <QToolButton>
#include <QToolTip>

#include <functional>
#include <memory>

namespace {

using Fixture = MainWindowFixture;

// A caption as shown: the text without the "&" that marks its underlined letter.
QString shown(const QString& text) {
    QString caption = text;
    const qsizetype at = caption.indexOf(QLatin1Char('&'));
    if (at >= 0)
        caption.remove(at, 1);
    return caption;
}

QStringList menuCaptions(QMenu* menu) {
    QStringList captions;
    for (QAction* a : menu->actions())
        captions << (a->isSeparator() ? QStringLiteral("-") : shown(a->text()));
    return captions;
}

// The tooltip the operator gets when resting the mouse at `at` (the window's coordinates).
QString toolTipAt(QWidget* window, const QPoint& at) {
    QToolTip::hideText();
    QWidget* target = window->childAt(at);
    const QPoint global = window->mapToGlobal(at);
    QHelpEvent event(QEvent::ToolTip, target->mapFromGlobal(global), global);
    QApplication::sendEvent(target, &event);
    return QToolTip::text();
}

} // namespace

class MainFormTest : public QObject {
    Q_OBJECT

private slots:
    void menusCarryTheirCaptionsInOrder();
    void menuStatesAtStart();
    void upperToolBarButtons();
    void effectToolBarButtons();
    void keysForCommandsAndEffects();
    void choosingTheDevicesOfThePortItems();
    void deviceDialogChecksPathsBeforeStoring();
    void signsWindowStartsAtTheCheckedBroker();
    void statusBarPanels();
    void statusToolTipShowsTheWholeLastMessage();
    void windowGeometryAndDemoText();
    void statusMessageIsClearedThreeSecondsAfterTheFirst();
    void errorBoxAddsAFullStopOnlyAfterLettersAndDigits_data();
    void errorBoxAddsAFullStopOnlyAfterLettersAndDigits();
    void whateverACommandThrowsIsShownAndTheProgramGoesOn();
    void firstStartWithoutSettings();
    void settingsAreReadExactly_data();
    void settingsAreReadExactly();
    void portAndLengthChoicesSurviveARestart();
    void menusShowTheWindowModel();
    void oversizeSettingsAreToldAtStartUp();
    void exitWritesTheSettingsTwiceWithTheSameContent();
    void unwritableSettingsOfferTheWayOut();
    void closingAnUnmodifiedTextAsksNothing();
};

void MainFormTest::menusCarryTheirCaptionsInOrder() {
    Fixture f;
    TMainForm& form = f.make();
    const QList<QAction*> menus = form.menuBar()->actions();
    QCOMPARE(menus.size(), 5);
    QCOMPARE(shown(menus[0]->text()), QStringLiteral("Файл"));
    QCOMPARE(shown(menus[1]->text()), QStringLiteral("Правка"));
    QCOMPARE(shown(menus[2]->text()), QStringLiteral("Опции"));
    // "СОМ" is Cyrillic here.
    QCOMPARE(shown(menus[3]->text()),
             QString::fromUtf8("\u0421\u041E\u041C \u041F\u043E\u0440\u0442"));
    QCOMPARE(shown(menus[4]->text()), QStringLiteral("Справка"));

    QCOMPARE(menuCaptions(menus[0]->menu()),
             (QStringList{"New", "Open", "Save AS", "Save", "-", "Exit"}));
    QCOMPARE(menuCaptions(menus[1]->menu()),
             (QStringList{"Вырезать в буфер", "Копировать в буфер", "Вставить из буфера", "Удалить",
                          "-", "Выделить все"}));
    // "Мах" is Cyrillic: М (U+041C), а (U+0430), х (U+0445).
    QStringList options{"Установить типичные параметры текста",
                        "Выбор шрифта",
                        "Добавить пробелы",
                        "-",
                        QString::fromUtf8("\u041C\u0430\u0445 длинна текта 6140 символов"),
                        QString::fromUtf8("\u041C\u0430\u0445 длинна текта 59 000 символов"),
                        "-",
                        "Просмотр"}; // ours, after the specified items
#ifdef LUMETRA_HAVE_MQTT
    options << "Знаки в сети"; // ours too, where the program has MQTT
#endif
    options << "Программа показа";
    QCOMPARE(menuCaptions(menus[2]->menu()), options);
    QStringList portMenu = menuCaptions(menus[3]->menu());
#ifdef Q_OS_WIN // Windows names its ports itself: no choice of devices
    portMenu += QStringList{"-", "Выбор устройств..."};
#endif
    QCOMPARE(portMenu,
             (QStringList{"соединить с COM 1", "соединить с COM 2", "соединить с COM 3",
                          "соединить с COM 4", "соединить с COM 5",
                          "Переслать файл во внешнее устройство", "-", "Выбор устройств..."}));
    QCOMPARE(menuCaptions(menus[4]->menu()),
             (QStringList{"О программе", "Помощь", "Схема подключения"}));

    // Assistive technology names each menu and menu item by its caption, without the mark of
    // the underlined letter that every one of them has.
    QAccessibleInterface* bar = QAccessible::queryAccessibleInterface(form.menuBar());
    for (int i = 0; i < menus.size(); ++i) {
        QCOMPARE(bar->child(i)->text(QAccessible::Name), shown(menus[i]->text()));
        QVERIFY(menus[i]->text().contains(QLatin1Char('&')));
        for (QAction* item : menus[i]->menu()->actions())
            QVERIFY2(item->isSeparator() || item->text().contains(QLatin1Char('&')),
                     qPrintable(item->text()));
    }
    for (QAction* menu : menus) {
        QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(menu->menu());
        QVERIFY(accessible);
        QStringList names;
        for (int i = 0; i < accessible->childCount(); ++i)
            if (accessible->child(i)->role() != QAccessible::Separator)
                names << accessible->child(i)->text(QAccessible::Name);
        QStringList captions = menuCaptions(menu->menu());
        captions.removeAll(QStringLiteral("-"));
        QCOMPARE(names, captions);
    }
}

void MainFormTest::menuStatesAtStart() {
    Fixture f;
    f.make();
    for (const char* name : {"itemCut", "itemCopy", "itemDel"})
        QVERIFY2(!f.action(name)->isEnabled(), name);
    for (const char* name : {"itmNew", "itemLoad", "itemSaveAS", "itemSave", "itemPaste",
                             "itemSelectalll", "ItemTX", "ItemAbout", "ItemHelp", "ItemDiagram"})
        QVERIFY2(f.action(name)->isEnabled(), name);
    QVERIFY(f.action("ItemLeng6140")->isChecked());
    QVERIFY(!f.action("itemLeng59000")->isChecked());
    QVERIFY(f.action("item1Com")->isChecked());
    for (const char* name : {"item2Com", "item3Com", "item4Com", "item5Com"})
        QVERIFY2(!f.action(name)->isChecked(), name);
        // Each port item tells which device it stands for.
#ifdef Q_OS_WIN
    QCOMPARE(f.action("item3Com")->toolTip(), QStringLiteral("COM3"));
    QCOMPARE(f.action("item3Com")->statusTip(), QStringLiteral("COM3"));
#else
    QCOMPARE(f.action("item3Com")->toolTip(), QStringLiteral("/dev/ttyS2"));
    QCOMPARE(f.action("item3Com")->statusTip(), QStringLiteral("/dev/ttyS2"));
#endif
}

void MainFormTest::upperToolBarButtons() {
    Fixture f;
    TMainForm& form = f.make();
    struct Expected {
        const char* name;
        QString hint;
        bool enabled;
    };
    // Save is enabled by start-up (the window is designed with it disabled).
    const Expected expected[] = {
        {"SpeedButtonNew", QString::fromUtf8("C\u043Eздать новый файл"), true},
        {"SpeedButtonOpen", "открыть  файл", true},
        {"SpeedButtonSaveAS", "Записать  файл как...", true},
        {"SpeedButtonSave", "сохранить  файл", true},
        {"SpeedButtonSelectAll", "Выбрать весь текст", true},
        {"SpeedButtonCut", "Вырезать в буфер", false},
        {"SpeedButtonCopy", "Копировать в буфер", false},
        {"SpeedButtonPaste", "Вставить из буфера", true},
        {"SpeedButtonDel", "Удалить ", false},
        {"SpeedButtonToRus", "Привести текст в стандарт ", true},
        {"SpeedButtonTx", "загрузить файл во внешнее устройство", true},
        {"SpeedButtonZg", "Открыть знаконератор ", true},
        {"SpeedButtonAbout", "О программе", true},
    };
    QStringList order;
    for (QAction* a : form.ToolBar->actions())
        if (!a->isSeparator())
            order << form.ToolBar->widgetForAction(a)->objectName();
    QStringList expectedOrder;
    for (const auto& e : expected)
        expectedOrder << QString::fromLatin1(e.name);
    expectedOrder << QStringLiteral("SpeedButtonPreview"); // ours, after the specified ones
    QCOMPARE(order, expectedOrder);

    for (const auto& e : expected) {
        QToolButton* b = f.button(e.name);
        QVERIFY2(b, e.name);
        QVERIFY2(b->toolTip().startsWith(e.hint), e.name);
        QCOMPARE(b->accessibleName(), e.hint);
        QCOMPARE(b->isEnabled(), e.enabled);
        QCOMPARE(b->cursor().shape(), Qt::PointingHandCursor);
        QVERIFY2(!b->icon().isNull(), e.name);
    }
    // The "C" of "Cоздать" is Latin.
    QCOMPARE(f.button("SpeedButtonNew")->toolTip().at(0).unicode(), u'C');

    // Pictures are read when first drawn, and drawn as their files are, disabled ones greyed.
    const QIcon lazy = f.button("SpeedButtonTx")->icon();
    for (const qreal scale : {1.0, 2.0}) {
        const QIcon direct(QPixmap(QStringLiteral(":/icons/upload-%1.png").arg(20 * scale), "PNG"));
        for (const QIcon::Mode mode : {QIcon::Normal, QIcon::Disabled})
            QCOMPARE(lazy.pixmap(QSize(20, 20), scale, mode).toImage(),
                     direct.pixmap(QSize(20, 20), scale, mode).toImage());
    }
}

void MainFormTest::effectToolBarButtons() {
    Fixture f;
    TMainForm& form = f.make();
    const std::pair<const char*, QString> expected[] = {
        {"SpeedButtonUst0", "Вставка эффекта Скорости"},
        {"SpeedButtonUst1", "Вставка эффекта  Скорости"},
        {"SpeedButtonUst2", "Вставка эффекта Скорости"},
        {"SpeedButtonUst5", "Вставка эффекта Скорости"},
        {"SpeedButtoSpeedUst1", "Вставка эффекта Скорости"},
        {"SpeedButtonWait1", "Вставка задержки короткой"},
        {"SpeedButtonWait3", "Вставка  задержки средней"},
        {"SpeedButtonWait5", "Вставка  задержки  длинной"},
        {"SpeedButtonCl", "Вставка эффекта очистки"},
        {"SpeedButtonFill", "Вставка эффекта заполнения"},
        {"SpeedButtonUp", "Вставка эффекта уход вворх"},
        {"SpeedButtonDown", "Вставка эффекта уход вниз"},
        {"SpeedButtonRazb", "Вставка эффекта разбежки в разные стороны"},
        {"SpeedButtonInv", "Вставка эффекта инверсии"},
        {"SpeedButton1", "Устранение эффекта инверсии"},
    };
    QStringList order;
    for (QAction* a : form.ToolBar1->actions())
        if (!a->isSeparator() && a->isVisible())
            order << form.ToolBar1->widgetForAction(a)->objectName();
    QCOMPARE(order.size(), 15);
    for (int i = 0; i < 15; ++i) {
        QCOMPARE(order[i], QString::fromLatin1(expected[i].first));
        QToolButton* b = f.button(expected[i].first);
        QVERIFY(b->toolTip().startsWith(expected[i].second + QStringLiteral(" (")));
        QCOMPARE(b->accessibleName(), expected[i].second);
        QCOMPARE(b->focusPolicy(), Qt::NoFocus);
    }
    QVERIFY(form.EditInsert);
    QVERIFY(!form.EditInsert->isVisibleTo(&form));
}

void MainFormTest::keysForCommandsAndEffects() {
    Fixture f;
    TMainForm& form = f.make();
    const std::pair<const char*, const char*> shortcuts[] = {
        {"itmNew", "Ctrl+N"},
        {"itemLoad", "Ctrl+O"},
        {"itemSave", "Ctrl+S"},
        {"itemSaveAS", "Ctrl+Shift+S"},
        {"itemClose", "Ctrl+Q"},
        {"itemSelectalll", "Ctrl+A"},
        {"itemCut", "Ctrl+X"},
        {"itemCopy", "Ctrl+C"},
        {"itemPaste", "Ctrl+V"},
        {"ItemHelp", "F1"},
        {"ItemTX", "Ctrl+T"},
        // Effects: Alt+1..8 for the speeds and waits, Ctrl+Shift and the code's letter.
        {"SpeedButtonUst0", "Alt+1"},
        {"SpeedButtoSpeedUst1", "Alt+5"},
        {"SpeedButtonWait1", "Alt+6"},
        {"SpeedButtonWait5", "Alt+8"},
        {"SpeedButtonCl", "Ctrl+Shift+Q"},
        {"SpeedButtonRazb", "Ctrl+Shift+J"},
        {"SpeedButton1", "Ctrl+Shift+N"},
    };
    QSet<QKeySequence> seen;
    for (const auto& [name, key] : shortcuts) {
        QCOMPARE(f.action(name)->shortcut(), QKeySequence(QString::fromLatin1(key)));
        seen.insert(f.action(name)->shortcut());
    }
    QCOMPARE(seen.size(), qsizetype(std::size(shortcuts)));
    // A button shows its key after the hint; the save and upload buttons show their menu's.
    QCOMPARE(f.button("SpeedButtonTx")->toolTip(),
             QStringLiteral("загрузить файл во внешнее устройство (%1)")
                 .arg(QKeySequence("Ctrl+T").toString(QKeySequence::NativeText)));
    QVERIFY(f.button("SpeedButtonSave")
                ->toolTip()
                .endsWith(QKeySequence("Ctrl+S").toString(QKeySequence::NativeText) + ')'));

    // An effect key inserts its code at the caret, as the button does.
    form.show();
    QApplication::setActiveWindow(&form);
    QVERIFY(QTest::qWaitForWindowActive(&form));
    form.RichEdit->setFocus();
    form.RichEdit->setPlainText(QString());
    QTest::keyClick(form.RichEdit, Qt::Key_3, Qt::AltModifier);
    QTest::keyClick(form.RichEdit, Qt::Key_J, Qt::ControlModifier | Qt::ShiftModifier);
    QCOMPARE(form.RichEdit->toPlainText(), QStringLiteral("/S3/J1"));
}

void MainFormTest::choosingTheDevicesOfThePortItems() {
    Fixture f;
    TMainForm& form = f.make();
    const std::vector<serialdevices::Device> present = {
        {"/dev/serial/by-id/usb-FTDI_FT232R-if00-port0", "FTDI FT232R (ttyUSB0)"},
        {"/dev/ttyS0", "ttyS0"},
    };
    const PortDevicesDialog::Choice current = {"/dev/ttyS0", "/dev/pts/7", "/dev/ttyS2",
                                               "/dev/ttyS3", "/dev/ttyS4"};
    PortDevicesDialog dialog(present, current, 0, f.dialogs);
    QCOMPARE(dialog.ListDevices->count(), 2);
    QCOMPARE(
        dialog.ListDevices->item(0)->text(),
        QStringLiteral("FTDI FT232R (ttyUSB0) — /dev/serial/by-id/usb-FTDI_FT232R-if00-port0"));
    QCOMPARE(dialog.ListDevices->item(1)->text(), QStringLiteral("/dev/ttyS0"));
    // Each item shows what it stands for now, listed or not (a pseudo-terminal).
    QCOMPARE(dialog.ComboCom[0]->currentText(), QStringLiteral("/dev/ttyS0"));
    QCOMPARE(dialog.ComboCom[1]->currentText(), QStringLiteral("/dev/pts/7"));
    QCOMPARE(dialog.choice(), current);
    dialog.ComboCom[0]->setCurrentIndex(0);
    dialog.ComboCom[2]->setEditText(QStringLiteral("  /tmp/sign-tty "));
    dialog.ComboCom[3]->setEditText(QString()); // emptied: keeps its device
    const PortDevicesDialog::Choice chosen = dialog.choice();
    QCOMPARE(chosen, (PortDevicesDialog::Choice{"/dev/serial/by-id/usb-FTDI_FT232R-if00-port0",
                                                "/dev/pts/7", "/tmp/sign-tty", "/dev/ttyS3",
                                                "/dev/ttyS4"}));

    // Stored in PortMap, read back by the port items and shown in their tooltips.
    form.savePortMap(chosen);
    for (int n = 1; n <= 5; ++n) {
        QCOMPARE(form.portDevice(n), chosen[n - 1]);
        QCOMPARE(form.itemCom[n - 1]->toolTip(), chosen[n - 1]);
    }
    QCOMPARE(TMainForm(f.dialogs, f.serial, f.font).itemCom[2]->toolTip(),
             QStringLiteral("/tmp/sign-tty"));

    // Items sharing one unlabelled device all show its path; the menu's item is marked.
    const QString pty = QStringLiteral("/dev/pts/9");
    PortDevicesDialog shared({{pty.toStdString(), ""}}, {pty, pty, pty, pty, pty}, 3, f.dialogs);
    for (int n = 0; n < 5; ++n) {
        QCOMPARE(shared.ComboCom[n]->currentText(), pty);
        QCOMPARE(shared.LabelCom[n]->text(),
                 n == 2 ? QStringLiteral("COM 3 (выбран):") : QStringLiteral("COM %1:").arg(n + 1));
    }

    // The menu item's handler: the dialog starts with the stored devices; OK stores the choice.
    QString shownForCom3;
    f.dialogs.dialogAnswers.push_back([&](QDialog& shown) {
        auto& open = dynamic_cast<PortDevicesDialog&>(shown);
        shownForCom3 = open.ComboCom[2]->currentText();
        open.ComboCom[4]->setEditText(QStringLiteral("/tmp/other-tty"));
        open.accept();
        return open.result() == QDialog::Accepted;
    });
    form.itemDevicesClick();
    QCOMPARE(shownForCom3, QStringLiteral("/tmp/sign-tty"));
    QCOMPARE(form.portDevice(5), QStringLiteral("/tmp/other-tty"));
    // Cancelled, nothing is stored.
    f.dialogs.dialogAnswers.push_back([](QDialog& shown) {
        dynamic_cast<PortDevicesDialog&>(shown).ComboCom[4]->setEditText(QStringLiteral("/x"));
        return false;
    });
    form.itemDevicesClick();
    QCOMPARE(form.portDevice(5), QStringLiteral("/tmp/other-tty"));
}

// The checked port's broker, when it is one, is where the window looks; else the operator types.
void MainFormTest::signsWindowStartsAtTheCheckedBroker() {
#ifdef LUMETRA_HAVE_MQTT
    const std::pair<QByteArray, QString> cases[] = {
        {"COM 2=mqtt://shop@127.0.0.1:1884/shop-1", "mqtt://shop@127.0.0.1:1884/shop-1"},
        {"COM 2=/dev/ttyUSB0", ""},
    };
    for (const auto& [device, address] : cases) {
        Fixture f("[ComPort]\r\nAktive=COM 2\r\n[PortMap]\r\n" + device + "\r\n");
        TMainForm& form = f.make();
        QString shown;
        f.dialogs.dialogAnswers.push_back([&](QDialog& window) {
            shown = window.findChild<QLineEdit*>(QStringLiteral("EditBroker"))->text();
            return false;
        });
        form.itemFleet->trigger();
        QCOMPARE(f.dialogs.log.value(0), QStringLiteral("dialog: FormSigns"));
        QCOMPARE(shown, address);
    }
#else
    QSKIP("built without MQTT");
#endif
}

// Nothing of the port map is written unless every path can be stored as given.
void MainFormTest::deviceDialogChecksPathsBeforeStoring() {
    const std::tuple<QString, bool, QString> cases[] = {
        {"/dev/pts/7\n[ComPort]", false, "COM 3: в пути к устройству есть перевод строки"},
        {"/dev/pts/7\r[x]", false, "COM 3: в пути к устройству есть перевод строки"},
        {"/tmp/знак✓😀✓", false,
         "COM 3: в пути к устройству есть символы вне кодировки Windows-1251 (✓😀)"},
        {"/nowhere/tty", true, "Такого устройства сейчас нет."},
        {"present", true, {}},
        {"socket://sign.local", false, "COM 3: адрес не годится (the port number is missing"},
        {"rfc2217://sign.local:2217", true, {}}, // a URL is no file, so nothing is missing
    };
    for (const auto& [typed, stored, warning] : cases) {
        Fixture f(QByteArray("[ComPort]\r\nAktive=COM 3\r\n"));
        f.sandbox.write(QStringLiteral("present"), "");
        const QString path = typed == "present" ? f.sandbox.path(typed) : typed;
        TMainForm& form = f.make();
        const QByteArray before = f.sandbox.read(QStringLiteral("config/Kesmar.ini"));
        f.dialogs.dialogAnswers.push_back([&](QDialog& shown) {
            auto& open = dynamic_cast<PortDevicesDialog&>(shown);
            open.ComboCom[2]->setEditText(path);
            open.accept();
            return open.result() == QDialog::Accepted;
        });
        form.itemDevicesClick();
        const QString warned = f.dialogs.texts(QStringLiteral("warning")).value(0);
        QVERIFY2(warning.isEmpty() ? warned.isEmpty() : warned.startsWith(warning),
                 qPrintable(warned));
        QVERIFY(stored ? form.portDevice(3) == path
                       : f.sandbox.read(QStringLiteral("config/Kesmar.ini")) == before);
    }
}

void MainFormTest::statusBarPanels() {
    Fixture f;
    TMainForm& form = f.make();
    const struct {
        int width;
        Qt::Alignment horizontal;
        QString text;
    } expected[] = {
        {200, Qt::AlignLeft, "Длинна текста 0000 символов"},
        {200, Qt::AlignHCenter, "Время передачи 00 сек"},
        {150, Qt::AlignHCenter, "2"},
    };
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    for (int i = 0; i < 3; ++i) {
        QLabel* panel = form.m_panels[i];
        if (i < 2)
            QCOMPARE(panel->width(), expected[i].width);
        else
            QCOMPARE(panel->minimumWidth(), expected[i].width);
        QCOMPARE(panel->alignment() & Qt::AlignHorizontal_Mask, expected[i].horizontal);
        QCOMPARE(form.panelText(i), expected[i].text);
        // Assistive technology reads what the panel shows.
        QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(panel);
        QVERIFY(accessible);
        QCOMPARE(accessible->text(QAccessible::Name), expected[i].text);
    }
    QCOMPARE(form.TimerStatus->interval(), 3000);
    QCOMPARE(form.TimerLengTXT->interval(), 1000);
    QVERIFY(form.TimerLengTXT->isActive());
    QVERIFY(!form.TimerStatus->isActive());

    // The message panel takes the rest of the bar, so a wider window shows long messages whole.
    QLabel* message = form.m_panels[2];
    QVERIFY(message->geometry().right() >= form.statusBar()->width() - 40);
    form.resize(900, 440);
    QTRY_VERIFY(message->width() > 250);
    for (const char* text : {" COM Порт не удалось открыть!", "Не могу сконфигурировать порт",
                             "Чтение файла: Объявления на вокзале.txt"}) {
        form.StatusBarHelp(QString::fromUtf8(text));
        QVERIFY2(message->fontMetrics().horizontalAdvance(message->text()) <=
                     message->contentsRect().width(),
                 text);
    }
    // A narrow window keeps the panel at its own width at least.
    form.resize(300, 440);
    QTRY_COMPARE(message->width(), 150);
}

void MainFormTest::statusToolTipShowsTheWholeLastMessage() {
    Fixture f;
    TMainForm& form = f.makeShown(); // the default size; the demo text's "/С1" is counted
    QLabel* message = form.m_panels[2];
    const auto* count = form.findChild<QLabel*>(QStringLiteral("StatusSurprises"));
    QTRY_VERIFY(count->isVisible());
    // The text's place and the count's are apart; each shows its own tooltip.
    const QRect countRect(count->mapTo(&form, QPoint()), count->size());
    const QRect textRect(message->mapTo(&form, message->contentsRect().topLeft()),
                         message->contentsRect().size());
    QVERIFY(!textRect.intersects(countRect));
    QVERIFY(count->toolTip().endsWith(QStringLiteral(": 1")));
    const QString messages[] = {QStringLiteral(" COM Порт не удалось открыть!"),
                                QStringLiteral("Очистка рабочего пространства..."),
                                QStringLiteral("Чтение файла: Объявления на вокзале.txt")};
    for (const QString& text : messages) {
        form.StatusBarHelp(text);
        QVERIFY2(message->fontMetrics().horizontalAdvance(text) > textRect.width(),
                 "the message fits: the tooltip is not needed for it");
        QCOMPARE(toolTipAt(&form, textRect.center()), text);
        QCOMPARE(toolTipAt(&form, countRect.center()), count->toolTip());
    }
    // Blanked by the timer, the message is still there to be read.
    form.TimerStatusTimer();
    QCOMPARE(form.panelText(2), QStringLiteral(" "));
    QCOMPARE(toolTipAt(&form, textRect.center()), messages[2]);
    QToolTip::hideText();
}

void MainFormTest::windowGeometryAndDemoText() {
    Fixture f;
    TMainForm& form = f.make();
    QCOMPARE(form.pos(), QPoint(195, 109));
    QCOMPARE(form.size(), QSize(592, 440));
    const QStringList lines = form.RichEdit->toPlainText().split(QLatin1Char('\n'));
    QCOMPARE(lines.size(), 8);
    QCOMPARE(lines[0], QStringLiteral("               Demo File"));
    QCOMPARE(lines[1], QString(11, QLatin1Char(' ')));
    QCOMPARE(lines[3], QStringLiteral("   W=Wait   задержка  1 сек   /W1       "));
    // The code letter of line 5 is the Cyrillic capital Es.
    QCOMPARE(lines[4], QString::fromUtf8("   C=Clear    очистка          /\u04211       "));
    QCOMPARE(lines[7], QStringLiteral("   D=Down  сдвиг вниз   /D1   "));
    QVERIFY(form.RichEdit->font().bold());
    // A window frame is handed three sizes to choose from; any other is still drawn from its own
    // picture.
    QCOMPARE(form.windowIcon().availableSizes(), (QList<QSize>{{16, 16}, {32, 32}, {48, 48}}));
    QCOMPARE(form.windowIcon().pixmap(24).toImage(),
             QIcon(QPixmap(QStringLiteral(":/icons/lumetra-24.png"), "PNG")).pixmap(24).toImage());
}

void MainFormTest::statusMessageIsClearedThreeSecondsAfterTheFirst() {
    Fixture f;
    TMainForm& form = f.make();
    form.StatusBarHelp(QStringLiteral("first"));
    QCOMPARE(form.panelText(2), QStringLiteral("first"));
    QVERIFY(form.TimerStatus->isActive());
    const int countdown = form.TimerStatus->timerId();

    // Two seconds later: the second message does not restart the countdown...
    form.StatusBarHelp(QStringLiteral("second"));
    QCOMPARE(form.panelText(2), QStringLiteral("second"));
    QCOMPARE(form.TimerStatus->timerId(), countdown);

    // ...so the tick due three seconds after the first clears it, one second after it appeared.
    form.TimerStatusTimer();
    QCOMPARE(form.panelText(2), QStringLiteral(" "));
    QVERIFY(!form.TimerStatus->isActive());

    // A message after the tick arms the timer afresh.
    form.StatusBarHelp(QStringLiteral("third"));
    QVERIFY(form.TimerStatus->isActive());
}

void MainFormTest::errorBoxAddsAFullStopOnlyAfterLettersAndDigits_data() {
    QTest::addColumn<QString>("failure");
    QTest::addColumn<QString>("shown");
    QTest::newRow("latin") << "File not found"
                           << "File not found.";
    QTest::newRow("path") << "Cannot open file .\\User.txt"
                          << "Cannot open file .\\User.txt.";
    QTest::newRow("digit") << "I/O error 32"
                           << "I/O error 32.";
    QTest::newRow("cyrillic") << "Нет файла"
                              << "Нет файла.";
    QTest::newRow("slash above the stop") << "a/"
                                          << "a/.";
    QTest::newRow("stop itself") << "Done."
                                 << "Done.";
    QTest::newRow("hyphen below") << "end -"
                                  << "end -";
    QTest::newRow("blank below") << "gap "
                                 << "gap ";
    QTest::newRow("empty") << ""
                           << "";
}

void MainFormTest::errorBoxAddsAFullStopOnlyAfterLettersAndDigits() {
    QFETCH(QString, failure);
    QFETCH(QString, shown);
    QCOMPARE(errorBoxText(failure), shown);
}

void MainFormTest::whateverACommandThrowsIsShownAndTheProgramGoesOn() {
    Fixture f;
    TMainForm& form = f.make();
    const std::pair<std::function<void()>, QString> cases[] = {
        {[] { throw AppError("Cannot open file a.txt"); }, "Cannot open file a.txt."},
        {[] { throw std::runtime_error("filesystem error"); }, "filesystem error."},
        {[] { throw std::bad_alloc(); }, "std::bad_alloc."},
        {[] { throw 42; }, "Непредвиденная ошибка."},
    };
    for (const auto& [command, shown] : cases) {
        f.dialogs.log.clear();
        QVERIFY(!form.runCommand(command));
        QCOMPARE(f.dialogs.log, QStringList{"error: " + shown});
    }
    QVERIFY(form.runCommand([] {}));
    QCOMPARE(f.dialogs.log.size(), 1);
}

void MainFormTest::firstStartWithoutSettings() {
    Fixture f;
    TMainForm& form = f.make();
    QVERIFY(f.action("item1Com")->isChecked());
    QVERIFY(f.action("ItemLeng6140")->isChecked());
    QCOMPARE(form.windowTitle(),
             QStringLiteral("Загрузчик для бегущей строки V2.9   File: Tmp.txt"));
    QVERIFY(form.RichEdit->toPlainText().startsWith(QStringLiteral("               Demo File")));
    QVERIFY(f.button("SpeedButtonSave")->isEnabled());
    QVERIFY(f.dialogs.log.isEmpty());
    QVERIFY(!f.sandbox.exists(QStringLiteral("config/Kesmar.ini")));
}

void MainFormTest::settingsAreReadExactly_data() {
    QTest::addColumn<QByteArray>("ini");
    QTest::addColumn<int>("port");
    QTest::addColumn<bool>("longLimit");
    QTest::addColumn<QString>("caption");
    QTest::newRow("both recognised")
        << QByteArray("[ComPort]\r\nAktive=COM 4\r\n[Option]\r\nMax leng=59 000\r\n") << 4 << true
        << "Tmp.txt";
    QTest::newRow("59000 without the blank")
        << QByteArray("[Option]\r\nMax leng=59000\r\n[ComPort]\r\nAktive=COM 2\r\n") << 2 << false
        << "Tmp.txt";
    QTest::newRow("COM1 without the blank")
        << QByteArray("[ComPort]\r\nAktive=COM1\r\n[Option]\r\nMax leng=6 140\r\n") << 1 << false
        << "Tmp.txt";
    QTest::newRow("letter case counts in values")
        << QByteArray("[ComPort]\r\nAktive=com 3\r\n") << 1 << false << "Tmp.txt";
    QTest::newRow("path to a missing file")
        << QByteArray("[LastFile]\r\nPath=C:\\Msg\\news.txt\r\n[ComPort]\r\nAktive=COM 5\r\n") << 5
        << false << "news.txt";
}

void MainFormTest::settingsAreReadExactly() {
    QFETCH(QByteArray, ini);
    QFETCH(int, port);
    QFETCH(bool, longLimit);
    QFETCH(QString, caption);
    Fixture f;
    f.sandbox.write(QStringLiteral("config/Kesmar.ini"), ini);
    TMainForm& form = f.make();
    for (int n = 1; n <= 5; ++n)
        QCOMPARE(form.itemCom[n - 1]->isChecked(), n == port);
    QCOMPARE(form.itemLeng59000->isChecked(), longLimit);
    QCOMPARE(form.ItemLeng6140->isChecked(), !longLimit);
    QVERIFY(form.windowTitle().endsWith(QStringLiteral("File: ") + caption));
    // A missing last file keeps the demo text.
    QVERIFY(form.RichEdit->toPlainText().contains(QStringLiteral("Demo File")));

    // The next save writes the values the program understands.
    form.SaveIniFile();
    const QByteArray saved = f.sandbox.read(QStringLiteral("config/Kesmar.ini"));
    QVERIFY(saved.contains("Aktive=COM " + QByteArray::number(port)));
    QVERIFY(saved.contains(longLimit ? "Max leng=59 000" : "Max leng=6 140"));
}

void MainFormTest::oversizeSettingsAreToldAtStartUp() {
    QByteArray ini("[ComPort]\r\nAktive=COM 4\r\n");
    ini.resize(IniFile::MaxFileBytes + 1, '\n');
    Fixture f(ini);
    TMainForm& form = f.make();
    QVERIFY(form.itemCom[0]->isChecked());
    QCOMPARE(form.panelText(2), mainform::SettingsTooLarge.toString().arg(
                                    QDir::toNativeSeparators(f.sandbox.settingsPath())));
}

void MainFormTest::portAndLengthChoicesSurviveARestart() {
    Fixture f;
    {
        TMainForm& form = f.make();
        form.item3ComClick();
        form.itemLeng59000Click();
        form.SaveIniFile();
    }
    TMainForm& again = f.make();
    QVERIFY(again.itemCom[2]->isChecked());
    QVERIFY(!again.itemCom[0]->isChecked());
    QVERIFY(again.itemLeng59000->isChecked());
    QVERIFY(!again.ItemLeng6140->isChecked());
    QCOMPARE(f.sandbox.read(QStringLiteral("config/Kesmar.ini")),
             QByteArray("[ComPort]\r\nAktive=COM 3\r\n[LastFile]\r\nPath=.\\Tmp.txt\r\n"
                        "[Option]\r\nMax leng=59 000\r\n"));
}

// Each change of the model is told once and the menus follow it, whoever makes it; a click on
// the checked item keeps it checked, and no port at all checks no item and stores none.
void MainFormTest::menusShowTheWindowModel() {
    Fixture f;
    TMainForm& form = f.make();
    MainWindowModel& model = form.model();
    QSignalSpy ports(&model, &MainWindowModel::portChanged);
    QSignalSpy limits(&model, &MainWindowModel::longLimitChanged);
    QSignalSpy previews(&model, &MainWindowModel::previewShownChanged);
    const struct {
        const char* step;
        std::function<void()> act;
        const char* checkedPorts;
        bool longLimit;
        int told; // port, limit and preview changes told so far, as digits
    } steps[] = {
        {"item3Com", [&] { form.itemCom[2]->trigger(); }, "3", false, 100},
        {"item3Com again", [&] { form.itemCom[2]->trigger(); }, "3", false, 100},
        {"itemLeng59000", [&] { form.itemLeng59000->trigger(); }, "3", true, 110},
        {"itemLeng59000 again", [&] { form.itemLeng59000->trigger(); }, "3", true, 110},
        {"port 5 set", [&] { model.setPort(5); }, "5", true, 210},
        {"port 9 set", [&] { model.setPort(9); }, "", true, 310},
        {"short limit set", [&] { model.setLongLimit(false); }, "", false, 320},
        {"preview set", [&] { model.setPreviewShown(true); }, "", false, 321},
        {"preview set again", [&] { model.setPreviewShown(true); }, "", false, 321},
    };
    for (const auto& s : steps) {
        s.act();
        QString checked;
        for (int n = 1; n <= 5; ++n)
            if (form.itemCom[n - 1]->isChecked())
                checked += QString::number(n);
        QCOMPARE(checked, QString::fromLatin1(s.checkedPorts));
        QVERIFY2(form.itemLeng59000->isChecked() == s.longLimit, s.step);
        QVERIFY2(form.ItemLeng6140->isChecked() == !s.longLimit, s.step);
        QCOMPARE(ports.size() * 100 + limits.size() * 10 + previews.size(), s.told);
    }
    QCOMPARE(model.port(), MainWindowModel::NoPort);
    QVERIFY(form.itemPreview->isChecked() && form.preview());
    form.SaveIniFile();
    QVERIFY(f.sandbox.read(QStringLiteral("config/Kesmar.ini")).contains("Aktive=COM 3\r\n"));
}

void MainFormTest::exitWritesTheSettingsTwiceWithTheSameContent() {
    Fixture f;
    TMainForm& form = f.make();
    form.show();
    form.itemCloseClick();
    QVERIFY(!form.isVisible());
    const QByteArray afterExit = f.sandbox.read(QStringLiteral("config/Kesmar.ini"));
    QVERIFY(afterExit.contains("Aktive=COM 1"));
    QVERIFY(afterExit.contains("Path=.\\Tmp.txt"));
    QVERIFY(afterExit.contains("Max leng=6 140"));
    QCOMPARE(form.panelText(2), QStringLiteral("Выход из программы..."));
    // Writing again changes nothing.
    form.SaveIniFile();
    QCOMPARE(f.sandbox.read(QStringLiteral("config/Kesmar.ini")), afterExit);
}

void MainFormTest::unwritableSettingsOfferTheWayOut() {
    const QString leave = QStringLiteral("Не удалось сохранить настройки. Выйти без сохранения?");
    enum class Place { Folder, ReadOnly, OverTheCap };
    for (const Place place : {Place::Folder, Place::ReadOnly, Place::OverTheCap}) {
        Fixture f;
        TMainForm& form = f.make();
        form.show();
        const QString ini = f.sandbox.settingsPath();
        if (place == Place::Folder) {
            QDir().mkpath(ini);
        } else {
            f.sandbox.write(QStringLiteral("config/Kesmar.ini"), "[ComPort]\r\nAktive=COM 2\r\n");
            if (place == Place::ReadOnly)
                QFile::setPermissions(ini, QFile::ReadOwner);
            else
                QFile(ini).resize(16 * 1024 * 1024 + 1); // sparse: costs no disk
        }
        const auto fingerprint = [&] {
            const QFileInfo info(ini);
            return QStringLiteral("%1 %2 %3")
                .arg(info.isDir())
                .arg(info.size())
                .arg(QString::fromLatin1(
                    f.sandbox.read(QStringLiteral("config/Kesmar.ini")).left(64)));
        };
        const QString before = fingerprint();
        const QString error = QStringLiteral("Unable to write to ") +
                              QDir::toNativeSeparators(ini) +
                              (place == Place::OverTheCap
                                   ? QLatin1Char('\n') + QString::fromUtf8(IniFile::TooLargeReason)
                                   : QStringLiteral("."));
        form.RichEdit->setPlainText(QStringLiteral("typed"));
        form.RichEdit->document()->setModified(true);

        // No: the operator stays to mend the cause.
        f.dialogs.answers = {false};
        form.close();
        QVERIFY(form.isVisible());
        QCOMPARE(f.dialogs.log, (QStringList{"error: " + error, "ask: " + leave}));

        // Exit tells it once, too; Yes leaves, and the text prompt still saves the text.
        f.dialogs.log.clear();
        f.dialogs.answers = {true, true};
        form.itemClose->trigger();
        QVERIFY(!form.isVisible());
        QCOMPARE(f.dialogs.log, (QStringList{"error: " + error, "ask: " + leave,
                                             "ask: Записать файл <.\\Tmp.txt> ?"}));
        QCOMPARE(f.sandbox.read(QStringLiteral("Tmp.txt")), QByteArray("typed"));
        QCOMPARE(fingerprint(), before);
    }
}

void MainFormTest::closingAnUnmodifiedTextAsksNothing() {
    Fixture f;
    TMainForm& form = f.make();
    form.show();
    form.close();
    QVERIFY(!form.isVisible());
    QVERIFY(f.dialogs.texts(QStringLiteral("ask")).isEmpty());
}

QTEST_MAIN(MainFormTest)
#include "MainFormTest.moc"
