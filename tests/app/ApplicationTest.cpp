#include "app/Application.h"
#include "app/MainForm.h"
#include "editor/MessageEdit.h"
#include "font/FormZg.h"
#include "info/AboutForm.h"
#include "info/DiagramForm.h"
#include "info/HelpForm.h"

#include "FakeSerialLink.h"
#include "FakeSystemInfo.h"
#include "Sandbox.h"
#include "ScriptedDialogs.h"

#include <QApplication>
#include <QDialog>
#include <QTest>
#include <QTimer>

namespace {

std::unique_ptr<Application> makeApplication(ScriptedDialogs*& dialogs,
                                             FakeSerialLink** serial = nullptr) {
    Application::Services services;
    auto scripted = std::make_unique<ScriptedDialogs>();
    dialogs = scripted.get();
    services.dialogs = std::move(scripted);
    auto fake = std::make_unique<FakeSerialLink>();
    if (serial)
        *serial = fake.get();
    services.serial = std::move(fake);
    services.systemInfo = std::make_unique<FakeSystemInfo>();
    services.shell = std::make_unique<FakeShellOpen>();
    return std::make_unique<Application>(std::move(services));
}

} // namespace

class ApplicationTest : public QObject {
    Q_OBJECT

private slots:
    void startUpLoadsTheLastTextAndTheLastFont();
    void eachHandlerShowsItsWindowModally();
    void theFontEditorCannotCloseDuringAnUpload();
};

void ApplicationTest::startUpLoadsTheLastTextAndTheLastFont() {
    Sandbox sandbox;
    sandbox.write(QStringLiteral("news.txt"), "Line one\r\nLine two");
    QByteArray font(2048, '\0');
    font[8 * 65] = '\x7F';
    sandbox.write(QStringLiteral("fonts/My.zg"), font);
    sandbox.write(QStringLiteral("config/Kesmar.ini"),
                  "[LastFile]\r\nPath=.\\news.txt\r\n[ZgLastFile]\r\nMesto=fonts\\My.zg\r\n");

    ScriptedDialogs* dialogs = nullptr;
    auto app = makeApplication(dialogs);
    TMainForm& main = app->mainForm();
    QCOMPARE(main.RichEdit->toPlainText(), QStringLiteral("Line one\nLine two"));
    QCOMPARE(main.windowTitle(),
             QStringLiteral("Загрузчик для бегущей строки V2.9   File: news.txt"));
    QCOMPARE(main.panelText(2), QStringLiteral("Чтение файла: news.txt"));
    QCOMPARE(app->font().FontTable[8 * 65], 0x7F);
    QCOMPARE(app->fontEditor().windowTitle(), QStringLiteral("Редактор шрифта: My.zg"));

    // All four secondary windows exist from the start, hidden, and belong to the main window.
    const QList<QWidget*> windows = {&app->aboutForm(), &app->helpForm(), &app->diagramForm(),
                                     &app->fontEditor()};
    for (QWidget* window : windows) {
        QCOMPARE(window->parentWidget(), &main);
        QVERIFY(!window->isVisible());
    }
    QCOMPARE(app->aboutForm().windowTitle(), QStringLiteral("О программе"));
    QCOMPARE(app->helpForm().windowTitle(), QStringLiteral("Справка"));
    QCOMPARE(app->diagramForm().windowTitle(), QStringLiteral("Схема подключения"));
    QVERIFY(dialogs->log.isEmpty());
}

void ApplicationTest::eachHandlerShowsItsWindowModally() {
    Sandbox sandbox;
    ScriptedDialogs* dialogs = nullptr;
    auto app = makeApplication(dialogs);
    TMainForm& main = app->mainForm();
    main.show();

    struct Case {
        void (TMainForm::*handler)();
        QDialog* window;
    };
    const Case cases[] = {
        {&TMainForm::itemAboutClick, &app->aboutForm()},
        {&TMainForm::ItemHelpClick, &app->helpForm()},
        {&TMainForm::ItemDiagramClick, &app->diagramForm()},
        {&TMainForm::SpeedButtonZgClick, &app->fontEditor()},
    };
    for (const Case& c : cases) {
        QWidget* seen = nullptr;
        QTimer::singleShot(0, &main, [&] {
            seen = QApplication::activeModalWidget();
            c.window->accept();
        });
        (main.*c.handler)();
        QCOMPARE(seen, static_cast<QWidget*>(c.window));
        QVERIFY(!c.window->isVisible());
    }
}

void ApplicationTest::theFontEditorCannotCloseDuringAnUpload() {
    Sandbox sandbox;
    ScriptedDialogs* dialogs = nullptr;
    FakeSerialLink* serial = nullptr;
    auto app = makeApplication(dialogs, &serial);
    TFormZg& editor = app->fontEditor();
    editor.show();

    // The operator tries to close the editor while the font is on its way.
    bool visibleDuringWrite = false;
    serial->duringWrite = [&] {
        QMetaObject::invokeMethod(
            &editor,
            [&] {
                editor.close();
                visibleDuringWrite = editor.isVisible();
            },
            Qt::BlockingQueuedConnection);
    };
    dialogs->answers = {true}; // the font is empty: upload it all the same
    editor.SpeedButtonTxClick();
    QCOMPARE(serial->frames.size(), std::size_t(1));
    QVERIFY(visibleDuringWrite);
    QVERIFY(editor.isVisible());

    // Afterwards it closes (and saves its font) as usual.
    serial->duringWrite = nullptr;
    editor.close();
    QVERIFY(!editor.isVisible());
    QVERIFY(sandbox.exists(QStringLiteral("Tmp.zg")));
}

QTEST_MAIN(ApplicationTest)
#include "ApplicationTest.moc"
