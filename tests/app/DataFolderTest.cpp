#include "app/DataFolder.h"
#include "app/Application.h"
#include "app/CommandLine.h"
#include "base/AppError.h"
#include "font/FormZg.h"

#include "FakeSerialLink.h"
#include "FakeSystemInfo.h"
#include "Sandbox.h"
#include "ScriptedDialogs.h"

#include <QDir>
#include <QTest>

#include <cerrno>
#include <cstring>
#include <system_error>

namespace {

QByteArray starterBytes() {
    QByteArray font(2048, '\0');
    for (int i = 8 * 32; i < 2048; i += 3)
        font[i] = static_cast<char>(i);
    return font;
}

QString here() {
    return QDir::current().canonicalPath();
}

// XDG_DATA_HOME set for one test and put back after it.
class DataHome {
public:
    explicit DataHome(const QString& path) : m_old(qgetenv("XDG_DATA_HOME")) {
        qputenv("XDG_DATA_HOME", QFile::encodeName(path));
    }
    ~DataHome() { qputenv("XDG_DATA_HOME", m_old); }

private:
    QByteArray m_old;
};

} // namespace

class DataFolderTest : public QObject {
    Q_OBJECT

private slots:
    void theOptionIsReadFromTheCommandLine_data();
    void theOptionIsReadFromTheCommandLine();
    void enteringCopiesTheStarterFontOnlyWhereNoFontIs_data();
    void enteringCopiesTheStarterFontOnlyWhereNoFontIs();
    void aFolderThatCannotBeUsedSaysWhatAndWhy();
    void theFontEditorStartsWithTheCopiedStarterFont();
};

void DataFolderTest::theOptionIsReadFromTheCommandLine_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("folder"); // "default", or empty for none
    const QString p = QStringLiteral("lumetra");
    QTest::newRow("absent") << QStringList{p, "--version"} << "";
    QTest::newRow("alone") << QStringList{p, "--data-folder"} << "default";
    QTest::newRow("before another option")
        << QStringList{p, "--data-folder", "--help"} << "default";
    QTest::newRow("with =") << QStringList{p, "--data-folder=/srv/sign"} << "/srv/sign";
    QTest::newRow("empty =") << QStringList{p, "--data-folder="} << "default";
    QTest::newRow("next argument")
        << QStringList{p, "--data-folder", "/srv/sign", "--help"} << "/srv/sign";
    QTest::newRow("a longer name is another option") << QStringList{p, "--data-folders"} << "";
    QTest::newRow("the program's own name is no option") << QStringList{"--data-folder"} << "";
}

void DataFolderTest::theOptionIsReadFromTheCommandLine() {
    QFETCH(QStringList, arguments);
    QFETCH(QString, folder);
    const DataHome home(QStringLiteral("/home/op/data"));
    const auto taken = commandline::parse(arguments).dataFolder;
    if (folder.isEmpty())
        QVERIFY(!taken);
    else
        QCOMPARE(taken.value_or(QString()),
                 folder == "default" ? datafolder::defaultPath() : folder);
#ifndef Q_OS_WIN // Windows' data folder is %LOCALAPPDATA%, not $XDG_DATA_HOME
    QCOMPARE(datafolder::defaultPath(), QStringLiteral("/home/op/data/lumetra"));
#endif
}

void DataFolderTest::enteringCopiesTheStarterFontOnlyWhereNoFontIs_data() {
    QTest::addColumn<QString>("before");     // a file already in the folder, or empty
    QTest::addColumn<bool>("starterThere");  // whether the program came with its font
    QTest::addColumn<QByteArray>("guardZg"); // Guard.zg afterwards; empty for none
    const QByteArray own(2048, '\x55');
    QTest::newRow("new folder") << "" << true << starterBytes();
    QTest::newRow("no starter font beside the program") << "" << false << QByteArray();
    QTest::newRow("the operator's Guard.zg stays") << "Guard.zg" << true << own;
    QTest::newRow("another font is a font") << "Sign.ZG" << true << QByteArray();
    QTest::newRow("a message file is none") << "Tmp.txt" << true << starterBytes();
}

void DataFolderTest::enteringCopiesTheStarterFontOnlyWhereNoFontIs() {
    QFETCH(QString, before);
    QFETCH(bool, starterThere);
    QFETCH(QByteArray, guardZg);
    Sandbox sandbox;
    if (starterThere)
        sandbox.write(QStringLiteral("usr/share/lumetra/Guard.zg"), starterBytes());
    const QString folder = sandbox.path(QStringLiteral("home/.local/share/lumetra"));
    if (!before.isEmpty())
        sandbox.write(QStringLiteral("home/.local/share/lumetra/") + before,
                      QByteArray(2048, '\x55'));

    datafolder::enter(folder, sandbox.path(QStringLiteral("usr/share/lumetra/Guard.zg")));
    QCOMPARE(here(), QDir(folder).canonicalPath());
    QCOMPARE(QFileInfo::exists(QStringLiteral("Guard.zg")), !guardZg.isEmpty());
    QCOMPARE(sandbox.read(QStringLiteral("home/.local/share/lumetra/Guard.zg")), guardZg);
}

void DataFolderTest::aFolderThatCannotBeUsedSaysWhatAndWhy() {
    Sandbox sandbox;
    sandbox.write(QStringLiteral("starter.zg"), starterBytes());
    sandbox.write(QStringLiteral("file"), "not a folder");
    QDir(sandbox.path()).mkpath(QStringLiteral("odd/Guard.zg"));
    const struct {
        QString folder;
        const char16_t* text;
        QString named;
        std::string reason;
    } cases[] = {
        {sandbox.path("file/lumetra"), datafolder::CannotCreate, "file/lumetra",
         "Часть пути — не папка"},
        // The font is written by the system's own calls, which Windows answers in its numbers.
        {sandbox.path("odd"), datafolder::CannotCopyFont, "odd/Guard.zg",
#ifdef Q_OS_WIN
         "Доступ запрещён (возможно, занят другой программой)"}, // ERROR_ACCESS_DENIED
#else
         "Это папка, а не файл"},
#endif
    };
    for (const auto& c : cases) {
        const QString before = here();
        QString text;
        try {
            datafolder::enter(c.folder, sandbox.path(QStringLiteral("starter.zg")));
        } catch (const AppError& e) {
            text = QString::fromUtf8(e.what());
        }
        QCOMPARE(text,
                 QString::fromUtf16(c.text).arg(QDir::toNativeSeparators(sandbox.path(c.named)),
                                                QString::fromStdString(c.reason)));
        QCOMPARE(here(), before);
    }
}

void DataFolderTest::theFontEditorStartsWithTheCopiedStarterFont() {
    Sandbox sandbox; // no settings file: a first start
    sandbox.write(QStringLiteral("starter.zg"), starterBytes());
    datafolder::enter(sandbox.path(QStringLiteral("data")), sandbox.path("starter.zg"));

    Application::Services services;
    auto dialogs = std::make_unique<ScriptedDialogs>();
    ScriptedDialogs& log = *dialogs;
    services.dialogs = std::move(dialogs);
    services.serial = std::make_unique<FakeSerialLink>();
    services.systemInfo = std::make_unique<FakeSystemInfo>();
    services.shell = std::make_unique<FakeShellOpen>();
    Application app(std::move(services));
    const QByteArray table(reinterpret_cast<const char*>(app.font().FontTable.data()), 2048);
    QCOMPARE(table, starterBytes());
    QCOMPARE(app.fontEditor().windowTitle(), QStringLiteral("Редактор шрифта: Guard.zg"));
    QVERIFY(log.log.isEmpty());
}

QTEST_MAIN(DataFolderTest)
#include "DataFolderTest.moc"
