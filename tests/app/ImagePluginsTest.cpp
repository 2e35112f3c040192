#include "app/Application.h"
#include "app/Desktop.h"
#include "app/MainForm.h"

#include "Sandbox.h"

#include <QApplication>
#include <QDialog>
#include <QFile>
#include <QMenu>
#include <QMenuBar>
#include <QTest>
#include <QTimer>
#include <QWindow>

#include <functional>

namespace {

// The image-format plugins this process has mapped, by file name.
QString mappedImagePlugins() {
    QFile maps(QStringLiteral("/proc/self/maps"));
    if (!maps.open(QIODevice::ReadOnly))
        qFatal("cannot read /proc/self/maps");
    QStringList plugins;
    for (const QByteArray& line : maps.readAll().split('\n'))
        if (line.contains("/imageformats/"))
            plugins.append(QString::fromLocal8Bit(line.mid(line.lastIndexOf('/') + 1)));
    plugins.sort();
    plugins.removeDuplicates();
    return plugins.join(u' ');
}

// Runs `open`, which shows a modal window; once the window is on screen it is painted and
// closed, so `open` returns.
bool paintModal(const std::function<void()>& open) {
    bool painted = false;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        auto* modal = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (!modal || !modal->windowHandle() || !modal->windowHandle()->isExposed())
            return;
        modal->grab();
        painted = true;
        poll.stop();
        modal->done(QDialog::Rejected);
    });
    poll.start(10);
    open();
    return painted;
}

} // namespace

class ImagePluginsTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { desktop::usePictureStyle(); }
    void everyWindowMapsOnlyThePluginsItsPicturesName();
};

void ImagePluginsTest::everyWindowMapsOnlyThePluginsItsPicturesName() {
#ifndef Q_OS_LINUX
    QSKIP("reads the mapped files from /proc/self/maps");
#endif
    Sandbox sandbox;
    Application::Services services = Application::systemServices();
    Dialogs& dialogs = *services.dialogs;
    Application app(std::move(services));
    TMainForm& main = app.mainForm();
    main.show();
    QVERIFY(QTest::qWaitForWindowExposed(&main));
    main.itemPreview->trigger(); // the preview's media buttons
    main.grab();
    for (QMenu* menu : main.menuBar()->findChildren<QMenu*>()) {
        menu->popup(main.mapToGlobal(QPoint(0, 0)));
        QVERIFY(QTest::qWaitForWindowExposed(menu));
        menu->grab();
        menu->close();
    }

    const std::function<void()> windows[] = {
        [&] { main.itemAboutClick(); },
        [&] { main.ItemHelpClick(); },
        [&] { main.ItemDiagramClick(); },
        [&] { main.SpeedButtonZgClick(); },
        [&] { main.itemDevicesClick(); },
        [&] { dialogs.error(&main, QStringLiteral("error")); },
        [&] { dialogs.warning(&main, QStringLiteral("warning"), QStringLiteral("details")); },
        [&] { dialogs.askYesNo(&main, QStringLiteral("question")); },
        [&] {
            dialogs.openFileName(&main,
                                 {QStringLiteral("open"), {}, QStringLiteral("Text|*.txt"), {}});
        },
        [&] { dialogs.chooseFont(&main, main.font()); },
    };
    for (const auto& open : windows)
        QVERIFY(paintModal(open));

    // The pictures are PNG, which Qt reads itself, and the two JPEG photographs.
    QCOMPARE(mappedImagePlugins(), QStringLiteral("libqjpeg.so"));
}

QTEST_MAIN(ImagePluginsTest)
#include "ImagePluginsTest.moc"
