// The Windows serial link on Wine's COM ports, each a pseudo-terminal that lumetra-com-bridge
// watches from the Linux side (COM3 and COM12 here, COM5 held by another program, COM9 a line
// that takes nothing more once its queue is full).

#include "upload/Win32SerialLink.h"
#include "frames/Frames.h"
#include "upload/Upload.h"

#include "TempDir.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <thread>

#include <windows.h>

using namespace std::chrono_literals;
using Outcome = UploadResult::Outcome;

namespace {

using Bytes = std::vector<std::uint8_t>;

// What the line should hold after every upload: 1200 baud, 8 data bits, 2 stop bits, no
// parity, no flow control of either kind.
constexpr const char* LineSettings = "1200 CS8 CSTOPB -PARENB -CRTSCTS -IXON -IXOFF";

std::string bridgeFile(int port, const char* kind) {
    const char* out = std::getenv("LUMETRA_COM_OUT");
    return std::string(out ? out : ".") + "\\port" + std::to_string(port) + "." + kind;
}

std::string readWhole(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream data;
    data << in.rdbuf();
    return data.str();
}

// The bytes that reached the far end of COM`port` once `size` have come, or what came in 10 s.
Bytes arrived(int port, std::size_t size) {
    const auto until = std::chrono::steady_clock::now() + 10s;
    std::string bytes = readWhole(bridgeFile(port, "bytes"));
    while (bytes.size() < size && std::chrono::steady_clock::now() < until) {
        std::this_thread::sleep_for(20ms);
        bytes = readWhole(bridgeFile(port, "bytes"));
    }
    return {bytes.begin(), bytes.end()};
}

// The line settings of COM`port`, once they are `expected` or after 2 s.
std::string lineOf(int port, const std::string& expected) {
    const auto until = std::chrono::steady_clock::now() + 2s;
    std::string line = readWhole(bridgeFile(port, "line"));
    while (line != expected && std::chrono::steady_clock::now() < until) {
        std::this_thread::sleep_for(20ms);
        line = readWhole(bridgeFile(port, "line"));
    }
    return line;
}

// A text frame carrying every byte value, 0xFF and the XON/XOFF and line-break codes among them.
Bytes everyByteFrame() {
    Bytes text;
    for (int i = 0; i < 256; ++i)
        text.push_back(static_cast<std::uint8_t>(i));
    TxFrame tx;
    tx.BuildTextFrame(text);
    Bytes frame(tx.frame().begin(), tx.frame().end());
    // The text frame turns control codes into blanks; the font frame sends them unchanged.
    std::array<std::uint8_t, FontTableSize> font{};
    for (std::size_t i = 0; i < font.size(); ++i)
        font[i] = static_cast<std::uint8_t>(i * 7);
    tx.BuildFontFrame(font);
    frame.insert(frame.end(), tx.frame().begin(), tx.frame().end());
    return frame;
}

Upload::Options quick() {
    Upload::Options options;
    options.waitLineTime = false;
    return options;
}

TEST(Win32SerialLink, TheFrameArrivesExactlyAt1200Baud8N2WithoutFlowControl) {
    ASSERT_NE(readWhole(bridgeFile(3, "line")), LineSettings) << "the line starts otherwise";
    ASSERT_NE(dynamic_cast<Win32SerialLink*>(makeLinkFor("COM3").get()), nullptr);
    const auto link = makeSystemSerialLink();
    const Bytes frame = everyByteFrame();
    const UploadResult result = Upload(*link, quick()).run("COM3", frame);
    EXPECT_EQ(result.outcome, Outcome::Completed) << result.failure.reason;
    EXPECT_TRUE(result.lineSettingsConfirmed());
    EXPECT_EQ(result.written, frame.size());
    EXPECT_EQ(arrived(3, frame.size()), frame);
    EXPECT_EQ(lineOf(3, LineSettings), LineSettings);
}

TEST(Win32SerialLink, PortNamesAboveNineAndTheDeviceFormReachThePort) {
    const Bytes first = {0xFF, 0xF1, 'A', 0xFF, 0xF0, 0xFF};
    const Bytes second = {0x11, 0x13, 0x0D, 0x0A, 0x00};
    Win32SerialLink link;
    EXPECT_TRUE(Upload(link, quick()).run("COM12", first).completed());
    EXPECT_TRUE(Upload(link, quick()).run("\\\\.\\COM12", second).completed());
    Bytes both = first;
    both.insert(both.end(), second.begin(), second.end());
    EXPECT_EQ(arrived(12, both.size()), both);
    EXPECT_EQ(lineOf(12, LineSettings), LineSettings);

    struct Case {
        const char* device;
        const char* name;
    };
    for (const Case k : {Case{"COM1", "COM1"}, Case{"COM9", "COM9"}, Case{"COM12", "\\\\.\\COM12"},
                         Case{"com10", "\\\\.\\com10"}, Case{"\\\\.\\COM3", "\\\\.\\COM3"},
                         Case{"COMX1", "COMX1"}, Case{"LPT1", "LPT1"}})
        EXPECT_EQ(Win32SerialLink::systemName(k.device), k.name) << k.device;
}

TEST(Win32SerialLink, AnAbsentPortFailsWithTheSystemsNumberAndText) {
    Win32SerialLink link;
    const UploadResult result = Upload(link).run("COM98", Bytes{1, 2, 3});
    EXPECT_EQ(result.outcome, Outcome::OpenFailed);
    EXPECT_EQ(result.failure.error, ERROR_FILE_NOT_FOUND);
    EXPECT_FALSE(result.failure.reason.empty());
    EXPECT_EQ(result.written, 0u);
}

TEST(Win32SerialLink, APortHeldByAnotherProgramIsRefused) {
    // COM5 is held exclusively on the Linux side, as a terminal program holds its port. (Wine
    // does not refuse a second Windows handle to a device, so that is not what stands in.)
    if (readWhole(bridgeFile(5, "held")) != "held")
        GTEST_SKIP() << "the hold is not enforced for a process with CAP_SYS_ADMIN";
    Win32SerialLink link;
    const UploadResult result = Upload(link).run("COM5", Bytes{0xAA, 0x55});
    EXPECT_EQ(result.outcome, Outcome::OpenFailed);
    EXPECT_NE(result.failure.error, 0);
    EXPECT_FALSE(result.failure.reason.empty());
    std::printf("held port: %d %s\n", result.failure.error, result.failure.reason.c_str());
    std::this_thread::sleep_for(100ms);
    EXPECT_TRUE(arrived(5, 0).empty());
}

TEST(Win32SerialLink, AStalledLineTimesOutOrCancelsPromptlyAndThePortOpensAgain) {
    // Nothing is read from COM9: its queue fills and the writes stop being taken.
    const Bytes frame(200000, 0x41);
    Win32SerialLink link;
    Upload::Options options = quick();
    options.deadline = 1500ms;
    auto start = std::chrono::steady_clock::now();
    const UploadResult timedOut = Upload(link, options).run("COM9", frame);
    EXPECT_EQ(timedOut.outcome, Outcome::TimedOut) << timedOut.failure.reason;
    EXPECT_GT(timedOut.written, 0u);
    EXPECT_LT(timedOut.written, frame.size());
    EXPECT_LT(std::chrono::steady_clock::now() - start, 5s);

    Upload cancelled(link, quick());
    ASSERT_TRUE(cancelled.open("COM9").opened());
    start = std::chrono::steady_clock::now();
    std::thread canceller([&] {
        std::this_thread::sleep_for(300ms);
        cancelled.cancel();
    });
    const UploadResult result = cancelled.send(frame);
    canceller.join();
    EXPECT_EQ(result.outcome, Outcome::Cancelled);
    EXPECT_LT(std::chrono::steady_clock::now() - start, 2s);
    // Each upload closed the port: it opens again.
    ASSERT_EQ(link.open("COM9").result, SerialLink::OpenResult::Opened);
    EXPECT_EQ(link.write(Bytes(1000, 0x42), 100ms).accepted, 1000u);
    // ClearCommError answers; a pseudo-terminal's queue always reads 0, so no more is known.
    EXPECT_TRUE(link.pending().queued.has_value());
    link.discard();
    link.close();
    EXPECT_FALSE(link.pending().queued.has_value());
}

TEST(Win32SerialLink, ADeviceThatRefusesTheLineSettingsStaysOpenAndSaysWhy) {
    // NUL takes bytes but no serial settings.
    Win32SerialLink link;
    const auto status = link.open("NUL");
    EXPECT_EQ(status.result, SerialLink::OpenResult::ConfigureFailed);
    EXPECT_NE(status.failure.error, 0);
    EXPECT_FALSE(status.failure.reason.empty());
    // Without a time-out the write could wait for ever, so it is refused too, with its reason.
    const auto write = link.write(Bytes{1, 2, 3}, 10ms);
    EXPECT_EQ(write.accepted, 0u);
    EXPECT_NE(write.failure.error, 0);
    link.close();
}

TEST(Win32SerialLink, AFileOfThatNameIsNoPortAndNothingIsWrittenWhenClosed) {
    TempDir dir;
    dir.write("COM-file", "x");
    Win32SerialLink link;
    const auto status = link.open(dir.path("COM-file"));
    EXPECT_EQ(status.result, SerialLink::OpenResult::OpenFailed);
    EXPECT_EQ(status.failure.error, ERROR_INVALID_FUNCTION);
    EXPECT_EQ(dir.read("COM-file"), "x");
    const auto write = link.write(Bytes{1}, 10ms);
    EXPECT_EQ(write.accepted, 0u);
    EXPECT_EQ(write.failure.error, ERROR_INVALID_HANDLE);
    EXPECT_FALSE(link.pending().queued.has_value());
}

} // namespace
