#include "frames/Frames.h"
#include "upload/PosixSerialLink.h"
#include "upload/Upload.h"

#include "PseudoTerminal.h"
#include "TestFrames.h"

#include <QTemporaryDir>
#include <QTest>

#include <chrono>
#include <vector>

#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/wait.h>

using namespace std::chrono_literals;

namespace {

using Bytes = std::vector<std::uint8_t>;

// Settings another program might have left on the port: a different speed and size, parity,
// every kind of flow control, output processing that turns LF into CR LF, a cooked terminal.
termios foreignSettings() {
    termios tio{};
    tio.c_iflag = IXON | IXOFF | IXANY | ICRNL | INPCK;
    tio.c_oflag = OPOST | ONLCR;
    tio.c_lflag = ICANON | ECHO | ISIG;
    tio.c_cflag = CS7 | PARENB | PARODD | CRTSCTS | CREAD;
    cfsetispeed(&tio, B9600);
    cfsetospeed(&tio, B9600);
    return tio;
}

// The engine over the link alone, without waiting out the line time a pseudo-terminal cannot
// show.
UploadResult sendOver(SerialLink& link, const Bytes& frame, std::chrono::milliseconds deadline) {
    Upload::Options options;
    options.waitLineTime = false;
    options.deadline = deadline;
    return Upload(link, options).send(frame);
}

} // namespace

Q_DECLARE_METATYPE(Bytes)

class SerialLinkTest : public QObject {
    Q_OBJECT

private slots:
    void deliversEveryByteUnchanged_data();
    void deliversEveryByteUnchanged();
    void appliesTheLineSettingsInFullAtEveryOpening();
    void portHeldByAnotherLinkIsRefused();
    void portHeldWithFlockIsRefused();
    void absentOrUnsuitableDeviceIsRefused_data();
    void absentOrUnsuitableDeviceIsRefused();
    void ownTerminalIsRefused();
    void writeWithoutOpenPortFails();
    void deviceVanishingMidWriteFailsTheWrite();
    void stalledDeviceTimesOutAndReleasesThePort();
    void writeTimeoutFollowsTheLineTime();
};

void SerialLinkTest::deliversEveryByteUnchanged_data() {
    QTest::addColumn<Bytes>("frame");
    QTest::newRow("empty text") << textFrame({});
    Bytes longText(6000);
    for (std::size_t i = 0; i < longText.size(); ++i)
        longText[i] = static_cast<std::uint8_t>(i % 80 == 78   ? '\r'
                                                : i % 80 == 79 ? '\n'
                                                               : 0xC0 + i % 64);
    QTest::newRow("6000 characters") << textFrame(longText);
    QTest::newRow("largest text") << textFrame(Bytes(MaxTextPayload, 0xFF / 2));
    Bytes everyValue(4096);
    for (std::size_t i = 0; i < everyValue.size(); ++i)
        everyValue[i] = static_cast<std::uint8_t>(i * 7);
    QTest::newRow("every byte value") << everyValue;
}

void SerialLinkTest::deliversEveryByteUnchanged() {
    QFETCH(Bytes, frame);
    PseudoTerminal pty;
    pty.setSlaveSettings(foreignSettings());
    PosixSerialLink link;
    QCOMPARE(link.open(pty.slaveName()).result, SerialLink::OpenResult::Opened);

    MasterReader reader(pty, frame.size());
    const auto result = sendOver(link, frame, writeTimeout(frame.size()));
    QVERIFY2(result.completed(), result.failure.reason.c_str());
    QCOMPARE(result.written, frame.size());
    QVERIFY(!result.failure);
    QVERIFY(result.outcome != UploadResult::Outcome::TimedOut);
    QCOMPARE(reader.bytes().size(), frame.size());
    QVERIFY(reader.bytes() == frame);
}

void SerialLinkTest::appliesTheLineSettingsInFullAtEveryOpening() {
    PseudoTerminal pty;
    PosixSerialLink link;
    const auto lineIsSetUp = [&pty] {
        const termios tio = pty.slaveSettings();
        QCOMPARE(cfgetospeed(&tio), speed_t(B1200));
        QCOMPARE(cfgetispeed(&tio), speed_t(B1200));
        QCOMPARE(tio.c_cflag & CSIZE, tcflag_t(CS8));
        QVERIFY(tio.c_cflag & CSTOPB);
        QVERIFY(!(tio.c_cflag & PARENB));
        QVERIFY(!(tio.c_cflag & CRTSCTS));
        QVERIFY(tio.c_cflag & CLOCAL);
        QCOMPARE(tio.c_iflag & (IXON | IXOFF | IXANY | ICRNL | INPCK), tcflag_t(0));
        QCOMPARE(tio.c_oflag & OPOST, tcflag_t(0));
        QCOMPARE(tio.c_lflag & (ICANON | ECHO | ISIG), tcflag_t(0));
    };
    // Another program's settings, then the link's own left from the last upload, then again.
    for (int round = 0; round < 3; ++round) {
        if (round != 1)
            pty.setSlaveSettings(foreignSettings());
        const auto status = link.open(pty.slaveName());
        QCOMPARE(status.result, SerialLink::OpenResult::Opened);
        QVERIFY(!status.failure);
        lineIsSetUp();
        if (QTest::currentTestFailed())
            return;
        // Nothing touches the settings on the way out: a UART or USB adapter may still be
        // sending the last bytes when the port closes.
        const Bytes frame = textFrame({'1', '2'});
        MasterReader reader(pty, frame.size());
        QVERIFY(sendOver(link, frame, 5s).completed());
        QVERIFY(reader.bytes() == frame);
        lineIsSetUp();
        if (QTest::currentTestFailed())
            return;
    }
}

void SerialLinkTest::portHeldByAnotherLinkIsRefused() {
    PseudoTerminal pty;
    PosixSerialLink first, second;
    QCOMPARE(first.open(pty.slaveName()).result, SerialLink::OpenResult::Opened);
    const auto refused = second.open(pty.slaveName());
    QCOMPARE(refused.result, SerialLink::OpenResult::OpenFailed);
    QCOMPARE(refused.failure.error, EBUSY);

    // The refused opening leaves the holder's upload alone.
    const Bytes frame = textFrame({'H', 'i'});
    MasterReader reader(pty, frame.size());
    QVERIFY(sendOver(first, frame, 5s).completed());
    QVERIFY(reader.bytes() == frame);

    // Between uploads the port is free.
    QCOMPARE(second.open(pty.slaveName()).result, SerialLink::OpenResult::Opened);
    second.close();
}

void SerialLinkTest::portHeldWithFlockIsRefused() {
    PseudoTerminal pty;
    const int holder = ::open(pty.slaveName().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    QVERIFY(holder >= 0);
    QCOMPARE(::flock(holder, LOCK_EX | LOCK_NB), 0);

    PosixSerialLink link;
    QCOMPARE(link.open(pty.slaveName()).result, SerialLink::OpenResult::OpenFailed);

    ::flock(holder, LOCK_UN);
    QCOMPARE(link.open(pty.slaveName()).result, SerialLink::OpenResult::Opened);
    link.close();
    ::close(holder);
}

void SerialLinkTest::absentOrUnsuitableDeviceIsRefused_data() {
    QTest::addColumn<QString>("device");
    QTest::addColumn<QString>("reason");
    const auto row = [](const char* name, const char* device, const char* reason) {
        QTest::newRow(name) << QString::fromUtf8(device) << QString::fromUtf8(reason);
    };
    row("absent", "/dev/lumetra-absent-port", "No such file or directory");
    row("folder missing", "/nonexistent/ttyS4", "No such file or directory");
    row("not a terminal", "/dev/null", "not a serial port: it does not answer as a terminal");
    row("regular file", "regular", "not a serial port: it does not answer as a terminal");
    row("/dev/tty", "/dev/tty", "controlling terminal");
    row("/dev/ptmx", "/dev/ptmx", "pseudo-terminal multiplexer");
}

void SerialLinkTest::absentOrUnsuitableDeviceIsRefused() {
    QFETCH(QString, device);
    QFETCH(QString, reason);
    QTemporaryDir dir;
    if (device == QStringLiteral("regular")) {
        device = dir.filePath(QStringLiteral("ttyFile"));
        QFile file(device);
        QVERIFY(file.open(QIODevice::WriteOnly));
    }
    PosixSerialLink link;
    const auto status = link.open(device.toStdString());
    QCOMPARE(status.result, SerialLink::OpenResult::OpenFailed);
    QVERIFY(status.failure.error != 0);
    QVERIFY2(QString::fromStdString(status.failure.reason).contains(reason),
             status.failure.reason.c_str());
    const Bytes frame = textFrame({'x'});
    const auto result = sendOver(link, frame, 1s);
    QVERIFY(!result.completed());
    QCOMPARE(result.written, std::size_t(0));
    if (device.startsWith(dir.path()))
        QCOMPARE(QFile(device).size(), qint64(0));
}

// A program started from a terminal is never sent into that terminal, by either of its names.
void SerialLinkTest::ownTerminalIsRefused() {
    PseudoTerminal pty;
    const pid_t child = ::fork();
    if (child == 0) {
        // A session of its own, with the pseudo-terminal as its controlling terminal.
        const int fd = ::setsid() < 0 ? -1 : ::open(pty.slaveName().c_str(), O_RDWR);
        bool refused = fd >= 0 && ::ioctl(fd, TIOCSCTTY, 0) == 0;
        PosixSerialLink link;
        for (const std::string& name : {pty.slaveName(), std::string("/dev/tty")}) {
            const auto status = link.open(name);
            refused &= status.result == SerialLink::OpenResult::OpenFailed &&
                       status.failure.reason.find("controlling terminal") != std::string::npos;
        }
        ::_exit(refused ? 0 : 1);
    }
    int status = -1;
    ::waitpid(child, &status, 0);
    QCOMPARE(status, 0); // the child ended normally: both names refused
}

void SerialLinkTest::writeWithoutOpenPortFails() {
    PosixSerialLink link;
    const Bytes frame = textFrame({'a', 'b'});
    const auto result = sendOver(link, frame, 1s);
    QVERIFY(!result.completed());
    QVERIFY(!result.failure.reason.empty());
    QCOMPARE(result.written, std::size_t(0));
    link.close(); // closing a closed link is harmless
}

void SerialLinkTest::deviceVanishingMidWriteFailsTheWrite() {
    // Larger than a pty buffer, so the link is still writing when the master goes.
    const Bytes frame = textFrame(Bytes(MaxTextPayload, 'z'));
    PseudoTerminal pty;
    PosixSerialLink link;
    QCOMPARE(link.open(pty.slaveName()).result, SerialLink::OpenResult::Opened);
    MasterReader reader(pty, frame.size(), 1000);
    const auto result = sendOver(link, frame, writeTimeout(frame.size()));
    QVERIFY(!result.completed());
    QVERIFY(result.outcome != UploadResult::Outcome::TimedOut);
    QVERIFY(result.written >= 1000);
    QVERIFY(result.written < frame.size());
    QVERIFY2(!result.failure.reason.empty(), "the system's reason is reported");
    QCOMPARE(reader.bytes().size(), std::size_t(1000));
}

void SerialLinkTest::stalledDeviceTimesOutAndReleasesThePort() {
    // Nobody reads the master: the pty buffer fills and the write cannot finish.
    const Bytes frame = textFrame(Bytes(MaxTextPayload, 'q'));
    PseudoTerminal pty;
    PosixSerialLink link;
    QCOMPARE(link.open(pty.slaveName()).result, SerialLink::OpenResult::Opened);
    const auto start = std::chrono::steady_clock::now();
    const auto result = sendOver(link, frame, 300ms);
    const auto took = std::chrono::steady_clock::now() - start;
    QVERIFY(!result.completed());
    QCOMPARE(result.outcome, UploadResult::Outcome::TimedOut);
    QVERIFY(result.written > 0);
    QVERIFY(result.written < frame.size());
    QVERIFY(took >= 300ms);
    QVERIFY2(took < 5s, "the close does not wait for the unsent bytes");

    PosixSerialLink next;
    QCOMPARE(next.open(pty.slaveName()).result, SerialLink::OpenResult::Opened);
}

void SerialLinkTest::writeTimeoutFollowsTheLineTime() {
    // 11 bits a byte at 1200 baud, rounded up to whole milliseconds.
    QCOMPARE(lineTime(0), 0ms);
    QCOMPARE(lineTime(1), 10ms);
    QCOMPARE(lineTime(120), 1100ms);
    QCOMPARE(lineTime(6209), 56916ms);
    // Twice the line time plus ten seconds.
    QCOMPARE(writeTimeout(209), 13832ms);
    QCOMPARE(writeTimeout(1996), 46594ms);
    QCOMPARE(writeTimeout(TxBufferSize), 1210834ms);
}

QTEST_MAIN(SerialLinkTest)
#include "SerialLinkTest.moc"
