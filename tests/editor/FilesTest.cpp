#include "EditorFixture.h"

#include "editor/MessageText.h"

#include "SyncFaults.h"
#include "Unprivileged.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QKeyEvent>
#include <QMap>
#include <QMessageBox>
#include <QTest>
#include <QTimer>

#include <csignal>

#ifndef Q_OS_WIN
#include <sys/resource.h>
#endif
#include <sys/stat.h>

namespace {

// The window's words for the system's reasons below, as the error box ends them.
#ifdef Q_OS_WIN
const QString AccessDenied =
    QStringLiteral("Доступ запрещён (возможно, занят другой программой)"); // no full stop after ")"
#else
const QString AccessDenied = QStringLiteral("Доступ запрещён.");
#endif
const QString NotFound = QStringLiteral("Нет такого файла или папки.");
const QString TooLarge = QStringLiteral("Файл слишком велик.");
QStringList failed(const QString& text, const QString& reason) {
    return {text + QLatin1Char('\n') + reason};
}

#ifdef Q_OS_WIN
#define lstat stat // no symbolic links to tell apart here
#endif

QByteArray cp1251(const QString& text) {
    return QByteArray::fromStdString(qtadapt::toCp1251(text));
}

// Types `text` into the editor key by key, as the operator would (Enter for a line break).
void type(QWidget* widget, const QString& text) {
    for (const QChar c : text) {
        const bool enter = c == u'\n';
        QKeyEvent press(QEvent::KeyPress, enter ? Qt::Key_Return : Qt::Key_unknown, Qt::NoModifier,
                        enter ? QStringLiteral("\r") : QString(c));
        QCoreApplication::sendEvent(widget, &press);
        QKeyEvent release(QEvent::KeyRelease, enter ? Qt::Key_Return : Qt::Key_unknown,
                          Qt::NoModifier, enter ? QStringLiteral("\r") : QString(c));
        QCoreApplication::sendEvent(widget, &release);
    }
}

#ifndef Q_OS_WIN
// Writes beyond `bytes` fail with EFBIG (SIGXFSZ ignored) while the limit lives.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        ::getrlimit(RLIMIT_FSIZE, &m_old);
        m_oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{bytes, m_old.rlim_max};
        ::setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit() {
        ::setrlimit(RLIMIT_FSIZE, &m_old);
        std::signal(SIGXFSZ, m_oldHandler);
    }

private:
    rlimit m_old{};
    void (*m_oldHandler)(int) = nullptr;
};
#endif

const QString Saving = QStringLiteral("Записать файл <%1> ?");
const QString Overwrite = QStringLiteral("Такой файл существует. Переписать?");
const QString OverwriteSaveAs = QStringLiteral("Файл с таким именем существует, переписать?");

} // namespace

class FilesTest : public QObject {
    Q_OBJECT

private slots:
    void firstRunShowsTheDemoTextUnderTmp();
    void startUpLoadsTheLastFile();
    void startUpWithAnUnreadableLastFileKeepsTheDesignCaption();
    void newAlwaysAsksAndTakesUserTxt();
    void newAnsweredYesWritesAMissingFile();
    void newAnsweredYesThenNoWritesNothing();
    void newKeepsTheTextWhenItsSaveFails();
    void saveAsOntoAnExistingFileAnsweredNoKeepsThePreviousName();
    void saveAsOntoAnExistingFileAnsweredYesReplacesIt();
    void everyCompletedSaveLeavesTheBackupEqual();
    void promptShowsTheHeldNameAndTheCaptionTheShortOne();
    void closingAfterASaveStillAsks();
    void questionsTakeOnlyYesOrNo();
    void openTakesTheChosenFile();
    void openAsksAboutAModifiedTextFirst_data();
    void openAsksAboutAModifiedTextFirst();
    void openingAMissingFileKeepsTheTextAndTakesTheName();
    void aFailedOpenKeepsTheNameAndTheFileItCouldNotRead();
    void aFailedOpenOfAnUnreadableFileKeepsItWhole();
    void aFailedBackupWriteLeavesBothFilesWhole();
    void aReadOnlyFileIsLeftWholeAndReported();
    void aDiskErrorIsReportedAndLeavesTheFilesWhole();
    void aFailedWriteOnCloseKeepsTheWindowOpen();
    void aSymbolicLinkStaysALink();
    void aNameWithALineBreakIsRefused();
    void aFifoIsNeverReplacedByAFile();
    void everyByteFrom0x20Survives();
    void lfOnlyAndLoneCrFilesKeepTheirLines();
    void controlBytesNeitherTruncateNorGetLost();
    void controlBytesHaveVisiblePictures();
    void screenFormatsNeverReachTheFile();
    void typedTextWithCodesSurvivesARestart();
    void utf8FilesAreConvertedAndSavedAsWindows1251();
};

void FilesTest::firstRunShowsTheDemoTextUnderTmp() {
    EditorFixture f;
    QVERIFY(f.text().startsWith(QStringLiteral("               Demo File\n")));
    QCOMPARE(f.caption(), captionFor("Tmp.txt"));
    QVERIFY(f.form->SpeedButtonSave->isEnabled());

    // Save on a file that is missing offers Save As with its name; cancelled, nothing is written.
    f.dialogs.fileNames.push_back(std::nullopt);
    f.form->SpeedButtonSaveClick();
    QVERIFY(!f.sandbox.exists("Tmp.txt"));
    QCOMPARE(f.status(), QStringLiteral("2"));

    // Save As writes the chosen file and the backup.
    f.dialogs.fileNames.push_back(f.sandbox.path("first.txt"));
    f.form->SpeedButtonSaveASClick();
    QCOMPARE(f.dialogs.fileRequests.back().fileName, QStringLiteral(".\\Tmp.txt"));
    QCOMPARE(f.dialogs.fileRequests.back().filter, QStringLiteral("Текстовые файлы   *.txt|*.txt"));
    QCOMPARE(f.dialogs.fileRequests.back().defaultSuffix, QStringLiteral("txt"));
    const QByteArray saved = f.sandbox.read("first.txt");
    QVERIFY(saved.startsWith("               Demo File\r\n           \r\n"));
    QVERIFY(saved.endsWith("   D=Down  \xF1\xE4\xE2\xE8\xE3 \xE2\xED\xE8\xE7   /D1   "));
    QCOMPARE(f.sandbox.read("Tmp.txt"), saved);
    QCOMPARE(f.caption(), captionFor("first.txt"));
    QCOMPARE(f.status(), QStringLiteral("Запись файла: first.txt"));
    QCOMPARE(f.lastFile(), f.sandbox.path("first.txt"));
}

void FilesTest::startUpLoadsTheLastFile() {
    EditorFixture f;
    f.sandbox.write("config/Kesmar.ini", "[LastFile]\r\nPath=.\\news.txt\r\n");
    f.sandbox.write("news.txt", cp1251("Новости\r\n/S3 дня"));
    f.restart();
    QCOMPARE(f.text(), QStringLiteral("Новости\n/S3 дня"));
    QCOMPARE(f.status(), QStringLiteral("Чтение файла: news.txt"));
    QCOMPARE(f.caption(), captionFor("news.txt"));
    QVERIFY(f.form->SpeedButtonSave->isEnabled());
    // The standard format was given and the caret put at the end.
    QCOMPARE(f.caret(), 15);
    QCOMPARE(f.edit()->textCursor().charFormat().font().pointSize(), 10);
    QVERIFY(!f.document()->isModified());
}

void FilesTest::startUpWithAnUnreadableLastFileKeepsTheDesignCaption() {
    EditorFixture f;
    f.sandbox.write("config/Kesmar.ini", "[LastFile]\r\nPath=.\\big.txt\r\n");
    QFile big(f.sandbox.path("big.txt"));
    QVERIFY(big.open(QIODevice::WriteOnly));
    QVERIFY(big.resize(16 * 1024 * 1024 + 1)); // sparse: costs no disk
    big.close();
    f.restart();
    QCOMPARE(f.dialogs.texts("error"), failed("Cannot open file .\\big.txt.", TooLarge));
    QCOMPARE(f.caption(), QStringLiteral("Загрузчик для бегущей строки"));
    QVERIFY(!f.form->SpeedButtonSave->isEnabled());
    QVERIFY(f.text().startsWith(QStringLiteral("               Demo File")));
}

void FilesTest::newAlwaysAsksAndTakesUserTxt() {
    EditorFixture f;
    QVERIFY(!f.document()->isModified());
    f.dialogs.answers = {false};
    f.form->SpeedButtonNewClick();
    QCOMPARE(f.dialogs.texts("ask"), QStringList{Saving.arg(".\\Tmp.txt")});
    QVERIFY(!f.sandbox.exists("Tmp.txt"));
    QCOMPARE(f.text(), QString());
    QVERIFY(!f.document()->isModified());
    QCOMPARE(f.caption(), captionFor("User.txt"));
    QCOMPARE(f.status(), QStringLiteral("Очистка рабочего пространства..."));
    QCOMPARE(f.lastFile(), QStringLiteral(".\\User.txt"));

    // Save while .\User.txt does not exist runs Save As with that name, which writes it.
    f.setText("typed");
    f.dialogs.fileNames.push_back(QStringLiteral(".\\User.txt"));
    f.form->SpeedButtonSaveClick();
    QCOMPARE(f.dialogs.fileRequests.back().title, QStringLiteral("Save AS"));
    QCOMPARE(f.dialogs.fileRequests.back().fileName, QStringLiteral(".\\User.txt"));
    QCOMPARE(f.sandbox.read("User.txt"), QByteArray("typed"));
    QCOMPARE(f.sandbox.read("Tmp.txt"), QByteArray("typed"));
}

void FilesTest::newAnsweredYesWritesAMissingFile() {
    EditorFixture f;
    f.dialogs.answers = {false};
    f.form->SpeedButtonNewClick();
    f.setText("first\nsecond");
    f.dialogs.answers = {true};
    f.form->SpeedButtonNewClick();
    // No overwrite question: the file did not exist.
    QCOMPARE(f.dialogs.texts("ask").size(), 2);
    QCOMPARE(f.sandbox.read("User.txt"), QByteArray("first\r\nsecond"));
    QCOMPARE(f.sandbox.read("Tmp.txt"), QByteArray("first\r\nsecond"));
    QCOMPARE(f.text(), QString());
    QVERIFY(!f.document()->isModified());
}

void FilesTest::newAnsweredYesThenNoWritesNothing() {
    EditorFixture f;
    f.sandbox.write("Tmp.txt", "old text");
    f.restart();
    f.setText("new text");
    f.dialogs.answers = {true, false};
    f.form->SpeedButtonNewClick();
    QCOMPARE(f.dialogs.texts("ask"), (QStringList{Saving.arg(".\\Tmp.txt"), Overwrite}));
    QCOMPARE(f.sandbox.read("Tmp.txt"), QByteArray("old text"));
    QCOMPARE(f.text(), QString());
    QCOMPARE(f.caption(), captionFor("User.txt"));
}

void FilesTest::newKeepsTheTextWhenItsSaveFails() {
    EditorFixture f;
    f.sandbox.write("Tmp.txt", "old");
    f.restart();
    f.setText("precious words");
    QVERIFY(QFile::setPermissions(f.sandbox.path("Tmp.txt"), QFile::ReadOwner));
    f.dialogs.answers = {true, true};
    f.form->SpeedButtonNewClick();
    QCOMPARE(f.dialogs.texts("error"), failed("Cannot create file .\\Tmp.txt.", AccessDenied));
    QCOMPARE(f.text(), QStringLiteral("precious words"));
    QCOMPARE(f.caption(), captionFor("Tmp.txt"));
    QCOMPARE(f.sandbox.read("Tmp.txt"), QByteArray("old"));
}

void FilesTest::saveAsOntoAnExistingFileAnsweredNoKeepsThePreviousName() {
    EditorFixture f;
    f.setText("draft one");
    f.dialogs.fileNames.push_back(f.sandbox.path("a.txt"));
    f.form->SpeedButtonSaveASClick();
    QCOMPARE(f.sandbox.read("a.txt"), QByteArray("draft one"));

    f.sandbox.write("b.txt", "keep me");
    f.setText("draft two");
    f.dialogs.fileNames.push_back(f.sandbox.path("b.txt"));
    f.dialogs.answers = {false};
    f.form->SpeedButtonSaveASClick();
    QCOMPARE(f.dialogs.texts("ask"), QStringList{OverwriteSaveAs});
    QCOMPARE(f.sandbox.read("b.txt"), QByteArray("keep me"));
    QCOMPARE(f.sandbox.read("a.txt"), QByteArray("draft one"));
    QCOMPARE(f.caption(), captionFor("a.txt"));

    // Save goes to the file the operator kept, never to the declined one.
    f.form->SpeedButtonSaveClick();
    QCOMPARE(f.sandbox.read("b.txt"), QByteArray("keep me"));
    QCOMPARE(f.sandbox.read("a.txt"), QByteArray("draft two"));
    QCOMPARE(f.lastFile(), f.sandbox.path("a.txt"));
    // And the close prompt names it too.
    f.dialogs.answers = {false};
    QVERIFY(f.form->FormClose());
    QCOMPARE(f.dialogs.texts("ask").last(), Saving.arg(f.sandbox.path("a.txt")));
}

void FilesTest::saveAsOntoAnExistingFileAnsweredYesReplacesIt() {
    EditorFixture f;
    f.sandbox.write("b.txt", "old content that is longer");
    f.setText("new");
    f.dialogs.fileNames.push_back(f.sandbox.path("b.txt"));
    f.dialogs.answers = {true};
    f.form->SpeedButtonSaveASClick();
    QCOMPARE(f.sandbox.read("b.txt"), QByteArray("new"));
    QCOMPARE(f.caption(), captionFor("b.txt"));

    // A cancelled dialog changes nothing.
    f.dialogs.fileNames.push_back(std::nullopt);
    f.form->SpeedButtonSaveASClick();
    QCOMPARE(f.caption(), captionFor("b.txt"));
    QCOMPARE(f.lastFile(), f.sandbox.path("b.txt"));
}

void FilesTest::everyCompletedSaveLeavesTheBackupEqual() {
    EditorFixture f;
    const auto backupEquals = [&](const char* name) {
        return f.sandbox.read("Tmp.txt") == f.sandbox.read(QString::fromLatin1(name)) &&
               !f.sandbox.read(QString::fromLatin1(name)).isEmpty();
    };
    f.setText("one");
    f.dialogs.fileNames.push_back(f.sandbox.path("doc.txt"));
    f.form->SpeedButtonSaveASClick();
    QVERIFY(backupEquals("doc.txt"));

    f.setText("two\nlines");
    f.form->SpeedButtonSaveClick();
    QVERIFY(backupEquals("doc.txt"));
    QCOMPARE(f.sandbox.read("doc.txt"), QByteArray("two\r\nlines"));

    f.setText("three");
    f.dialogs.answers = {true, true};
    QVERIFY(f.form->SavePrompt());
    QVERIFY(backupEquals("doc.txt"));
    QCOMPARE(f.sandbox.read("doc.txt"), QByteArray("three"));

    // The backup itself as the current file is simply written twice.
    f.dialogs.fileNames.push_back(QStringLiteral(".\\Tmp.txt"));
    f.dialogs.answers = {true};
    f.setText("four");
    f.form->SpeedButtonSaveASClick();
    QCOMPARE(f.sandbox.read("Tmp.txt"), QByteArray("four"));
    QCOMPARE(f.caption(), captionFor("Tmp.txt"));
}

void FilesTest::promptShowsTheHeldNameAndTheCaptionTheShortOne() {
    EditorFixture f;
    f.dialogs.answers = {false};
    f.form->SpeedButtonNewClick();
    f.setText("note");
    QCOMPARE(f.caption(), captionFor("User.txt"));
    f.dialogs.answers = {true};
    QVERIFY(f.form->FormClose());
    QCOMPARE(f.dialogs.texts("ask").last(), QStringLiteral("Записать файл <.\\User.txt> ?"));
    QCOMPARE(f.status(), QStringLiteral("Запись файла: User.txt"));
    QCOMPARE(f.sandbox.read("User.txt"), QByteArray("note"));
}

void FilesTest::closingAfterASaveStillAsks() {
    EditorFixture f;
    f.setText("saved but still modified");
    f.dialogs.fileNames.push_back(f.sandbox.path("s.txt"));
    f.form->SpeedButtonSaveASClick();
    QVERIFY(f.document()->isModified());
    f.dialogs.answers = {false};
    QVERIFY(f.form->FormClose());
    QCOMPARE(f.dialogs.texts("ask"), QStringList{Saving.arg(f.sandbox.path("s.txt"))});
}

// Escape and the close box (or Alt+F4) leave the question open: no edits lost to a stray key.
void FilesTest::questionsTakeOnlyYesOrNo() {
    QtDialogs dialogs;
    for (const QMessageBox::StandardButton answer : {QMessageBox::Yes, QMessageBox::No}) {
        bool stillOpen = false;
        QTimer::singleShot(0, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            QVERIFY(box && !(box->windowFlags() & Qt::WindowCloseButtonHint));
            QTest::keyClick(box->button(QMessageBox::No), Qt::Key_Escape);
            box->close();
            stillOpen = box->isVisible();
            box->button(answer)->click();
        });
        QCOMPARE(dialogs.askYesNo(nullptr, Saving.arg("a.txt")), answer == QMessageBox::Yes);
        QVERIFY(stillOpen);
    }
}

void FilesTest::openTakesTheChosenFile() {
    EditorFixture f;
    f.sandbox.write("other.txt", cp1251("Загружено\r\nиз файла"));
    f.dialogs.fileNames.push_back(QStringLiteral(".\\other.txt"));
    f.form->SpeedButtonOpenClick();
    QVERIFY(f.dialogs.texts("ask").isEmpty());
    QCOMPARE(f.dialogs.fileRequests.back().fileName, QStringLiteral(".\\Tmp.txt"));
    QCOMPARE(f.dialogs.fileRequests.back().filter,
             QStringLiteral("Текстовые файлы   *.txt|*.txt|Все файлы|*.*"));
    QCOMPARE(f.dialogs.fileRequests.back().defaultSuffix, QString());
    QCOMPARE(f.text(), QStringLiteral("Загружено\nиз файла"));
    QCOMPARE(f.caption(), captionFor("other.txt"));
    QCOMPARE(f.status(), QStringLiteral("Чтение файла: other.txt"));
    QCOMPARE(f.caret(), 18);

    // The open dialog starts with its own last name next time; a cancel changes nothing.
    f.dialogs.fileNames.push_back(std::nullopt);
    f.form->SpeedButtonOpenClick();
    QCOMPARE(f.dialogs.fileRequests.back().fileName, QStringLiteral(".\\other.txt"));
    QCOMPARE(f.text(), QStringLiteral("Загружено\nиз файла"));
}

void FilesTest::openAsksAboutAModifiedTextFirst_data() {
    QTest::addColumn<bool>("modified");
    QTest::addColumn<bool>("docExists");
    QTest::addColumn<bool>("backupWritable");
    QTest::addColumn<QString>("answers"); // y: Yes, n: No
    QTest::addColumn<QString>("log");     // a: save question, o: overwrite, d: dialog, e: error
    QTest::addColumn<QByteArray>("docAfter");
    QTest::newRow("unmodified: no question") << false << true << true << ""
                                             << "d" << QByteArray("saved");
    QTest::newRow("modified, No") << true << true << true << "n"
                                  << "ad" << QByteArray("saved");
    QTest::newRow("modified, Yes, overwrite Yes") << true << true << true << "yy"
                                                  << "aod" << QByteArray("edited");
    QTest::newRow("modified, Yes, overwrite No") << true << true << true << "yn"
                                                 << "aod" << QByteArray("saved");
    QTest::newRow("modified, Yes, file still missing") << true << false << true << "y"
                                                       << "ad" << QByteArray("edited");
    // The error box and no dialog after it: the edits stay where they were.
    QTest::newRow("modified, Yes, failed write") << true << true << false << "yy"
                                                 << "aoe" << QByteArray("saved");
}

void FilesTest::openAsksAboutAModifiedTextFirst() {
    QFETCH(bool, modified);
    QFETCH(bool, docExists);
    QFETCH(bool, backupWritable);
    QFETCH(QString, answers);
    QFETCH(QString, log);
    QFETCH(QByteArray, docAfter);
    EditorFixture f;
    f.sandbox.write("config/Kesmar.ini", "[LastFile]\r\nPath=.\\doc.txt\r\n");
    if (docExists)
        f.sandbox.write("doc.txt", "saved");
    f.sandbox.write("Tmp.txt", "backup");
    if (!backupWritable)
        QVERIFY(QFile::setPermissions(f.sandbox.path("Tmp.txt"), QFile::ReadOwner));
    f.sandbox.write("other.txt", "other text");
    f.restart();
    if (modified)
        f.setText("edited");
    const QString before = f.text();
    for (const QChar answer : answers)
        f.dialogs.answers.push_back(answer == u'y');
    f.dialogs.fileNames.push_back(QStringLiteral(".\\other.txt"));
    f.dialogs.log.clear();
    f.form->itemLoad->trigger();

    const QMap<QChar, QString> lines = {
        {u'a', "ask: " + Saving.arg(".\\doc.txt")},
        {u'o', "ask: " + Overwrite},
        {u'd', QStringLiteral("open: .\\doc.txt")},
        {u'e', "error: " + failed("Cannot create file .\\Tmp.txt.", AccessDenied).first()},
    };
    QStringList expected;
    for (const QChar key : log)
        expected << lines[key];
    QCOMPARE(f.dialogs.log, expected);
    QVERIFY(f.dialogs.answers.empty());
    QCOMPARE(f.sandbox.exists("doc.txt") ? f.sandbox.read("doc.txt") : QByteArray("missing"),
             docAfter);
    QCOMPARE(f.sandbox.read("Tmp.txt"), docAfter == "edited" ? docAfter : QByteArray("backup"));
    const bool opened = log.endsWith(u'd');
    QCOMPARE(f.text(), opened ? QStringLiteral("other text") : before);
    QCOMPARE(f.caption(), captionFor(opened ? "other.txt" : "doc.txt"));
}

void FilesTest::openingAMissingFileKeepsTheTextAndTakesTheName() {
    EditorFixture f;
    f.setText("still here");
    f.dialogs.fileNames.push_back(QStringLiteral("nothere.txt"));
    f.form->itemLoad->trigger();
    QCOMPARE(f.dialogs.texts("error"), failed("Cannot open file nothere.txt.", NotFound));
    QCOMPARE(f.text(), QStringLiteral("still here"));
    QCOMPARE(f.caption(), captionFor("nothere.txt"));
    QCOMPARE(f.status(), QStringLiteral("2")); // no reading message

    f.dialogs.fileNames.push_back(std::nullopt);
    f.form->SpeedButtonSaveClick();
    QVERIFY(!f.sandbox.exists("nothere.txt"));
    // The prompt creates it.
    f.dialogs.answers = {true};
    QVERIFY(f.form->SavePrompt());
    QCOMPARE(f.sandbox.read("nothere.txt"), QByteArray("still here"));
}

namespace {

// What stands at a name before and after: kind, size and content (a 16 MiB file by size).
QByteArray fingerprint(const QString& path) {
    struct stat st {};
    if (::lstat(QFile::encodeName(path).constData(), &st) != 0)
        return "missing";
    QByteArray print = QByteArray::number(st.st_mode) + ' ' + QByteArray::number(st.st_size);
    if (S_ISREG(st.st_mode) && st.st_size < 4096) {
        QFile file(path);
        if (file.open(QIODevice::ReadOnly))
            print += ' ' + file.readAll().toHex();
    }
    return print;
}

// Opens `bad`, which exists but cannot be read, over the document doc.txt; then saves and
// closes with the prompt answered Yes. Only doc.txt may change.
void failedOpenThenSaveAndClose(EditorFixture& f, const QString& bad, const QString& reason) {
    f.sandbox.write("doc.txt", "document");
    f.dialogs.fileNames.push_back(QStringLiteral("doc.txt"));
    f.form->SpeedButtonOpenClick();
    f.setText("edited");
    const QByteArray before = fingerprint(f.sandbox.path(bad));
    f.dialogs.answers = {false}; // the edits are not saved before the Open
    f.dialogs.fileNames.push_back(bad);
    f.form->itemLoad->trigger();
    QCOMPARE(f.dialogs.texts("error"), QStringList{"Cannot open file " + bad + ".\n" + reason});
    QCOMPARE(f.text(), QStringLiteral("edited"));
    QCOMPARE(f.caption(), captionFor("doc.txt"));
    f.form->itemSave->trigger();
    f.dialogs.answers = {true, true};
    QVERIFY(f.form->FormClose());
    QCOMPARE(f.dialogs.texts("ask").first(), QStringLiteral("Записать файл <doc.txt> ?"));
    QCOMPARE(fingerprint(f.sandbox.path(bad)), before);
    QCOMPARE(f.sandbox.read("doc.txt"), QByteArray("edited"));
    QCOMPARE(f.lastFile(), QStringLiteral("doc.txt"));
}

} // namespace

void FilesTest::aFailedOpenKeepsTheNameAndTheFileItCouldNotRead() {
    EditorFixture f;
    QDir(f.sandbox.path()).mkdir("folder");
    QFile big(f.sandbox.path("huge.txt"));
    QVERIFY(big.open(QIODevice::WriteOnly));
    QVERIFY(big.resize(16 * 1024 * 1024 + 1)); // sparse: costs no disk
    big.close();
    QList<std::pair<QString, QString>> cases = {{"huge.txt", TooLarge},
                                                {"folder", "Это папка, а не файл."}};
#ifndef Q_OS_WIN // Windows has no FIFOs
    QCOMPARE(::mkfifo(qPrintable(f.sandbox.path("pipe")), 0600), 0);
    cases.push_back({"pipe", "Это канал (FIFO), а не обычный файл."});
#endif
    for (const auto& [bad, reason] : cases) {
        f.dialogs.log.clear();
        failedOpenThenSaveAndClose(f, bad, reason);
        if (QTest::currentTestFailed())
            return;
    }
}

void FilesTest::aFailedOpenOfAnUnreadableFileKeepsItWhole() {
#ifdef Q_OS_WIN
    QSKIP("Windows' file attributes cannot forbid reading a file");
#endif
    if (!unprivileged())
        return;
    EditorFixture f;
    f.sandbox.write("secret.txt", "not yours to read");
    QVERIFY(QFile::setPermissions(f.sandbox.path("secret.txt"), QFile::WriteOwner));
    failedOpenThenSaveAndClose(f, QStringLiteral("secret.txt"), AccessDenied);
}

void FilesTest::aFailedBackupWriteLeavesBothFilesWhole() {
#ifdef Q_OS_WIN
    QSKIP("Windows has no file size limit to make a write fail midway");
#else
    EditorFixture f;
    f.sandbox.write("Tmp.txt", "backup before");
    f.sandbox.write("doc.txt", "document before");
    f.dialogs.fileNames.push_back(QStringLiteral("doc.txt"));
    f.form->SpeedButtonOpenClick();
    const QString settingsBefore = f.lastFile();
    f.setText(QString(200, QLatin1Char('x')));
    {
        FileSizeLimit limit(64);
        QVERIFY(!f.form->runCommand([&] { f.form->SpeedButtonSaveClick(); }));
    }
    QCOMPARE(f.dialogs.texts("error"), failed("Cannot create file .\\Tmp.txt.", TooLarge));
    QCOMPARE(f.sandbox.read("Tmp.txt"), QByteArray("backup before"));
    QCOMPARE(f.sandbox.read("doc.txt"), QByteArray("document before"));
    QCOMPARE(f.lastFile(), settingsBefore);
    // No temporary file is left behind.
    QStringList files = QDir(f.sandbox.path()).entryList(QDir::Files);
    files.sort();
    QCOMPARE(files, (QStringList{"Tmp.txt", "doc.txt"}));
#endif
}

void FilesTest::aReadOnlyFileIsLeftWholeAndReported() {
    EditorFixture f;
    f.sandbox.write("doc.txt", "read only");
    QVERIFY(QFile::setPermissions(f.sandbox.path("doc.txt"), QFile::ReadOwner | QFile::ReadGroup));
    f.dialogs.fileNames.push_back(QStringLiteral("doc.txt"));
    f.form->SpeedButtonOpenClick();
    f.setText("changed");
    QVERIFY(!f.form->runCommand([&] { f.form->SpeedButtonSaveClick(); }));
    QCOMPARE(f.dialogs.texts("error"), failed("Cannot create file doc.txt.", AccessDenied));
    QCOMPARE(f.sandbox.read("doc.txt"), QByteArray("read only"));
    // The backup was written before the failure; the settings were not.
    QCOMPARE(f.sandbox.read("Tmp.txt"), QByteArray("changed"));
    QVERIFY(!f.sandbox.exists("config/Kesmar.ini"));
}

void FilesTest::aDiskErrorIsReportedAndLeavesTheFilesWhole() {
#ifdef Q_OS_WIN
    QSKIP("the failing sync stands in for fsync; Windows syncs with FlushFileBuffers");
#else
    EditorFixture f;
    f.sandbox.write("Tmp.txt", "backup before");
    f.restart();
    f.setText("lost to a dying disk");
    syncfaults::failFilesWith(EIO);
    f.form->itemSave->trigger();
    syncfaults::reset();
    QCOMPARE(f.dialogs.texts("error"),
             QStringList{"Cannot create file .\\Tmp.txt.\nОшибка ввода-вывода."});
    QCOMPARE(f.sandbox.read("Tmp.txt"), QByteArray("backup before"));
#endif
}

void FilesTest::aFailedWriteOnCloseKeepsTheWindowOpen() {
    EditorFixture f;
    f.sandbox.write("Tmp.txt", "old");
    QVERIFY(QFile::setPermissions(f.sandbox.path("Tmp.txt"), QFile::ReadOwner));
    f.restart();
    f.setText("unsaved");
    f.dialogs.answers = {true, true};
    QVERIFY(!f.form->FormClose());
    QCOMPARE(f.dialogs.texts("error"), failed("Cannot create file .\\Tmp.txt.", AccessDenied));
    QCOMPARE(f.sandbox.read("Tmp.txt"), QByteArray("old"));
}

void FilesTest::aSymbolicLinkStaysALink() {
#ifdef Q_OS_WIN
    QSKIP("QFile::link makes a Windows shortcut, not a symbolic link");
#endif
    EditorFixture f;
    QDir(f.sandbox.path()).mkdir("store");
    f.sandbox.write("store/real.txt", "before");
    QVERIFY(QFile::link(f.sandbox.path("store/real.txt"), f.sandbox.path("link.txt")));
    f.dialogs.fileNames.push_back(QStringLiteral("link.txt"));
    f.form->SpeedButtonOpenClick();
    QCOMPARE(f.text(), QStringLiteral("before"));
    f.setText("after");
    f.form->SpeedButtonSaveClick();
    QVERIFY(QFileInfo(f.sandbox.path("link.txt")).isSymLink());
    QCOMPARE(f.sandbox.read("store/real.txt"), QByteArray("after"));
}

void FilesTest::aNameWithALineBreakIsRefused() {
    EditorFixture f;
    f.setText("text");
    f.form->SaveIniFile();
    const QByteArray settings = f.sandbox.read("config/Kesmar.ini");
    const QString refused = QStringLiteral("В имени файла есть перевод строки, такое имя не "
                                           "принимается.");
    for (const char* name : {"a\n[PortMap]\nCOM 1=/dev/null\n.txt", "b\r.txt"}) {
        f.dialogs.fileNames = {QString::fromLatin1(name), QString::fromLatin1(name)};
        f.form->itemSaveAS->trigger();
        f.form->itemLoad->trigger();
        QCOMPARE(f.dialogs.texts("error"), (QStringList{refused, refused}));
        f.dialogs.log.clear();
    }
    QCOMPARE(f.caption(), captionFor("Tmp.txt"));
    QCOMPARE(f.text(), QStringLiteral("text"));
    f.form->SaveIniFile();
    QCOMPARE(f.sandbox.read("config/Kesmar.ini"), settings);
    QCOMPARE(QDir(f.sandbox.path()).entryList(QDir::Files), QStringList());
}

void FilesTest::aFifoIsNeverReplacedByAFile() {
#ifdef Q_OS_WIN
    QSKIP("Windows has no FIFOs");
#else
    EditorFixture f;
    QCOMPARE(::mkfifo(qPrintable(f.sandbox.path("pipe")), 0600), 0);
    f.setText("text");
    f.dialogs.fileNames.push_back(QStringLiteral("pipe"));
    f.dialogs.answers = {true};
    f.form->itemSaveAS->trigger();
    QCOMPARE(f.dialogs.texts("ask"), QStringList{OverwriteSaveAs});
    QCOMPARE(f.dialogs.texts("error"),
             QStringList{"Cannot create file pipe.\nЭто канал (FIFO), а не обычный файл."});
    struct stat st {};
    QCOMPARE(::lstat(qPrintable(f.sandbox.path("pipe")), &st), 0);
    QVERIFY(S_ISFIFO(st.st_mode));
#endif
}

void FilesTest::everyByteFrom0x20Survives() {
    EditorFixture f;
    QByteArray bytes;
    for (int b = 0x20; b <= 0xFF; ++b) {
        bytes.append(static_cast<char>(b));
        if (b % 32 == 31)
            bytes.append("\r\n");
    }
    f.sandbox.write("all.txt", bytes);
    f.dialogs.fileNames.push_back(QStringLiteral("all.txt"));
    f.form->SpeedButtonOpenClick();
    QCOMPARE(f.document()->blockCount(), 8);
    QCOMPARE(QByteArray::fromStdString(f.form->messageBytes()), bytes);
    f.form->SpeedButtonSaveClick();
    QCOMPARE(f.sandbox.read("all.txt"), bytes);
    QCOMPARE(f.sandbox.read("Tmp.txt"), bytes);
    // Each break counts two: 224 characters and 7 breaks.
    QCOMPARE(f.form->messageLength(), 224 + 14);
}

void FilesTest::lfOnlyAndLoneCrFilesKeepTheirLines() {
    EditorFixture f;
    f.sandbox.write("unix.txt", "one\ntwo\n\nfour");
    f.sandbox.write("mac.txt", "one\rtwo");
    f.dialogs.fileNames.push_back(QStringLiteral("unix.txt"));
    f.form->SpeedButtonOpenClick();
    QCOMPARE(f.document()->blockCount(), 4);
    QCOMPARE(f.text(), QStringLiteral("one\ntwo\n\nfour"));
    f.form->SpeedButtonSaveClick();
    QCOMPARE(f.sandbox.read("unix.txt"), QByteArray("one\r\ntwo\r\n\r\nfour"));

    f.dialogs.fileNames.push_back(QStringLiteral("mac.txt"));
    f.form->SpeedButtonOpenClick();
    QCOMPARE(f.document()->blockCount(), 2);
    QCOMPARE(f.form->messageBytes(), std::string("one\r\ntwo"));
}

void FilesTest::controlBytesNeitherTruncateNorGetLost() {
    EditorFixture f;
    const QByteArray bytes("head\0mid\x01\x1b\x7f\t\x98tail\r\n\0", 20);
    f.sandbox.write("ctl.txt", bytes);
    f.dialogs.fileNames.push_back(QStringLiteral("ctl.txt"));
    f.form->SpeedButtonOpenClick();
    QVERIFY(f.dialogs.texts("error").isEmpty());
    QCOMPARE(f.form->messageLength(), 20);
    QCOMPARE(QByteArray::fromStdString(f.form->messageBytes()), bytes);
    f.form->SpeedButtonSaveClick();
    QCOMPARE(f.sandbox.read("ctl.txt"), bytes);
}

void FilesTest::controlBytesHaveVisiblePictures() {
    // NUL, ESC and DEL show as control pictures, 0x98 as the replacement character; TAB stays.
    QCOMPARE(messagetext::fromFileBytes(std::string("a\0b\x1b\x7f\t\x98", 7)),
             QString::fromUtf16(u"a\u2400b\u241B\u2421\t\uFFFD"));
    // Pasted controls become the same pictures; pasted pictures stand for their bytes.
    int replaced = -1;
    QCOMPARE(messagetext::clean(QString::fromUtf16(u"x\u0001\u2400\u0098y"), &replaced),
             QString::fromUtf16(u"x\u2401\u2400\uFFFDy"));
    QCOMPARE(replaced, 0);
    QCOMPARE(messagetext::toFileBytes(QString::fromUtf16(u"\u2401\u2400\uFFFD\u2421")),
             std::string("\x01\0\x98\x7f", 4));
    // The pictures of TAB, LF and CR are no bytes of the editor's: they become "?".
    QCOMPARE(messagetext::clean(QString::fromUtf16(u"\u2409\u240A\u240D"), &replaced),
             QStringLiteral("???"));
    QCOMPARE(replaced, 3);
}

void FilesTest::screenFormatsNeverReachTheFile() {
    EditorFixture f;
    f.setText("Формат\nне в файле");
    const std::string before = f.form->messageBytes();
    f.edit()->selectAll();
    f.dialogs.fonts.push_back(QFont(QStringLiteral("DejaVu Serif"), 20, QFont::Bold, true));
    f.form->itemFontChangeClick();
    f.form->UstRus();
    QCOMPARE(f.form->messageBytes(), before);
    f.dialogs.fileNames.push_back(f.sandbox.path("fmt.txt"));
    f.form->SpeedButtonSaveASClick();
    QCOMPARE(f.sandbox.read("fmt.txt"), cp1251("Формат\r\nне в файле"));
}

void FilesTest::typedTextWithCodesSurvivesARestart() {
    EditorFixture f;
    f.dialogs.answers = {false};
    f.form->SpeedButtonNewClick();
    type(f.edit(), QStringLiteral("Привет моя /Q3\n"));
    f.button("SpeedButtonWait3")->click();
    type(f.edit(), QStringLiteral("мир €"));
    f.button("SpeedButtonInv")->click();
    type(f.edit(), QString::fromUtf16(u"\u2713 конец"));
    QCOMPARE(f.status(), QStringLiteral("Заменено на \"?\" символов: 1"));
    f.button("SpeedButton1")->click();

    const QByteArray expected = cp1251("Привет моя /Q3\r\n/W4мир €/I1? конец/N1");
    QCOMPARE(QByteArray::fromStdString(f.form->messageBytes()), expected);
    f.dialogs.fileNames.push_back(QStringLiteral(".\\message.txt"));
    f.form->SpeedButtonSaveASClick();
    QCOMPARE(f.sandbox.read("message.txt"), expected);

    f.restart();
    QCOMPARE(f.caption(), captionFor("message.txt"));
    QCOMPARE(QByteArray::fromStdString(f.form->messageBytes()), expected);

    // And it goes on the line as the text frame: the line break as two blanks, 0xFF (the
    // letter "я") escaped as 0xFF 0xFE.
    f.form->SpeedButtonTxClick();
    QCOMPARE(f.serial.frames.size(), std::size_t(1));
    QByteArray payload = expected;
    payload.replace("\r\n", "  ");
    payload.replace("\xFF", QByteArray("\xFF\xFE", 2));
    const QByteArray frame = QByteArray(200, '\xFF') + '\xF1' + payload + QByteArray(5, '\x08') +
                             QByteArray("\xFF\xF0\xFF");
    const auto& sent = f.serial.frames.front();
    const QByteArray line(reinterpret_cast<const char*>(sent.data()), qsizetype(sent.size()));
    QCOMPARE(line.toHex(' '), frame.toHex(' '));
}

void FilesTest::utf8FilesAreConvertedAndSavedAsWindows1251() {
    EditorFixture f;
    struct Case {
        QByteArray file;
        QString text;
        QString status;
    };
    const Case cases[] = {
        {"\xEF\xBB\xBF/S5 \xD0\x9F\xD1\x80\xD0\xB8\r\n\xE2\x82\xAC", "/S5 При\n€",
         "Из UTF-8 в Win-1251"},
        {"\xD0\xAF \xE6\x97\xA5\xE6\x9C\xAC \xF0\x9F\x98\x80", "Я ?? ?", "Из UTF-8; \"?\": 3"},
        // Windows-1251 stays as it is, and says nothing more than the reading message.
        {cp1251("Ёлка «я»"), "Ёлка «я»", "Чтение файла: u.txt"},
    };
    for (const auto& c : cases) {
        f.sandbox.write("u.txt", c.file);
        f.dialogs.fileNames.push_back(QStringLiteral(".\\u.txt"));
        f.form->SpeedButtonOpenClick();
        QCOMPARE(f.text(), c.text);
        QCOMPARE(f.status(), c.status);
        // The next save writes what the editor shows, in Windows-1251.
        f.form->SpeedButtonSaveClick();
        QCOMPARE(f.sandbox.read("u.txt"), cp1251(QString(c.text).replace("\n", "\r\n")));
    }
}

QTEST_MAIN(FilesTest)
#include "FilesTest.moc"
