#include "app/Desktop.h"
#include "app/CommandLine.h"
#include "app/MainForm.h"
#include "app/SingleInstance.h"
#include "base/Version.h"
#include "editor/MessageEdit.h"
#include "font/FontTable.h"
#include "font/FormZg.h"
#include "frames/FontUploader.h"

#include "FakeSerialLink.h"
#include "Sandbox.h"
#include "ScriptedDialogs.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontDatabase>
#include <QFontInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLocalServer>
#include <QLocalSocket>
#include <QMessageBox>
#include <QMetaEnum>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QStyle>
#include <QStyleFactory>
#include <QTest>
#include <QTranslator>

#include <cmath>
#include <future>
#include <memory>
#include <tuple>

#include <sys/stat.h>
#include <unistd.h>

namespace {

// WCAG contrast ratio: 4.5 and more reads as normal text.
double contrast(const QColor& a, const QColor& b) {
    const auto luminance = [](const QColor& c) {
        const auto channel = [](double v) {
            return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
        };
        return 0.2126 * channel(c.redF()) + 0.7152 * channel(c.greenF()) +
               0.0722 * channel(c.blueF());
    };
    const double la = luminance(a), lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

QString withoutMark(QString text) {
    return text.remove(QLatin1Char('&'));
}

// A later start, on a thread of its own: the first one answers from this thread's event loop.
bool laterStart(const QString& name) {
    auto answer =
        std::async(std::launch::async, [name] { return SingleInstance(name).activateRunning(); });
    while (answer.wait_for(std::chrono::milliseconds(10)) != std::future_status::ready)
        QCoreApplication::processEvents();
    return answer.get();
}

struct FontUploaderStub : FontUploader {
    void SendAllZG() override {}
};

// Runs a program to its end with the given environment changes ("NAME=value", or "-NAME" to
// remove one).
struct Run {
    int exitCode = -1;
    QByteArray out, err;
};
Run run(const QString& program, const QStringList& args, const QStringList& env = {},
        const QString& folder = {}) {
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const QString& change : env) {
        if (change.startsWith(QLatin1Char('-')))
            environment.remove(change.mid(1));
        else
            environment.insert(change.section(QLatin1Char('='), 0, 0),
                               change.section(QLatin1Char('='), 1));
    }
    process.setProcessEnvironment(environment);
    if (!folder.isEmpty())
        process.setWorkingDirectory(folder);
    process.start(program, args);
    if (!process.waitForFinished(20000)) {
        process.kill();
        process.waitForFinished();
        return {};
    }
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -2,
            process.readAllStandardOutput(), process.readAllStandardError()};
}

const QString Lumetra = QStringLiteral(LUMETRA_PATH);
const QString Sign = QStringLiteral(LUMETRA_SIGN_PATH);

// The long options a usage text or manual page names as `program`'s own: one right after
// another program's name ("lumetra-send --check") is that program's.
QStringList longOptions(QString text, const QString& program) {
    // roff's minus signs and font changes ("\\fB\\-\\-port\\fR") as plain text
    text.replace(QStringLiteral("\\-"), QStringLiteral("-"));
    text.remove(QRegularExpression(QStringLiteral(R"(\\f[BIRP])")));
    static const QRegularExpression option(
        QStringLiteral(R"((?:\b(lumetra[a-z-]*)\s+)?(--[a-z][a-z0-9-]*[a-z0-9]))"));
    QStringList options;
    for (const auto& m : option.globalMatch(text))
        if (m.captured(1).isEmpty() || m.captured(1) == program)
            options.append(m.captured(2));
    options.sort();
    options.removeDuplicates();
    return options;
}

} // namespace

class DesktopTest : public QObject {
    Q_OBJECT

private slots:
    void theFontConfigurationReadAheadAndQtsOwnReadingMeet();
    void qtTextsAreRussian();
    void darkPalettesGiveWayToTheLightOne();
    void thePictureStylesIconsAreTheStylesOwn();
    void thePictureStylesGroupBoxFrameIsFusionsOwn();
    void commandLine();
    void programExitCodes_data();
    void programExitCodes();
    void helpAndManualPageNameTheSameOptions_data();
    void helpAndManualPageNameTheSameOptions();
    void aSecondStartBringsTheFirstToTheFront();
    void theSocketFolderIsTheUsersAlone();
    void aSecondProgramEndsAndTheFirstGoesOn();
};

// First of all, so that Qt's own reading of the configuration, at its first font, runs while
// the one ahead still may.
void DesktopTest::theFontConfigurationReadAheadAndQtsOwnReadingMeet() {
    std::future<void> ahead = desktop::readFontConfigurationAhead();
    const QStringList families = QFontDatabase::families();
    QVERIFY(!families.isEmpty());
#ifdef Q_OS_WIN
    QVERIFY(!ahead.valid());
#else
    QVERIFY(ahead.valid());
    QCOMPARE(ahead.wait_for(std::chrono::seconds(30)), std::future_status::ready);
    QVERIFY(families.contains(QStringLiteral("DejaVu Sans")));
    QCOMPARE(QFontInfo(QFont(QStringLiteral("DejaVu Sans"), 9)).family(),
             QStringLiteral("DejaVu Sans"));
#endif
}

void DesktopTest::qtTextsAreRussian() {
    QTranslator translator;
    QVERIFY(desktop::installQtTranslations(*qApp, translator));
    QMessageBox box(QMessageBox::Warning, QStringLiteral("Lumetra"), QStringLiteral("?"),
                    QMessageBox::Yes | QMessageBox::No);
    QCOMPARE(withoutMark(box.button(QMessageBox::Yes)->text()), QStringLiteral("Да"));
    QCOMPARE(withoutMark(box.button(QMessageBox::No)->text()), QStringLiteral("Нет"));
    QDialogButtonBox buttons(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    QCOMPARE(buttons.button(QDialogButtonBox::Cancel)->text(), QStringLiteral("Отмена"));
    QFileDialog dialog;
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    auto* look = dialog.findChild<QLabel*>(QStringLiteral("lookInLabel"));
    QVERIFY(look);
    QCOMPARE(look->text(), QStringLiteral("Перейти к:"));
    QCoreApplication::removeTranslator(&translator);
}

void DesktopTest::darkPalettesGiveWayToTheLightOne() {
    const QPalette original = QApplication::palette();
    QVERIFY(desktop::isDark(desktop::darkPalette()));
    QVERIFY(!desktop::isDark(desktop::lightPalette()));

    // A light desktop palette is kept as it is.
    QPalette light = desktop::lightPalette();
    light.setColor(QPalette::Highlight, QColor(1, 2, 3));
    QApplication::setPalette(light);
    desktop::applyPalette(*qApp);
    QCOMPARE(QApplication::palette().color(QPalette::Highlight), QColor(1, 2, 3));

    // The switch stands for a dark desktop; a dark one set by the desktop itself is the same.
    qputenv("LUMETRA_PALETTE", "dark");
    desktop::applyPalette(*qApp);
    qunsetenv("LUMETRA_PALETTE");
    QCOMPARE(QApplication::style()->name().toLower(), QStringLiteral("fusion"));
    QVERIFY(!desktop::isDark(QApplication::palette()));

    // Every fixed colour reads on what lies under it.
    Sandbox sandbox;
    ScriptedDialogs dialogs;
    FakeSerialLink serial;
    FontTables font;
    TMainForm main(dialogs, serial, font);
    const QPalette editor = main.RichEdit->palette();
    QVERIFY(contrast(editor.color(QPalette::Base), Qt::black) >= 7); // the standard format
    QVERIFY(contrast(editor.color(QPalette::Base), editor.color(QPalette::Text)) >= 7);
    QVERIFY(contrast(main.palette().color(QPalette::Window),
                     main.palette().color(QPalette::WindowText)) >= 7);
    FontUploaderStub uploader;
    TFormZg zg(font, dialogs, uploader);
    QVERIFY(contrast(zg.palette().color(QPalette::Window),
                     zg.LabelOpis->palette().color(QPalette::WindowText)) >= 4.5);
    QCOMPARE(zg.LabelOpis->palette().color(QPalette::WindowText), QColor(128, 0, 0));
    QVERIFY(contrast(zg.palette().color(QPalette::Window), Qt::black) >= 7); // the pictures

    QApplication::setPalette(desktop::darkPalette());
    desktop::applyPalette(*qApp);
    QVERIFY(!desktop::isDark(QApplication::palette()));
    QApplication::setPalette(original);
}

// Read as PNG, the standard pictures are still the very ones the platform's style shows.
void DesktopTest::thePictureStylesIconsAreTheStylesOwn() {
    const QString name = QApplication::style()->name();
    const std::unique_ptr<QStyle> base(QStyleFactory::create(name));
    const std::unique_ptr<QStyle> picture(desktop::pictureStyle(QStyleFactory::create(name)));
    const QMetaEnum pixmaps = QMetaEnum::fromType<QStyle::StandardPixmap>();
    int compared = 0;
    for (int i = 0; i < pixmaps.keyCount(); ++i) {
        const auto pixmap = static_cast<QStyle::StandardPixmap>(pixmaps.value(i));
        if (pixmap >= QStyle::NStandardPixmap)
            continue;
        const QIcon expected = base->standardIcon(pixmap);
        const QIcon shown = picture->standardIcon(pixmap);
        for (const QIcon::State state : {QIcon::Off, QIcon::On})
            for (const QIcon::Mode mode : {QIcon::Normal, QIcon::Disabled, QIcon::Active})
                for (const QSize& size : expected.availableSizes(mode, state)) {
                    QVERIFY2(shown.pixmap(size, mode, state).toImage() ==
                                 expected.pixmap(size, mode, state).toImage(),
                             QByteArray(pixmaps.key(i)) + ' ' + QByteArray::number(size.width()) +
                                 " px, mode " + QByteArray::number(mode) + ", state " +
                                 QByteArray::number(state));
                    ++compared;
                }
    }
    QVERIFY(compared > 100);
}

void DesktopTest::thePictureStylesGroupBoxFrameIsFusionsOwn() {
    const std::unique_ptr<QStyle> fusion(QStyleFactory::create(QStringLiteral("Fusion")));
    const std::unique_ptr<QStyle> picture(
        desktop::pictureStyle(QStyleFactory::create(QStringLiteral("Fusion"))));
    for (const auto& [title, checkable] :
         {std::pair{QStringLiteral("Образец"), false}, {QString(), false}, {QString(), true}}) {
        QGroupBox box(title);
        box.setCheckable(checkable);
        box.resize(120, 80);
        box.setStyle(fusion.get());
        const QImage expected = box.grab().toImage();
        box.setStyle(picture.get());
        QCOMPARE(box.grab().toImage(), expected);
    }
}

void DesktopTest::commandLine() {
    using commandline::Action;
    const std::pair<QStringList, Action> cases[] = {
        {{}, Action::Run},
        {{"-platform", "offscreen"}, Action::Run},
        {{"--style=Fusion", "-reverse"}, Action::Run},
        {{"--data-folder", "/tmp/x", "--data-folder=/tmp/y", "--data-folder"}, Action::Run},
        {{"-platform", "xcb", "--help"}, Action::Print},
        {{"-h"}, Action::Print},
        {{"-v"}, Action::Print},
        {{"--helpme"}, Action::Refuse},
        {{"message.txt"}, Action::Refuse},
        {{"-reverse=1"}, Action::Refuse},                 // a flag given a value
        {{"-platform", "xcb", "-style"}, Action::Refuse}, // an option missing its value
    };
    for (const auto& [args, action] : cases)
        QCOMPARE(commandline::parse(QStringList{QStringLiteral("lumetra")} + args).action, action);
}

void DesktopTest::programExitCodes_data() {
    QTest::addColumn<QString>("program");
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QStringList>("env");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("out");
    QTest::addColumn<QString>("err");
    const QStringList noDisplay = {"-DISPLAY", "-WAYLAND_DISPLAY", "-QT_QPA_PLATFORM"};
    const QString oneLine = QString::fromStdString(commandline::noDisplayMessage());
    QTest::newRow("help") << Lumetra << QStringList{"--help"} << noDisplay << 0
                          << QStringLiteral("Использование: lumetra") << QString();
    QTest::newRow("version") << Lumetra << QStringList{"--version"} << noDisplay << 0
                             << QStringLiteral("lumetra 2.9\n") << QString();
    QTest::newRow("no display") << Lumetra << QStringList{} << noDisplay << 1 << QString()
                                << oneLine;
    QTest::newRow("a display that is not there")
        << Lumetra << QStringList{} << QStringList{"-QT_QPA_PLATFORM", "DISPLAY=:4711"} << 1
        << QString() << oneLine;
    QTest::newRow("unknown option")
        << Lumetra << QStringList{"--bogus"} << noDisplay << 2 << QString()
        << QStringLiteral("lumetra: неизвестный параметр «--bogus»\nСправка: lumetra --help\n");
    QTest::newRow("sign help") << Sign << QStringList{"--help"} << noDisplay << 0
                               << QStringLiteral("usage: lumetra-sign") << QString();
}

void DesktopTest::programExitCodes() {
    QFETCH(QString, program);
    QFETCH(QStringList, args);
    QFETCH(QStringList, env);
    QFETCH(int, exitCode);
    QFETCH(QString, out);
    QFETCH(QString, err);
    const Run result = run(program, args, env);
    QCOMPARE(result.exitCode, exitCode);
    QVERIFY2(QString::fromUtf8(result.out).startsWith(out), result.out.constData());
    // Nothing else on standard error: one line, not Qt's messages and an abort.
    QVERIFY2(QString::fromUtf8(result.err).startsWith(err), result.err.constData());
    if (!err.isEmpty())
        QCOMPARE(result.err.count('\n'), err.count(QLatin1Char('\n')));
    else
        QVERIFY2(result.err.isEmpty(), result.err.constData());
}

void DesktopTest::helpAndManualPageNameTheSameOptions_data() {
    QTest::addColumn<QString>("program");
    QTest::newRow("lumetra") << Lumetra;
    QTest::newRow("lumetra-send") << QStringLiteral(LUMETRA_SEND_PATH);
    QTest::newRow("lumetra-sign") << Sign;
    QTest::newRow("lumetra-font") << QStringLiteral(LUMETRA_FONT_PATH);
#ifdef LUMETRA_AGENT_PATH
    QTest::newRow("lumetra-agent") << QStringLiteral(LUMETRA_AGENT_PATH);
#endif
}

void DesktopTest::helpAndManualPageNameTheSameOptions() {
    QFETCH(QString, program);
    const QString name = QFileInfo(program).fileName();
    const Run help = run(program, {QStringLiteral("--help")}, {"-DISPLAY", "-WAYLAND_DISPLAY"});
    QCOMPARE(help.exitCode, 0);
    QFile page(QStringLiteral(LUMETRA_SOURCE_DIR "/docs/man/") + name + QStringLiteral(".1"));
    QVERIFY(page.open(QIODevice::ReadOnly));
    const QString manual = QString::fromUtf8(page.readAll());
    const QStringList helpNames = longOptions(QString::fromUtf8(help.out), name);
    QVERIFY(!helpNames.isEmpty());
    QCOMPARE(helpNames, longOptions(manual, name));
    // The page's header carries the version the build gives the programs.
    QVERIFY(manual.contains(QStringLiteral("\"Lumetra " LUMETRA_VERSION "\"")));
}

void DesktopTest::aSecondStartBringsTheFirstToTheFront() {
    Sandbox sandbox;
    const QString name = sandbox.path(QStringLiteral("instance"));
    QVERIFY(!laterStart(name)); // nobody there yet

    // A socket left behind by a crashed program is taken over.
    sandbox.write(QStringLiteral("instance"), "left over");
    int activated = 0;
    SingleInstance first(name);
    QVERIFY(first.listen([&] { ++activated; }));
    QVERIFY(laterStart(name));
    QTRY_COMPARE(activated, 1);
    QVERIFY(laterStart(name));
    QTRY_COMPARE(activated, 2);
    // Anything else that connects asks nothing.
    QLocalSocket stranger;
    stranger.connectToServer(name);
    QVERIFY(stranger.waitForConnected(1000));
    stranger.write("hello\n");
    stranger.waitForBytesWritten(1000);
    QTest::qWait(50);
    QCOMPARE(activated, 2);

    // Another program listening at the name: this start goes on alone and leaves its socket be.
    const QString taken = sandbox.path(QStringLiteral("taken"));
    QLocalServer other;
    QVERIFY(other.listen(taken));
    QVERIFY(!laterStart(taken));
    QVERIFY(!SingleInstance(taken).listen([] {}));
    QVERIFY(QFileInfo(taken).exists());
    QLocalSocket* heard = other.nextPendingConnection();
    QVERIFY(heard && (heard->bytesAvailable() > 0 || heard->waitForReadyRead(5000)));
    QCOMPARE(heard->readAll(), QByteArray("activate\n"));
}

// The runtime folder when private, else a 0700 folder of the user's own; never one others reach.
void DesktopTest::theSocketFolderIsTheUsersAlone() {
    Sandbox sandbox;
    const QString run = sandbox.path("run"),
                  own = sandbox.path("lumetra-" + QString::number(::geteuid()));
    const QByteArray savedRuntime = qgetenv("XDG_RUNTIME_DIR"), savedTmp = qgetenv("TMPDIR");
    qputenv("TMPDIR", QFile::encodeName(sandbox.path()));
    // Modes of the runtime and own folder (0 absent, -1 a link), owner; folder taken or problem.
    const std::tuple<int, int, int, QString, QString> cases[] = {
        {0700, 0, 0, run, {}},
        {0755, 0, 0, own, {}},
        {0, 0, 0, own, {}},
        {0, 0750, 0, {}, "в папку могут войти другие пользователи (права 0750, нужны 0700)"},
        {0, 0700, 65534, {}, "папка принадлежит другому пользователю"},
        {0755, -1, 0, {}, "это не папка"}};
    for (const auto& [runtimeMode, ownMode, owner, folder, problem] : cases) {
        QFile::remove(own);
        QDir(own).removeRecursively();
        QDir(run).removeRecursively();
        qunsetenv("XDG_RUNTIME_DIR");
        if (runtimeMode > 0 && QDir().mkpath(run) && ::chmod(qPrintable(run), runtimeMode) == 0)
            qputenv("XDG_RUNTIME_DIR", QFile::encodeName(run));
        if (ownMode > 0)
            QVERIFY(QDir().mkpath(own) && ::chmod(qPrintable(own), ownMode) == 0 &&
                    ::chown(qPrintable(own), owner, owner) == 0);
        else if (ownMode < 0)
            QVERIFY(QFile::link(run, own));
        const SingleInstance::Place place = SingleInstance::serverPlace();
        QCOMPARE(place.name.isEmpty() ? QString() : QFileInfo(place.name).path(), folder);
        QCOMPARE(place.problem, problem.isEmpty() ? QString() : own + ": " + problem);
        struct stat made {};
        QVERIFY(folder != own ||
                (::stat(qPrintable(own), &made) == 0 && (made.st_mode & 0777) == 0700));
    }
    qputenv("XDG_RUNTIME_DIR", savedRuntime);
    qputenv("TMPDIR", savedTmp);
}

void DesktopTest::aSecondProgramEndsAndTheFirstGoesOn() {
    Sandbox sandbox;
    const QStringList env = {"XDG_RUNTIME_DIR=" + sandbox.path(), "QT_QPA_PLATFORM=offscreen",
                             "XDG_CONFIG_HOME=" + sandbox.path(QStringLiteral("config"))};
    QProcess first;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const QString& change : env)
        environment.insert(change.section(QLatin1Char('='), 0, 0),
                           change.section(QLatin1Char('='), 1));
    first.setProcessEnvironment(environment);
    first.setWorkingDirectory(sandbox.path());
    first.start(Lumetra, {});
    QVERIFY(first.waitForStarted());
    QTRY_VERIFY_WITH_TIMEOUT(!QDir(sandbox.path()).entryList({"lumetra-*"}, QDir::System).isEmpty(),
                             20000);
    const Run second = run(Lumetra, {}, env, sandbox.path());
    QCOMPARE(second.exitCode, 0);
    QCOMPARE(first.state(), QProcess::Running);
    first.terminate();
    if (!first.waitForFinished(10000)) {
        first.kill();
        first.waitForFinished();
    }
}

QTEST_MAIN(DesktopTest)
#include "DesktopTest.moc"
