// lumetra-send as a script runs it: its frames against the window's own, uploads to the
// simulated sign on a pseudo-terminal, the code check, every exit status, and Ctrl+C.

#include "app/MainForm.h"
#include "editor/MessageEdit.h"
#include "font/FontTable.h"
#include "frames/Frames.h"
#include "sign/CodeMarks.h"
#include "upload/SerialLink.h"
#include "upload/Telnet.h"

#include "PseudoTerminal.h"
#include "Sandbox.h"
#include "ScriptedDialogs.h"
#include "Ser2net.h"
#include "TestFrames.h"

#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTest>

#include <csignal>
#include <random>
#include <tuple>

namespace {

struct Run {
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

QByteArray bytesOf(std::span<const std::uint8_t> frame) {
    return QByteArray(reinterpret_cast<const char*>(frame.data()), qsizetype(frame.size()));
}

// Reads a pseudo-terminal's master on a thread, no faster than a 1200-baud line carries the
// bytes (`paced`) or as fast as they come, until stopped.
class MasterDrain {
public:
    MasterDrain(PseudoTerminal& pty, bool paced)
        : m_pty(pty), m_paced(paced), m_thread([this] { run(); }) {}
    ~MasterDrain() { stop(); }

    int count() const { return m_count.load(); }

    QByteArray stop() {
        m_stop = true;
        if (m_thread.joinable())
            m_thread.join();
        return m_bytes;
    }

private:
    void run() {
        using Clock = std::chrono::steady_clock;
        Clock::time_point start;
        char buffer[4096];
        while (!m_stop) {
            pollfd p{m_pty.master(), POLLIN, 0};
            if (::poll(&p, 1, 10) <= 0)
                continue;
            if (m_bytes.isEmpty())
                start = Clock::now();
            std::size_t want = sizeof buffer;
            if (m_paced) {
                const auto allowed =
                    lineBytes(std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() -
                                                                                    start)) +
                    1;
                want = std::min(want, allowed - std::min(allowed, std::size_t(m_bytes.size())));
                if (want == 0) {
                    std::this_thread::sleep_for(std::chrono::milliseconds(5));
                    continue;
                }
            }
            const ssize_t n = ::read(m_pty.master(), buffer, want);
            if (n > 0) {
                m_bytes.append(buffer, n);
                m_count.store(int(m_bytes.size()));
            }
        }
    }

    PseudoTerminal& m_pty;
    bool m_paced;
    std::atomic<bool> m_stop{false};
    std::atomic<int> m_count{0};
    QByteArray m_bytes;
    std::thread m_thread;
};

} // namespace

class SendProgramTest : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void textFramesAreTheWindows_data();
    void textFramesAreTheWindows();
    void fontFrameIsTheWindows();
    void checkNamesLineAndColumn();
    void portsResolveAsInTheWindow_data();
    void portsResolveAsInTheWindow();
    void exitStatuses_data();
    void exitStatuses();
    void lengthLimitIsTheWindows();
    void reasonsAreInTheUsersLanguage();
    void interruptStopsAPacedUpload_data();
    void interruptStopsAPacedUpload();
    void interruptStopsTheOpeningOfASilentConverter();

private:
    QProcess* start(const QStringList& args, const QByteArray& input = {},
                    const QString& language = QStringLiteral("C"));
    Run send(const QStringList& args, const QByteArray& input = {},
             const QString& language = QStringLiteral("C"));
    QJsonObject nextFrame();
    QByteArray windowFrame() const { return bytesOf(textFrame(m_form->messageBytes())); }

    std::unique_ptr<Sandbox> m_sandbox;
    std::unique_ptr<QProcess> m_sign;
    QString m_device;
    ScriptedDialogs m_dialogs;
    std::unique_ptr<SerialLink> m_serial;
    FontTables m_font;
    std::unique_ptr<TMainForm> m_form;
    std::vector<std::unique_ptr<QProcess>> m_processes;
};

void SendProgramTest::init() {
    m_sandbox = std::make_unique<Sandbox>();
    m_sign = std::make_unique<QProcess>();
    m_sign->start(QStringLiteral(LUMETRA_SIGN_PATH), {QStringLiteral("--headless")});
    QVERIFY(m_sign->waitForStarted(10000));
    QVERIFY(m_sign->waitForReadyRead(10000) || m_sign->canReadLine());
    const QString line = QString::fromUtf8(m_sign->readLine()).trimmed();
    QVERIFY2(line.startsWith(QStringLiteral("device: ")), qPrintable(line));
    m_device = line.mid(8);
    m_sandbox->write(QStringLiteral("config/Kesmar.ini"),
                     "[PortMap]\r\nCOM 1=" + m_device.toUtf8() + "\r\n");
    m_serial = makeSystemSerialLink();
    m_form = std::make_unique<TMainForm>(m_dialogs, *m_serial, m_font);
}

void SendProgramTest::cleanup() {
    m_processes.clear();
    m_form.reset();
    m_sign->terminate();
    if (!m_sign->waitForFinished(5000))
        m_sign->kill();
    m_sign.reset();
    m_sandbox.reset();
}

QProcess* SendProgramTest::start(const QStringList& args, const QByteArray& input,
                                 const QString& language) {
    auto process = std::make_unique<QProcess>();
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("LC_ALL"));
    env.remove(QStringLiteral("LC_MESSAGES"));
    env.insert(QStringLiteral("LANG"), language);
    process->setProcessEnvironment(env);
    process->start(QStringLiteral(LUMETRA_SEND_PATH), args);
    process->write(input);
    process->closeWriteChannel();
    m_processes.push_back(std::move(process));
    return m_processes.back().get();
}

Run SendProgramTest::send(const QStringList& args, const QByteArray& input,
                          const QString& language) {
    QProcess* process = start(args, input, language);
    Run run;
    if (!process->waitForFinished(120000) || process->exitStatus() != QProcess::NormalExit)
        return run;
    run.exitCode = process->exitCode();
    run.out = process->readAllStandardOutput();
    run.err = process->readAllStandardError();
    return run;
}

QJsonObject SendProgramTest::nextFrame() {
    QDeadlineTimer deadline(30000);
    while (!deadline.hasExpired()) {
        if (m_sign->canReadLine()) {
            const QJsonDocument doc = QJsonDocument::fromJson(m_sign->readLine().trimmed());
            if (doc.isObject())
                return doc.object();
            continue;
        }
        m_sign->waitForReadyRead(200);
    }
    return {};
}

void SendProgramTest::textFramesAreTheWindows_data() {
    QTest::addColumn<QString>("source"); // how the window gets the same text
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<int>("replaced");

    QTest::newRow("demo text") << QStringLiteral("demo") << QByteArray() << 0;

    // Every byte, between line breaks of every kind, control characters and ya included.
    QByteArray cp1251;
    for (int b = 0; b < 256; ++b) {
        cp1251.append(char(b));
        if (b % 32 == 31)
            cp1251.append(b % 64 == 31 ? "\r\n" : "\n");
    }
    cp1251.append("\r/S5 \xCF\xF0\xE8\xE2\xE5\xF2 \xFF\xFF\r\n");
    QTest::newRow("Windows-1251 file") << QStringLiteral("file") << cp1251 << 0;

    QTest::newRow("UTF-8 file")
        << QStringLiteral("file")
        << QByteArray("\xEF\xBB\xBF"
                      "Скидки /W4 до 50% — только сегодня!\r\n№5 ёЁ € «ёлка» → я\n\tконец")
        << 1;
    QTest::newRow("standard input")
        << QStringLiteral("stdin") << QByteArray("\xC8\xE7 \xF2\xF0\xF3\xE1\xFB /Q1\r\n\xFF\n")
        << 0;
}

void SendProgramTest::textFramesAreTheWindows() {
    QFETCH(QString, source);
    QFETCH(QByteArray, input);
    QFETCH(int, replaced);

    const QString file = m_sandbox->path(QStringLiteral("message.txt"));
    // The demo text as the window saves it; anything else as the window's Open reads it.
    if (source == QLatin1String("demo"))
        input = QByteArray::fromStdString(m_form->messageBytes());
    m_sandbox->write(QStringLiteral("message.txt"), input);
    if (source != QLatin1String("demo")) {
        m_dialogs.fileNames.push_back(file);
        m_form->SpeedButtonOpenClick();
        QVERIFY(m_dialogs.texts(QStringLiteral("error")).isEmpty());
    }
    const QByteArray expected = windowFrame();
    const QStringList fromFile = {source == QLatin1String("stdin") ? QStringLiteral("-") : file};
    const QByteArray stdinBytes = source == QLatin1String("stdin") ? input : QByteArray();

    const Run dumped =
        send(QStringList{QStringLiteral("--dump"), QStringLiteral("-")} + fromFile, stdinBytes);
    QCOMPARE(dumped.exitCode, 0);
    QCOMPARE(dumped.out, expected);
    QCOMPARE(dumped.err.contains("sent as \"?\": " + QByteArray::number(replaced)), replaced > 0);

    // The hex dump holds the same bytes.
    const Run hex = send(QStringList{QStringLiteral("--hex")} + fromFile, stdinBytes);
    QByteArray fromHex;
    for (const QByteArray& line : hex.out.split('\n'))
        fromHex += QByteArray::fromHex(line.mid(10, 49).replace(' ', ""));
    QCOMPARE(fromHex, expected);

    // The sign gets from lumetra-send what it gets from the window's upload button.
    const Run sent =
        send(QStringList{QStringLiteral("--port"), QStringLiteral("1")} + fromFile, stdinBytes);
    QCOMPARE(sent.exitCode, 0);
    // Standard error is no terminal: the warnings of the dump, and no progress bar.
    QCOMPARE(sent.out, QByteArray());
    QCOMPARE(sent.err, dumped.err);
    const QJsonObject fromSend = nextFrame();
    m_form->SpeedButtonTxClick();
    const QJsonObject fromWindow = nextFrame();
    QCOMPARE(fromSend.value(QStringLiteral("type")).toString(), QStringLiteral("text"));
    QCOMPARE(fromSend.value(QStringLiteral("bytes")).toInt(), expected.size());
    QCOMPARE(fromSend, fromWindow);
}

void SendProgramTest::fontFrameIsTheWindows() {
    std::mt19937 random(20261208);
    for (auto& byte : m_font.FontTable)
        byte = static_cast<std::uint8_t>(random() % 4 == 0 ? 0xFF : random());
    m_font.SaveZg(m_sandbox->path(QStringLiteral("drawn.zg")).toStdString());
    TxFrame tx;
    tx.BuildFontFrame(m_font.FontTable);

    const Run dumped = send({QStringLiteral("--dump"), QStringLiteral("-"),
                             QStringLiteral("--font"), QStringLiteral("drawn.zg")});
    QCOMPARE(dumped.exitCode, 0);
    QCOMPARE(dumped.out, bytesOf(tx.frame()));

    const Run sent =
        send({QStringLiteral("--json"), QStringLiteral("--font"), QStringLiteral("drawn.zg")});
    QCOMPARE(sent.exitCode, 0);
    const QJsonObject result = QJsonDocument::fromJson(sent.out).object();
    QCOMPARE(result.value(QStringLiteral("outcome")).toString(), QStringLiteral("sent"));
    QCOMPARE(result.value(QStringLiteral("bytes")).toInt(), int(tx.TxCount()));
    QCOMPARE(result.value(QStringLiteral("sent")).toInt(), int(tx.TxCount()));
    QCOMPARE(result.value(QStringLiteral("device")).toString(), m_device);
    const QJsonObject frame = nextFrame();
    QCOMPARE(frame.value(QStringLiteral("type")).toString(), QStringLiteral("font"));
    QCOMPARE(
        frame.value(QStringLiteral("symbols")).toString().toLatin1(),
        QByteArray(reinterpret_cast<const char*>(m_font.FontTable.data()) + 256, 1792).toHex());
}

void SendProgramTest::checkNamesLineAndColumn() {
    m_sandbox->write(QStringLiteral("codes.txt"),
                     "Demo /S5 /W1\r\n   /\xD1\x31 clear\n/s3\t/S9 /Q");
    const Run english = send({QStringLiteral("--check"), QStringLiteral("codes.txt")});
    QCOMPARE(english.exitCode, 1);
    const QByteArray slash = ". The sign cannot show a \"/\" at all: every \"/\" starts a code. "
                             "Write a fraction in words: \"1 к 2\", \"пол\".\n";
    QCOMPARE(english.out,
             "codes.txt:2:4: \"/С1\": no effect letter after the \"/\"; the sign: pause 1 s" +
                 slash +
                 "codes.txt:3:1: \"/s3\": no effect letter after the \"/\"; the sign: pause 1 s" +
                 slash +
                 "codes.txt:3:5: \"/S9\": /S takes the digits 0 to 7; the sign: speed 7\n"
                 "codes.txt:3:9: \"/Q\": the code ends with the line; the sign: clear, then "
                 "pause 1 s\n");
    // Codes are never changed: the frame still carries them.
    QVERIFY(send({QStringLiteral("--dump"), QStringLiteral("-"), QStringLiteral("codes.txt")})
                .out.contains("/s3 /S9 /Q\x08"));

    // The same text in UTF-8 from standard input, in Russian.
    const Run russian = send({QStringLiteral("--check"), QStringLiteral("-")}, "ок /S1\nплохо /Ж1",
                             QStringLiteral("ru_RU.UTF-8"));
    QCOMPARE(russian.exitCode, 1);
    QCOMPARE(russian.out, QByteArray("стандартный ввод:2:7: \"/Ж1\": после \"/\" нет буквы "
                                     "эффекта; табло: пауза 1 с. Знак «/» табло не показывает "
                                     "никак: с него всегда начинается код. Дробь пишите "
                                     "словами: «1 к 2», «пол».\n"));

    m_sandbox->write(QStringLiteral("good.txt"), "/S0 /W7 /Q1 /F5 /U2 /D1 /J1 /I1 /N1 50%");
    const Run good = send({QStringLiteral("--check"), QStringLiteral("good.txt")});
    QCOMPARE(good.exitCode, 0);
    QCOMPARE(good.out, QByteArray());

    // The texts that trip operators up, codes right after codes and digits a type has no use
    // for among them: --check --json, the window's marks and the sign name the same effects.
    m_form->RichEdit->setPlainText("/5 1/2 /S8 /X1 /W\n//S3 /\nS3 /С1 /F2 /W4/S5 /W9/Q9/F7/U5/J9");
    m_sandbox->write("tricky.txt", QByteArray::fromStdString(m_form->messageBytes()));
    const Run json = send({"--check", "--json", "tricky.txt"});
    QCOMPARE(json.exitCode, 1);
    QCOMPARE(json.err.count('\n'), 10);
    const QJsonObject checked = QJsonDocument::fromJson(json.out).object();
    QCOMPARE(checked.value(QStringLiteral("outcome")).toString(), QStringLiteral("checked"));
    QStringList surprising, marked;
    for (const QJsonValue& v : checked.value(QStringLiteral("surprises")).toArray())
        surprising << v.toObject().value(QStringLiteral("code")).toString();
    QCOMPARE(surprising, QString("/W5 /W2 /S7 /X1 /W1 /W1 /W1 /W1 /F1 /U1").split(u' '));
    CodeMarks& marks = *m_form->codeMarks();
    marks.setText(m_form->messageBytes());
    for (const sign::CodeReading& code : marks.codes())
        if (code.surprise != sign::CodeReading::Surprise::None)
            marked << QString::fromStdString(code.code());
    QCOMPARE(marked, surprising);
    QCOMPARE(marks.surprises(), int(surprising.size()));
    QCOMPARE(send({"--port", "1", "tricky.txt"}).exitCode, 0);
    const QJsonArray onSign = nextFrame().value(QStringLiteral("effects")).toArray();
    QCOMPARE(onSign.size(), 16); // the unknown letter does nothing
    QCOMPARE(checked.value(QStringLiteral("effects")).toArray(), onSign);
}

void SendProgramTest::portsResolveAsInTheWindow_data() {
    QTest::addColumn<QByteArray>("settings");
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("device");
    const QByteArray map = "[PortMap]\r\nCOM 1=/nowhere/p1\r\nCOM 2=/nowhere/p2\r\n"
                           "COM 3=/nowhere/p3\r\n";
    QTest::newRow("--port") << map << QStringList{QStringLiteral("--port"), QStringLiteral("3")}
                            << QStringLiteral("/nowhere/p3");
    QTest::newRow("the port checked") << map + "[ComPort]\r\nAktive=COM 2\r\n"
                                      << QStringList() << QStringLiteral("/nowhere/p2");
    QTest::newRow("an entry the window does not know")
        << map + "[ComPort]\r\nAktive=COM2\r\n"
        << QStringList() << QStringLiteral("/nowhere/p1");
    QTest::newRow("--device") << map + "[ComPort]\r\nAktive=COM 2\r\n"
                              << QStringList{QStringLiteral("--device"), QStringLiteral("/dev/x")}
                              << QStringLiteral("/dev/x");
}

void SendProgramTest::portsResolveAsInTheWindow() {
    QFETCH(QByteArray, settings);
    QFETCH(QStringList, args);
    QFETCH(QString, device);
    m_sandbox->write(QStringLiteral("config/Kesmar.ini"), settings);
    const Run run = send(args + QStringList{QStringLiteral("--json"), QStringLiteral("-")}, "Hi");
    QCOMPARE(run.exitCode, 3);
    const QJsonObject result = QJsonDocument::fromJson(run.out).object();
    QCOMPARE(result.value(QStringLiteral("device")).toString(), device);
    QCOMPARE(result.value(QStringLiteral("outcome")).toString(), QStringLiteral("open-failed"));
}

void SendProgramTest::exitStatuses_data() {
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("setup");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("outcome"); // of --json; empty when none is printed
    QTest::addColumn<QByteArray>("says");
    const auto row = [](const char* name, QStringList args, const char* setup, int code,
                        const char* outcome, const char* says) {
        QTest::newRow(name) << args << QString::fromLatin1(setup) << code
                            << QString::fromLatin1(outcome) << QByteArray(says);
    };
    const QString json = QStringLiteral("--json");
    row("0 sent whole", {json, QStringLiteral("hello.txt")}, "", 0, "sent", "");
    row("0 dumped",
        {json, QStringLiteral("--dump"), QStringLiteral("frame.bin"), QStringLiteral("hello.txt")},
        "", 0, "dumped", "");
    row("2 bad usage", {QStringLiteral("--port"), QStringLiteral("0"), QStringLiteral("hello.txt")},
        "", 2, "", "--port takes 1 to 255, not \"0\"\nTry \"lumetra-send --help\".");
    row("2 unreadable input", {json, QStringLiteral("absent.txt")}, "", 2, "unreadable",
        "cannot read absent.txt: No such file or directory");
    row("2 a short font", {json, QStringLiteral("--font"), QStringLiteral("hello.txt")}, "", 2,
        "unreadable", "hello.txt holds 2 bytes; a font file holds 2048");
    row("3 no such port",
        {json, QStringLiteral("--device"), QStringLiteral("/nowhere/tty"),
         QStringLiteral("hello.txt")},
        "", 3, "open-failed", "cannot open the port /nowhere/tty: No such file or directory");
    row("0 ser2net", {json, "--device", "rfc2217", "hello.txt"}, "ser2net", 0, "sent", "");
    // The frame goes all the same, but the line settings went unconfirmed.
    row("7 ser2net without the COM port option", {json, "--device", "telnet", "hello.txt"},
        "ser2net", 7, "sent-unconfirmed",
        "refused the line settings (the server refused the COM port option (RFC 2217)); sending "
        "all the same");
    row("7 a converter that sets 9600", {json, "--device", "converter", "hello.txt"},
        "converter at 9600", 7, "sent-unconfirmed", "set the baud rate to 9600 instead of 1200");
    row("7 a converter that never answers", {json, "--device", "converter", "hello.txt"},
        "silent converter", 7, "sent-unconfirmed", "did not confirm the baud rate within 3 s");
    row("3 permission denied", {json, QStringLiteral("-")}, "nobody", 3, "open-failed",
        "sudo usermod -aG dialout");
    row("2 an empty --device", {json, "--device=", "hello.txt"}, "", 2, "",
        "--device needs a value, and the one given is empty");
    row("2 the dump is the input", {json, "--dump", "./hello.txt", "hello.txt"}, "", 2, "same-file",
        "--dump ./hello.txt is the input itself; nothing written");
    row("2 the dump is standard input's file", {json, "--dump", "hello.txt", "-"},
        "stdin from hello.txt", 2, "same-file", "is the input itself");
    row("4 the device hangs up", {json, "--max-length", "65500", "--device", "pty", "long.txt"},
        "hang up", 4, "write-failed", "failed (Input/output error)");
    row("4 the dump cannot be written",
        {json, QStringLiteral("--dump"), QStringLiteral("/nowhere/frame.bin"),
         QStringLiteral("hello.txt")},
        "", 4, "write-failed", "cannot write /nowhere/frame.bin: No such file or directory");
    row("6 too long", {json, "--max-length", "65500", "--device", "/nowhere/tty", "huge.txt"}, "",
        6, "too-long", "the frame would be 65501 bytes, more than the 65500");
    // 5, cancelled: interruptStopsAPacedUpload.
}

void SendProgramTest::exitStatuses() {
    QFETCH(QStringList, args);
    QFETCH(QString, setup);
    QFETCH(int, exitCode);
    QFETCH(QString, outcome);
    QFETCH(QByteArray, says);
    m_sandbox->write(QStringLiteral("hello.txt"), "Hi");
    // More than a pseudo-terminal holds, so the hang-up comes before the last write.
    m_sandbox->write(QStringLiteral("long.txt"), QByteArray(30000, 'x'));
    m_sandbox->write(QStringLiteral("huge.txt"), QByteArray(65292, 'x'));

    std::unique_ptr<PseudoTerminal> pty;
    std::unique_ptr<MasterReader> reader;
    if (setup == QLatin1String("hang up")) {
        pty = std::make_unique<PseudoTerminal>();
        // The hang-up must not be held off by a copy of the master in the child.
        ::fcntl(pty->master(), F_SETFD, FD_CLOEXEC);
        args.replaceInStrings(QStringLiteral("pty"), QString::fromStdString(pty->slaveName()));
        reader = std::make_unique<MasterReader>(*pty, SIZE_MAX, 400);
    }
    std::unique_ptr<Ser2net> converter;
    if (setup == QLatin1String("ser2net")) {
        pty = std::make_unique<PseudoTerminal>();
        converter = std::make_unique<Ser2net>(pty->slaveName(), m_sandbox->path().toStdString());
        reader = std::make_unique<MasterReader>(*pty, textFrame("Hi").size());
        args.replaceInStrings("rfc2217", QString::fromStdString(converter->rfc2217Url()));
        args.replaceInStrings("telnet", QString::fromStdString(converter->plainTelnetUrl()));
    }
    std::unique_ptr<ScriptedConverter> scripted;
    if (setup == QLatin1String("converter at 9600") || setup == QLatin1String("silent converter")) {
        scripted = std::make_unique<ScriptedConverter>(
            setup == QLatin1String("silent converter")
                ? std::vector<std::uint8_t>{}
                : rfc2217Answers({255, 250, 44, 101, 0, 0, 0x25, 0x80, 255, 240}));
        args.replaceInStrings("converter", QString::fromStdString(scripted->url()));
    }
    Run run;
    if (setup == QLatin1String("nobody")) {
        if (::geteuid() != 0)
            QSKIP("dropping to another user takes root");
        // The sign's pseudo-terminal is root's; the group dialout does not reach it.
        auto process = std::make_unique<QProcess>();
        process->setProcessEnvironment(QProcessEnvironment::systemEnvironment());
        process->start(
            QStringLiteral("setpriv"),
            QStringList{QStringLiteral("--reuid=nobody"), QStringLiteral("--regid=nogroup"),
                        QStringLiteral("--clear-groups"), QStringLiteral("--"),
                        QStringLiteral(LUMETRA_SEND_PATH), QStringLiteral("--device"), m_device} +
                args);
        process->write("Hi");
        process->closeWriteChannel();
        QVERIFY(process->waitForFinished(30000));
        run = {process->exitCode(), process->readAllStandardOutput(),
               process->readAllStandardError()};
    } else if (setup == QLatin1String("stdin from hello.txt")) {
        QProcess process;
        process.setStandardInputFile(m_sandbox->path(QStringLiteral("hello.txt")));
        process.start(QStringLiteral(LUMETRA_SEND_PATH), args);
        QVERIFY(process.waitForFinished(30000));
        run = {process.exitCode(), process.readAllStandardOutput(), process.readAllStandardError()};
    } else {
        run = send(args);
    }
    QCOMPARE(m_sandbox->read(QStringLiteral("hello.txt")), QByteArray("Hi"));
    QCOMPARE(run.exitCode, exitCode);
    QVERIFY2(run.err.contains(says), run.err.constData());
    if (outcome.isEmpty()) {
        QCOMPARE(run.out, QByteArray());
    } else {
        const QJsonObject result = QJsonDocument::fromJson(run.out).object();
        QCOMPARE(result.value(QStringLiteral("outcome")).toString(), outcome);
    }
    if (exitCode == 0 && args.contains(QStringLiteral("--dump")))
        QCOMPARE(m_sandbox->read(QStringLiteral("frame.bin")), bytesOf(textFrame("Hi")));
    else if (converter)
        QCOMPARE(bytesOf(reader->bytes()), bytesOf(textFrame("Hi")));
    else if (scripted) { // every 0xFF doubled on the wire
        std::vector<std::uint8_t> escaped;
        telnet::appendData(escaped, textFrame("Hi"));
        QVERIFY(bytesOf(scripted->wire()).contains(bytesOf(escaped)));
    } else if (exitCode == 0)
        QCOMPARE(nextFrame().value(QStringLiteral("text")).toString(), QStringLiteral("Hi"));
}

void SendProgramTest::lengthLimitIsTheWindows() {
    const char* whole = "Буфер переполнен на 0 Символов: в тексте 6000 символов, табло принимает "
                        "меньше 6000 (предел выбран в меню \"Опции\" окна)";
    // The settings' [Option] Max leng, the options, the text, the refusal (empty: dumped).
    const std::tuple<const char*, QStringList, QByteArray, const char*> cases[] = {
        {"6 140", {}, QByteArray(5999, 'x'), ""},
        {"6 140", {}, QByteArray(6000, 'x'), whole},
        {"6 140", {}, QByteArray(5998, 'x') + '\n', "в тексте 6000 символов"}, // a break counts 2
        {"59 000", {}, QByteArray(60001, 'x'), ""},
        {"59 000", {}, QByteArray(60002, 'x'), "на 0 Символов: в тексте 60002 символов"},
        {"6 140", {"--max-length", "7000"}, QByteArray(7000, 'x'), ""},
        {"59 000", {"--max-length", "7000"}, QByteArray(7001, 'x'), "больше --max-length 7000"},
    };
    for (const auto& [maxLeng, args, text, refusal] : cases) {
        m_sandbox->write("config/Kesmar.ini", QByteArray("[Option]\r\nMax leng=") + maxLeng);
        const Run run = send(args + QStringList{"--dump", "-", "-"}, text, "ru_RU.UTF-8");
        QCOMPARE(run.exitCode, *refusal ? 6 : 0);
        QCOMPARE(run.out, *refusal ? QByteArray() : bytesOf(textFrame(text.toStdString())));
        QVERIFY2(run.err.contains(refusal), run.err.constData());
    }
}

// Under a Russian locale the system's reasons come in Russian words, as in the window; --json
// keeps them in English.
void SendProgramTest::reasonsAreInTheUsersLanguage() {
    m_sandbox->write(QStringLiteral("hello.txt"), "Hi");
    const QString refused = QStringLiteral("127.0.0.1:%1").arg(freeLoopbackPort());
    const std::tuple<QStringList, int, QString, QString> cases[] = {
        {{"absent.txt"},
         2,
         "не могу прочитать absent.txt: Нет такого файла или папки",
         "No such file or directory"},
        {{"--device", "/nowhere/tty", "hello.txt"},
         3,
         "не могу открыть порт /nowhere/tty: Нет такого файла или папки",
         "No such file or directory"},
        {{"--device", "socket://" + refused, "hello.txt"},
         3,
         "не могу открыть порт socket://" + refused + ": " + refused + ": В соединении отказано",
         refused + ": Connection refused"},
        {{"--dump", "/nowhere/frame.bin", "hello.txt"},
         4,
         "не могу записать /nowhere/frame.bin: Нет такого файла или папки",
         "No such file or directory"},
    };
    for (const auto& [args, exitCode, says, json] : cases) {
        const Run run = send(QStringList{"--json"} + args, {}, QStringLiteral("ru_RU.UTF-8"));
        QCOMPARE(run.exitCode, exitCode);
        QCOMPARE(QString::fromUtf8(run.err).trimmed(), "lumetra-send: " + says);
        QCOMPARE(QJsonDocument::fromJson(run.out).object().value("error").toString(), json);
    }
}

void SendProgramTest::interruptStopsAPacedUpload_data() {
    QTest::addColumn<int>("signal");
    QTest::newRow("Ctrl+C") << SIGINT;
    QTest::newRow("SIGTERM") << SIGTERM;
    QTest::newRow("SIGHUP, the terminal closed") << SIGHUP;
}

void SendProgramTest::interruptStopsAPacedUpload() {
    QFETCH(int, signal);
    // The line is read no faster than 1200 baud, and standard error is a terminal.
    PseudoTerminal line;
    PseudoTerminal terminal;
    MasterDrain sign(line, true);
    MasterDrain screen(terminal, false);
    m_sandbox->write(QStringLiteral("long.txt"), QByteArray(2000, 'x'));
    auto process = std::make_unique<QProcess>();
    process->setStandardErrorFile(QString::fromStdString(terminal.slaveName()));
    process->start(QStringLiteral(LUMETRA_SEND_PATH),
                   {QStringLiteral("--json"), QStringLiteral("--device"),
                    QString::fromStdString(line.slaveName()), QStringLiteral("long.txt")});
    QVERIFY(process->waitForStarted(10000));
    QTest::qWait(2500);
    const int atSignal = sign.count();
    ::kill(pid_t(process->processId()), signal);
    QVERIFY(process->waitForFinished(10000));
    const int atExit = sign.count();
    QCOMPARE(process->exitStatus(), QProcess::NormalExit);
    QCOMPARE(process->exitCode(), 5);

    const QJsonObject result = QJsonDocument::fromJson(process->readAllStandardOutput()).object();
    QCOMPARE(result.value(QStringLiteral("outcome")).toString(), QStringLiteral("cancelled"));
    QCOMPARE(result.value(QStringLiteral("bytes")).toInt(), 2209);
    // What the sign had taken when Ctrl+C came, give or take a byte of the reader's steps, up
    // to what it had when the program ended.
    const int sent = result.value(QStringLiteral("sent")).toInt();
    QVERIFY2(atSignal > 200 && atSignal < 2209, qPrintable(QString::number(atSignal)));
    QVERIFY2(sent >= atSignal - 3 && sent <= atExit + 3,
             qPrintable(QStringLiteral("%1 reported, the sign had %2 at the signal, %3 at the end")
                            .arg(sent)
                            .arg(atSignal)
                            .arg(atExit)));
    sign.stop();

    const QByteArray shown = screen.stop();
    QVERIFY2(shown.contains("\r[###"), shown.constData());
    QVERIFY(shown.contains("  2209 bytes") || shown.contains("/2209 bytes"));
    QVERIFY(shown.contains("cancelled: " + QByteArray::number(sent) + " of 2209 bytes sent"));
}

// A converter that never answers RFC 2217 holds the opening for 3 s; Ctrl+C ends it at once.
void SendProgramTest::interruptStopsTheOpeningOfASilentConverter() {
    int port = 0;
    const int converter = loopbackListener(port);
    m_sandbox->write("hello.txt", "Hi");
    QProcess* process =
        start({"--device", QStringLiteral("rfc2217://127.0.0.1:%1").arg(port), "hello.txt"});
    pollfd connecting{converter, POLLIN, 0};
    QCOMPARE(::poll(&connecting, 1, 10000), 1);
    QElapsedTimer clock;
    clock.start();
    ::kill(pid_t(process->processId()), SIGINT);
    QVERIFY(process->waitForFinished(10000) && clock.elapsed() < 1000);
    QCOMPARE(process->exitCode(), 5);
    QCOMPARE(process->readAllStandardError(),
             QByteArray("lumetra-send: cancelled: 0 of 211 bytes sent\n"));
    ::close(converter);
}

QTEST_MAIN(SendProgramTest)
#include "SendProgramTest.moc"
