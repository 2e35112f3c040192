// Runs the lumetra-sign program itself: frames written to its line come back as JSON lines.

#include "TempDir.h"
#include "TestFrames.h"
#include "frames/Frames.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <optional>
#include <poll.h>
#include <spawn.h>
#include <string>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <termios.h>
#include <thread>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

using Bytes = std::vector<std::uint8_t>;
constexpr int WaitMs = 10000;

// lumetra-sign as a child process with its standard output on a pipe.
class SignProcess {
public:
    explicit SignProcess(const std::vector<std::string>& args) {
        int out[2];
        if (::pipe2(out, O_CLOEXEC) != 0)
            throw std::runtime_error("pipe");
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
        std::vector<std::string> all = {LUMETRA_SIGN_PATH};
        all.insert(all.end(), args.begin(), args.end());
        std::vector<char*> argv;
        for (auto& a : all)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        const int rc = ::posix_spawn(&m_pid, argv[0], &actions, nullptr, argv.data(), environ);
        posix_spawn_file_actions_destroy(&actions);
        ::close(out[1]);
        m_out = out[0];
        if (rc != 0)
            throw std::runtime_error("posix_spawn failed");
        // Lets the exit be awaited with a time limit; -1 where the kernel lacks it.
        m_pidfd = static_cast<int>(::syscall(SYS_pidfd_open, m_pid, 0));
    }

    ~SignProcess() {
        if (m_pid > 0) {
            ::kill(m_pid, SIGKILL);
            ::waitpid(m_pid, nullptr, 0);
        }
        ::close(m_out);
        if (m_pidfd >= 0)
            ::close(m_pidfd);
    }

    // The next line of output, or nothing when none came within the wait or output ended.
    std::optional<std::string> readLine(int timeoutMs = WaitMs) {
        const auto deadline =
            std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        for (;;) {
            const auto newline = m_buffer.find('\n');
            if (newline != std::string::npos) {
                std::string line = m_buffer.substr(0, newline);
                m_buffer.erase(0, newline + 1);
                return line;
            }
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                deadline - std::chrono::steady_clock::now());
            if (left.count() <= 0)
                return std::nullopt;
            pollfd p{m_out, POLLIN, 0};
            if (::poll(&p, 1, static_cast<int>(left.count())) <= 0)
                return std::nullopt;
            char chunk[8192];
            const ssize_t n = ::read(m_out, chunk, sizeof chunk);
            if (n <= 0)
                return std::nullopt;
            m_buffer.append(chunk, static_cast<std::size_t>(n));
        }
    }

    // The exit status once the process has ended, or nothing if it did not within the wait.
    std::optional<int> waitExit(int timeoutMs = WaitMs) {
        if (m_pidfd >= 0) {
            pollfd p{m_pidfd, POLLIN, 0};
            if (::poll(&p, 1, timeoutMs) <= 0)
                return std::nullopt;
        }
        int status = 0;
        if (::waitpid(m_pid, &status, 0) != m_pid)
            return std::nullopt;
        m_pid = -1;
        return status;
    }

    void signal(int sig) const { ::kill(m_pid, sig); }

private:
    pid_t m_pid = -1;
    int m_out = -1;
    int m_pidfd = -1;
    std::string m_buffer;
};

// Writes to a device or FIFO, opening and closing it as the uploader does for each frame.
void writeTo(const std::string& path, const Bytes& bytes) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_NOCTTY);
    ASSERT_GE(fd, 0) << path;
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        ASSERT_GT(n, 0);
        done += static_cast<std::size_t>(n);
    }
    ::close(fd);
}

std::string hex(const std::uint8_t* begin, const std::uint8_t* end) {
    static constexpr char digits[] = "0123456789abcdef";
    std::string out;
    for (auto p = begin; p != end; ++p) {
        out.push_back(digits[*p >> 4]);
        out.push_back(digits[*p & 15]);
    }
    return out;
}

std::string devicePath(SignProcess& sign) {
    const auto line = sign.readLine();
    EXPECT_TRUE(line && line->rfind("device: ", 0) == 0) << line.value_or("(nothing)");
    return line ? line->substr(8) : std::string();
}

// "Привет, мир!" CR LF "/S5 яблоко" tab "/W3" in Windows-1251.
const Bytes CyrillicText = {0xCF, 0xF0, 0xE8, 0xE2, 0xE5, 0xF2, ',', ' ', 0xEC, 0xE8,
                            0xF0, '!',  '\r', '\n', '/',  'S',  '5', ' ', 0xFF, 0xE1,
                            0xEB, 0xEE, 0xEA, 0xEE, '\t', '/',  'W', '3'};

TEST(SignProcess, PseudoTerminalFramesComeBackAsJsonLines) {
    TempDir dir;
    const std::string link = dir.path("sign");
    SignProcess sign({"--headless", "--link", link});
    const std::string device = devicePath(sign);
    ASSERT_EQ(device.rfind("/dev/pts/", 0), 0u) << device;
    EXPECT_EQ(std::filesystem::read_symlink(link).string(), device);

    // Garbage first, then a text frame, written through the link.
    Bytes first = {0x00, 'n', 'o', 'i', 's', 'e', 0xFE};
    const Bytes text = textFrame(CyrillicText);
    first.insert(first.end(), text.begin(), text.end());
    writeTo(link, first);
    EXPECT_EQ(sign.readLine(),
              "{\"type\":\"text\",\"bytes\":238,\"text\":\"Привет, мир!  /S5 яблоко /W3\","
              "\"effects\":[{\"at\":14,\"code\":\"/S5\",\"type\":\"SPEED\",\"value\":5},"
              "{\"at\":25,\"code\":\"/W3\",\"type\":\"WAIT\",\"value\":3}],\"preamble\":200,"
              "\"skipped\":7,\"error\":\"\"}");

    // A font frame after the writer closed and opened the line again.
    std::array<std::uint8_t, FontTableSize> font{};
    for (std::size_t i = 0; i < font.size(); ++i)
        font[i] = static_cast<std::uint8_t>(i % 5 == 0 ? 0xFF : i * 13);
    const auto escapes = std::count(font.begin() + 256, font.end(), 0xFF);
    ASSERT_GT(escapes, 300);
    writeTo(device, fontFrame(font));
    EXPECT_EQ(sign.readLine(), "{\"type\":\"font\",\"bytes\":" + std::to_string(1996 + escapes) +
                                   ",\"symbols\":\"" + hex(font.data() + 256, font.data() + 2048) +
                                   "\",\"preamble\":200,\"skipped\":0,\"error\":\"\"}");

    // A frame cut short by the next one: both are reported, the second one whole.
    Bytes cut = textFrame(Bytes(40, 'x'));
    cut.resize(230);
    const Bytes good = textFrame({'O', 'K'});
    cut.insert(cut.end(), good.begin(), good.end());
    writeTo(device, cut);
    EXPECT_EQ(sign.readLine(), "{\"type\":\"malformed\",\"bytes\":230,\"preamble\":200,"
                               "\"skipped\":0,\"error\":\"a new preamble began inside the frame "
                               "(frame cut short)\"}");
    EXPECT_EQ(sign.readLine(), "{\"type\":\"text\",\"bytes\":211,\"text\":\"OK\",\"effects\":[],"
                               "\"preamble\":200,\"skipped\":0,\"error\":\"\"}");

    // A frame that stops halfway is reported once the line has gone quiet.
    Bytes half = textFrame(Bytes(10, 'y'));
    half.resize(205);
    writeTo(device, half);
    EXPECT_EQ(sign.readLine(), "{\"type\":\"malformed\",\"bytes\":205,\"preamble\":200,"
                               "\"skipped\":0,\"error\":\"stream ended inside the frame "
                               "(truncated)\"}");

    sign.signal(SIGTERM);
    EXPECT_EQ(sign.readLine(), std::nullopt);
    const auto status = sign.waitExit();
    ASSERT_TRUE(status);
    EXPECT_TRUE(WIFEXITED(*status) && WEXITSTATUS(*status) == 0) << *status;
    EXPECT_FALSE(std::filesystem::is_symlink(link));
}

TEST(SignProcess, ListensOnAGivenDevice) {
    TempDir dir;
    const std::string fifo = dir.path("line");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    SignProcess sign({"--headless", "--device", fifo});
    EXPECT_EQ(devicePath(sign), fifo);
    writeTo(fifo, textFrame({'/', 'Q', '1'}));
    EXPECT_EQ(sign.readLine(), "{\"type\":\"text\",\"bytes\":212,\"text\":\"/Q1\",\"effects\":"
                               "[{\"at\":0,\"code\":\"/Q1\",\"type\":\"QWUKLY\",\"value\":1}],"
                               "\"preamble\":200,\"skipped\":0,\"error\":\"\"}");
    sign.signal(SIGINT);
    const auto status = sign.waitExit();
    ASSERT_TRUE(status);
    EXPECT_TRUE(WIFEXITED(*status) && WEXITSTATUS(*status) == 0) << *status;
}

// A device that is never dry still leaves room for the signals that end the program.
TEST(SignProcess, AnEndlessDeviceStopsOnSignals) {
    for (const int sig : {SIGTERM, SIGINT}) {
        SignProcess sign({"--headless", "--device", "/dev/zero"});
        EXPECT_EQ(devicePath(sign), "/dev/zero");
        sign.signal(sig);
        const auto status = sign.waitExit();
        ASSERT_TRUE(status) << "signal " << sig << " ignored";
        EXPECT_TRUE(WIFEXITED(*status) && WEXITSTATUS(*status) == 0) << *status;
    }
}

TEST(SignProcess, PacedLineTakesTheFrameAtLineSpeed) {
    SignProcess sign({"--headless", "--pace"});
    const std::string device = devicePath(sign);
    const Bytes frame = textFrame({'/', 'S', '5'});
    const auto start = std::chrono::steady_clock::now();
    writeTo(device, frame);
    EXPECT_EQ(sign.readLine(), "{\"type\":\"text\",\"bytes\":212,\"text\":\"/S5\",\"effects\":"
                               "[{\"at\":0,\"code\":\"/S5\",\"type\":\"SPEED\",\"value\":5}],"
                               "\"preamble\":200,\"skipped\":0,\"error\":\"\"}");
    // 212 bytes of 11 bit times at 1200 baud: the last one is in no sooner than 1.94 s on.
    EXPECT_GE(std::chrono::steady_clock::now() - start,
              std::chrono::microseconds(212LL * 11 * 1'000'000 / 1200));
}

TEST(SignProcess, PacedLineDropsWhatTheWriterThrowsAway) {
    SignProcess sign({"--headless", "--pace"});
    const std::string device = devicePath(sign);
    // A long frame goes to the line's queue at once; the writer gives up after 2.5 s and
    // throws its unsent output away, as an upload cancelled on a real port does.
    const int fd = ::open(device.c_str(), O_WRONLY | O_NOCTTY);
    ASSERT_GE(fd, 0);
    const Bytes frame = textFrame(Bytes(2800, 'x'));
    ASSERT_EQ(::write(fd, frame.data(), frame.size()), static_cast<ssize_t>(frame.size()));
    std::this_thread::sleep_for(std::chrono::milliseconds(2500));
    ::tcflush(fd, TCOFLUSH);
    ::close(fd);
    // What the line carried in those 2.5 s (about 270 bytes) is reported as a frame cut short.
    const auto cut = sign.readLine();
    ASSERT_TRUE(cut);
    EXPECT_NE(cut->find("\"type\":\"malformed\""), std::string::npos) << *cut;
    EXPECT_NE(cut->find("(truncated)"), std::string::npos) << *cut;
    const auto bytesAt = cut->find("\"bytes\":");
    ASSERT_NE(bytesAt, std::string::npos);
    const long bytes = std::stol(cut->substr(bytesAt + 8));
    EXPECT_GT(bytes, 201);
    EXPECT_LT(bytes, 600);
    // The next frame's preamble brings the sign back in step.
    writeTo(device, textFrame({'O', 'K'}));
    EXPECT_EQ(sign.readLine(), "{\"type\":\"text\",\"bytes\":211,\"text\":\"OK\",\"effects\":[],"
                               "\"preamble\":200,\"skipped\":0,\"error\":\"\"}");
}

TEST(SignProcess, RefusesBadArgumentsAndPaths) {
    TempDir dir;
    dir.write("taken", "keep me");
    struct Case {
        std::vector<std::string> args;
        int exitCode;
    };
    const std::vector<Case> cases = {
        {{"--bogus"}, 2},
        {{"--headless", "--width", "10"}, 2},
        {{"--headless", "--device"}, 2},
        {{"--headless", "--beside", "1,2,3"}, 2},
        {{"--headless", "--device", dir.path("absent")}, 1},
        {{"--headless", "--link", dir.path("taken")}, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args.back());
        SignProcess sign(c.args);
        const auto status = sign.waitExit();
        ASSERT_TRUE(status);
        EXPECT_TRUE(WIFEXITED(*status));
        EXPECT_EQ(WEXITSTATUS(*status), c.exitCode);
        EXPECT_EQ(sign.readLine(100), std::nullopt);
    }
    // An existing file is never replaced by the link.
    EXPECT_EQ(dir.read("taken"), "keep me");
}

} // namespace
