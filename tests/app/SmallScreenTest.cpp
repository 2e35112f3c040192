#include "app/MainForm.h"
#include "base/WindowPlacement.h"
#include "font/FontTable.h"
#include "font/FormZg.h"
#include "frames/FontUploader.h"
#include "info/DiagramForm.h"
#include "info/HelpForm.h"

#include "FakeSerialLink.h"
#include "Sandbox.h"
#include "ScriptedDialogs.h"

#include <QGuiApplication>
#include <QScreen>
#include <QTest>

namespace {

struct NoUploads : FontUploader {
    void SendAllZG() override {}
};

} // namespace

// Runs on a 640 x 400 screen (small-screen.json), smaller than the main window's specified
// place and size.
class SmallScreenTest : public QObject {
    Q_OBJECT

private slots:
    void fitWithinKeepsWhatFitsAndMovesOrShrinksTheRest();
    void everyWindowOpensInsideTheScreen();
};

void SmallScreenTest::fitWithinKeepsWhatFitsAndMovesOrShrinksTheRest() {
    const QRect screen(0, 0, 640, 400);
    const std::pair<QRect, QRect> cases[] = {
        {{10, 10, 300, 200}, {10, 10, 300, 200}},     // fits: kept
        {{195, 109, 600, 470}, {40, 0, 600, 400}},    // too tall: shrunk, moved left to fit
        {{500, 300, 200, 150}, {440, 250, 200, 150}}, // off the corner: moved back
        {{-50, -20, 100, 100}, {0, 0, 100, 100}},     // above and left: moved in
        {{0, 0, 2000, 2000}, {0, 0, 640, 400}},       // larger than the screen
    };
    for (const auto& [wanted, fitted] : cases)
        QCOMPARE(placement::fitWithin(wanted, screen), fitted);
    // A second screen on the right takes its own place.
    QCOMPARE(placement::fitWithin({900, 50, 300, 200}, {640, 0, 1024, 768}),
             QRect(900, 50, 300, 200));
    QCOMPARE(placement::fitWithin({10, 10, 30, 20}, QRect()), QRect(10, 10, 30, 20));
}

void SmallScreenTest::everyWindowOpensInsideTheScreen() {
    Sandbox sandbox;
    ScriptedDialogs dialogs;
    FakeSerialLink serial;
    FontTables font;
    NoUploads uploads;
    const QRect available = QGuiApplication::primaryScreen()->availableGeometry();
    QCOMPARE(available.size(), QSize(640, 400));

    TMainForm main(dialogs, serial, font);
    TFormZg zg(font, dialogs, uploads, &main);
    THelpForm help(&main);
    TDigrForm diagram(&main);
    for (QWidget* window : std::initializer_list<QWidget*>{&main, &zg, &help, &diagram}) {
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window));
        QVERIFY2(available.contains(window->frameGeometry()),
                 qPrintable(window->objectName() + QLatin1Char(' ') +
                            QString::number(window->frameGeometry().bottom())));
        window->hide();
    }
    // The main window keeps its width, which fits, and loses height, which does not.
    QCOMPARE(main.width(), 592);
    QVERIFY(main.height() < 440);
}

QTEST_MAIN(SmallScreenTest)
#include "SmallScreenTest.moc"
