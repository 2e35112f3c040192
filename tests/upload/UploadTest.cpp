#include "upload/Upload.h"
#include "frames/Frames.h"
#include "upload/UploadWording.h"

#include "FakeSerialLink.h"
#include "TestFrames.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <future>
#include <mutex>

// The pseudo-terminal cases are the POSIX link's; Windows runs its own against Wine's ports.
#ifndef _WIN32
#include "upload/PosixSerialLink.h"

#include "PseudoTerminal.h"

#include <sys/ioctl.h>
#include <sys/wait.h>
#endif

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using Outcome = UploadResult::Outcome;

namespace {

using Bytes = std::vector<std::uint8_t>;

// Every progress report, kept for the checks after the upload.
struct ProgressLog {
    std::mutex mutex;
    std::vector<UploadProgress> reports;
    Upload::ProgressFn fn() {
        return [this](const UploadProgress& p) {
            std::lock_guard lock(mutex);
            reports.push_back(p);
        };
    }
    void expectMonotonicUpTo(std::size_t total, bool reachesIt) {
        ASSERT_FALSE(reports.empty());
        for (std::size_t i = 1; i < reports.size(); ++i) {
            EXPECT_GE(reports[i].written, reports[i - 1].written) << i;
            EXPECT_GE(reports[i].sent, reports[i - 1].sent) << i;
            EXPECT_LE(reports[i].remaining, reports[i - 1].remaining) << i;
        }
        for (const auto& p : reports) {
            EXPECT_EQ(p.total, total);
            EXPECT_LE(p.sent, p.written);
        }
        EXPECT_EQ(reports.front().sent, 0u);
        EXPECT_EQ(reports.back().sent == total, reachesIt);
    }
};

#ifndef _WIN32
// Another program holding the port exclusively, as a terminal program would.
class ExclusiveHolder {
public:
    explicit ExclusiveHolder(const std::string& device) {
        int ready[2];
        if (::pipe(ready) != 0)
            throw std::runtime_error("no pipe");
        m_pid = ::fork();
        if (m_pid == 0) {
            const int fd = ::open(device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
            const char ok = fd >= 0 && ::ioctl(fd, TIOCEXCL) == 0 ? 'y' : 'n';
            (void)!::write(ready[1], &ok, 1);
            ::pause();
            ::_exit(0);
        }
        char ok = 'n';
        (void)!::read(ready[0], &ok, 1);
        ::close(ready[0]);
        ::close(ready[1]);
        if (ok != 'y')
            throw std::runtime_error("the holder could not take the port");
    }
    ~ExclusiveHolder() {
        ::kill(m_pid, SIGKILL);
        ::waitpid(m_pid, nullptr, 0);
    }

private:
    pid_t m_pid = -1;
};

bool isExclusive(const std::string& device) {
    const int fd = ::open(device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    int exclusive = 0;
    const bool read = fd >= 0 && ::ioctl(fd, TIOCGEXCL, &exclusive) == 0;
    if (fd >= 0)
        ::close(fd);
    return read && exclusive != 0;
}
#endif

} // namespace

#ifndef _WIN32
// A pseudo-terminal cannot show its queue, so the bar follows the line time to the end.
TEST(UploadOnPseudoTerminal, ProgressFollowsTheLineTimeToTheWholeFrame) {
    PseudoTerminal pty;
    PosixSerialLink link;
    const Bytes frame = textFrame(10); // 219 bytes, about 2 s on the line
    MasterReader reader(pty, frame.size());
    ProgressLog log;
    const auto start = Clock::now();
    const UploadResult result = Upload(link).run(pty.slaveName(), frame, log.fn());
    const auto took = Clock::now() - start;

    EXPECT_EQ(result.outcome, Outcome::Completed);
    EXPECT_TRUE(result.lineSettingsConfirmed());
    EXPECT_EQ(result.device, pty.slaveName());
    EXPECT_EQ(result.written, frame.size());
    EXPECT_EQ(result.sent, frame.size());
    EXPECT_EQ(result.deadline, writeTimeout(frame.size()));
    EXPECT_EQ(reader.bytes(), frame);
    EXPECT_GE(result.elapsed, lineTime(frame.size()) - 20ms);
    EXPECT_LE(result.elapsed, std::chrono::ceil<std::chrono::milliseconds>(took));
    log.expectMonotonicUpTo(frame.size(), true);
    EXPECT_EQ(log.reports.back().remaining, 0ms);
    // At most about twenty reports a second, and enough to move a bar.
    const auto seconds = std::chrono::duration<double>(took).count();
    EXPECT_LE(log.reports.size(), static_cast<std::size_t>(seconds * 20) + 3);
    EXPECT_GE(log.reports.size(), static_cast<std::size_t>(seconds * 10));
}

TEST(UploadOnPseudoTerminal, CancelStopsPromptlyDiscardsTheRestAndFreesThePort) {
    PseudoTerminal pty; // nobody reads: a real line would still be sending
    PosixSerialLink link;
    const Bytes frame = textFrame(6000);
    Upload upload(link);
    ASSERT_TRUE(upload.open(pty.slaveName()).opened());
    ProgressLog log;
    auto sending = std::async(std::launch::async, [&] { return upload.send(frame, log.fn()); });
    std::this_thread::sleep_for(500ms);
    const auto cancelledAt = Clock::now();
    upload.cancel();
    const UploadResult result = sending.get();
    const auto took = Clock::now() - cancelledAt;

    EXPECT_EQ(result.outcome, Outcome::Cancelled);
    EXPECT_LT(took, 200ms);
    EXPECT_GT(result.written, 0u);
    // What the line could carry in the half second, and never more than was handed over.
    EXPECT_GE(result.sent, lineBytes(400ms));
    EXPECT_LE(result.sent, lineBytes(700ms));
    EXPECT_LE(result.sent, result.written);
    EXPECT_LT(result.sent, frame.size());
    log.expectMonotonicUpTo(frame.size(), false);
    EXPECT_EQ(log.reports.back().sent, result.sent);
    // Unsent output was thrown away and the port is free again.
    int waiting = 0;
    ::ioctl(pty.master(), FIONREAD, &waiting);
    EXPECT_LE(static_cast<std::size_t>(waiting), lineBytes(700ms) + LineAheadBytes);
    PosixSerialLink next;
    EXPECT_EQ(next.open(pty.slaveName()).result, SerialLink::OpenResult::Opened);
}

TEST(UploadOnPseudoTerminal, DeviceVanishingWhileTheLineRunsIsAFailure) {
    PseudoTerminal pty;
    PosixSerialLink link;
    const Bytes frame = textFrame(10);
    Upload upload(link);
    ASSERT_TRUE(upload.open(pty.slaveName()).opened());
    auto sending = std::async(std::launch::async, [&] { return upload.send(frame); });
    std::this_thread::sleep_for(300ms);
    pty.closeMaster();
    const UploadResult result = sending.get();
    EXPECT_EQ(result.outcome, Outcome::WriteFailed);
    EXPECT_GT(result.written, 0u);
    EXPECT_LE(result.sent, result.written);
    EXPECT_LT(result.sent, frame.size());
    EXPECT_FALSE(result.failure.reason.empty());
}

TEST(UploadOnPseudoTerminal, PortHeldExclusivelyByAnotherProgramIsRefusedAndLeftHeld) {
    PseudoTerminal pty;
    ExclusiveHolder holder(pty.slaveName());
    ASSERT_TRUE(isExclusive(pty.slaveName()));
    PosixSerialLink link;
    const UploadResult result = Upload(link).run(pty.slaveName(), textFrame(5));

    EXPECT_EQ(result.outcome, Outcome::OpenFailed);
    EXPECT_EQ(result.failure.error, EBUSY);
    EXPECT_EQ(result.written, 0u);
    int waiting = -1;
    ::ioctl(pty.master(), FIONREAD, &waiting);
    EXPECT_EQ(waiting, 0);
    EXPECT_TRUE(isExclusive(pty.slaveName())) << "the other program's hold was cleared";
}

TEST(UploadOnPseudoTerminal, ItsOwnExclusivityEndsWithTheUpload) {
    PseudoTerminal pty;
    PosixSerialLink link;
    Upload upload(link);
    ASSERT_TRUE(upload.open(pty.slaveName()).opened());
    EXPECT_TRUE(isExclusive(pty.slaveName()));
    MasterReader reader(pty, 0);
    Upload::Options quick;
    quick.waitLineTime = false;
    EXPECT_TRUE(Upload(link, quick).send(textFrame(1)).completed());
    EXPECT_FALSE(isExclusive(pty.slaveName()));
}

TEST(UploadOnPseudoTerminal, AbsentDeviceIsOneResultWithTheSystemsReason) {
    PosixSerialLink link;
    const UploadResult result = Upload(link).run("/dev/lumetra-absent-port", textFrame(5));
    EXPECT_EQ(result.outcome, Outcome::OpenFailed);
    EXPECT_EQ(result.device, "/dev/lumetra-absent-port");
    EXPECT_EQ(result.failure.error, ENOENT);
    EXPECT_EQ(result.failure.reason, "No such file or directory");
    EXPECT_EQ(result.written, 0u);
}
#endif

// The engine against a device that tells its queue, as a real UART does.
struct UploadOnDouble : ::testing::Test {
    FakeSerialLink link;
    Bytes frame = textFrame(100);
    ProgressLog log;
};

TEST_F(UploadOnDouble, RefusedLineSettingsAreKeptAndTheFrameStillGoes) {
    link.openResult = SerialLink::OpenResult::ConfigureFailed;
    link.openFailure = systemFailure(EINVAL);
    const UploadResult result = Upload(link).run("COM1", frame, log.fn());
    EXPECT_EQ(result.outcome, Outcome::Completed);
    EXPECT_FALSE(result.lineSettingsConfirmed());
    EXPECT_EQ(result.lineSettings.error, EINVAL);
    EXPECT_FALSE(result.failure);
    ASSERT_EQ(link.frames.size(), 1u);
    EXPECT_EQ(link.frames[0], frame);
    log.expectMonotonicUpTo(frame.size(), true);
    // A link that refuses without a word still counts as refused.
    link.openFailure = {};
    EXPECT_FALSE(Upload(link).run("COM1", frame).lineSettingsConfirmed());
}

TEST_F(UploadOnDouble, EveryWayOutClosesThePortAndSaysHowFarItGot) {
    const struct {
        const char* name;
        std::size_t acceptLimit, failAfter, queueFailsAfter;
        bool cancelFirst;
        Outcome outcome;
        std::size_t written, sent;
    } cases[] = {
        {"whole", SIZE_MAX, SIZE_MAX, SIZE_MAX, false, Outcome::Completed, 309, 309},
        {"device fails", SIZE_MAX, 120, SIZE_MAX, false, Outcome::WriteFailed, 120, 120},
        // Taken whole, but the device cannot tell its queue any more: not a drained frame.
        {"queue tells a failure", SIZE_MAX, SIZE_MAX, 200, false, Outcome::WriteFailed, 309, 0},
        {"queue stays full", 80, SIZE_MAX, SIZE_MAX, false, Outcome::TimedOut, 80, 80},
        {"cancelled first", SIZE_MAX, SIZE_MAX, SIZE_MAX, true, Outcome::Cancelled, 0, 0},
    };
    for (const auto& c : cases) {
        FakeSerialLink fake;
        fake.acceptLimit = c.acceptLimit;
        fake.failAfter = c.failAfter;
        fake.queueFailsAfter = c.queueFailsAfter;
        Upload::Options options;
        options.deadline = 100ms;
        options.waitLineTime = false; // as fast as the device takes it
        Upload upload(fake, options);
        ASSERT_TRUE(upload.open("COM1").opened()) << c.name;
        if (c.cancelFirst)
            upload.cancel();
        const UploadResult result = upload.send(frame);
        EXPECT_EQ(result.outcome, c.outcome) << c.name;
        EXPECT_EQ(result.total, frame.size()) << c.name;
        EXPECT_EQ(result.written, c.written) << c.name;
        EXPECT_EQ(result.sent, c.sent) << c.name;
        EXPECT_FALSE(fake.isOpen) << c.name;
        EXPECT_EQ(fake.discards, c.outcome == Outcome::Completed ? 0 : 1) << c.name;
        EXPECT_EQ(!result.failure, c.outcome != Outcome::WriteFailed) << c.name;
    }
}

TEST_F(UploadOnDouble, CancelFromAnotherThreadDuringTheWrite) {
    link.acceptLimit = 50; // the line is stuck, so only cancel can end it
    Upload upload(link);
    link.duringWrite = [&] {
        std::thread([&] {
            std::this_thread::sleep_for(30ms);
            upload.cancel();
        }).detach();
    };
    const UploadResult result = upload.run("COM1", frame, log.fn());
    EXPECT_EQ(result.outcome, Outcome::Cancelled);
    EXPECT_GT(result.written, 0u);
    EXPECT_LE(result.written, 50u);
    EXPECT_TRUE(upload.cancelRequested());
    EXPECT_FALSE(link.isOpen);
}

// Every outcome in the words the window and lumetra-send share, the reasons in the language
// asked for and a missing reason left out rather than shown empty.
TEST(UploadWording, EachOutcomeIsToldOnceForBothLanguages) {
    const SerialLink::Failure denied{EACCES, "Permission denied", "Доступ запрещён"};
    const SerialLink::Failure baud{0, "the server set the baud rate to 9600 instead of 1200",
                                   "преобразователь установил скорость 9600 вместо 1200"};
#ifndef _WIN32
    const std::string hint = "\nOn Linux the port belongs to the group dialout: sudo usermod "
                             "-aG dialout $USER, then log in again.";
#else
    const std::string hint; // a port another program holds is refused the same way
#endif
    const struct {
        Outcome outcome;
        SerialLink::Failure failure, lineSettings;
        Language language;
        std::string text;
    } cases[] = {
        {Outcome::OpenFailed,
         denied,
         {},
         Language::English,
         "cannot open the port COM1: Permission denied" + hint},
        {Outcome::OpenFailed, {}, {}, Language::Russian, "не могу открыть порт COM1"},
        {Outcome::Opened,
         {},
         baud,
         Language::Russian,
         "порт COM1 не принял настройки линии (преобразователь установил скорость 9600 вместо "
         "1200); передаю всё равно"},
        {Outcome::Completed, {}, {}, Language::English, "214 bytes sent to COM1 in 2.3 s"},
        {Outcome::Completed,
         {},
         baud,
         Language::Russian,
         "214 байт передано в COM1 за 2.3 с, настройки линии не подтверждены"},
        {Outcome::Cancelled, {}, {}, Language::Russian, "отменено: передано 100 из 214 байт"},
        {Outcome::TimedOut,
         {},
         {},
         Language::English,
         "COM1 did not take the frame within 14 s: 100 of 214 bytes sent"},
        {Outcome::WriteFailed,
         {EIO, "Input/output error", {}},
         baud,
         Language::Russian,
         "запись в COM1 не удалась (Input/output error): передано 100 из 214 байт"},
        {Outcome::WriteFailed,
         {},
         {},
         Language::English,
         "the write to COM1 failed: 100 of 214 bytes sent"},
    };
    for (const auto& c : cases) {
        UploadResult result;
        result.outcome = c.outcome;
        result.device = "COM1";
        result.failure = c.failure;
        result.lineSettings = c.lineSettings;
        result.total = 214;
        result.sent = c.outcome == Outcome::Completed ? 214 : 100;
        result.deadline = 13'500ms;
        result.elapsed = 2'340ms;
        EXPECT_EQ(uploadText(result, c.language), c.text);
    }
}
