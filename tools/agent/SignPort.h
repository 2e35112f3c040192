#pragma once

// Everything the agent takes from the program's upload engine and frames, in one place: the
// frames it builds and checks, and one upload to a sign's port.

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <variant>
#include <vector>

namespace agent {

using Bytes = std::vector<std::uint8_t>;

inline constexpr std::size_t FontTableBytes = 2048;
// The most a frame may hold: the transmit buffer of the window.
inline constexpr std::size_t LargestFrame = 65500;
// The longest text whose frame fits it.
inline constexpr std::size_t LongestText = LargestFrame - 209;

// What one frame carries, as the sign reads it.
struct FrameContent {
    bool font = false;
    // A text as the sign gets it (control codes as blanks), or the 1792 font bytes sent.
    Bytes payload;
};

// The text frame of Windows-1251 text (line breaks CR LF); nothing when it would not fit.
std::optional<Bytes> buildTextFrame(std::span<const std::uint8_t> cp1251);
Bytes buildFontFrame(std::span<const std::uint8_t, FontTableBytes> table);

// The one whole frame `bytes` are, or why they are not: stray bytes, a second frame, a short
// preamble or anything the frame decoder finds malformed.
std::variant<FrameContent, std::string> readFrame(std::span<const std::uint8_t> bytes);

// How long `bytes` take on the line at 1200 baud, 8N2.
std::chrono::milliseconds lineTime(std::size_t bytes);

// Why `port` cannot name a sign's port, or nothing: a device path, "COM n" as the window maps
// it, socket:// or rfc2217://.
std::optional<std::string> portProblem(const std::string& port);

struct PortProgress {
    std::size_t sent = 0; // known or estimated to have left the line
    std::size_t total = 0;
    std::chrono::milliseconds remaining{0};
};

struct PortResult {
    enum class Outcome { Sent, OpenFailed, WriteFailed, TimedOut, Cancelled };
    Outcome outcome = Outcome::OpenFailed;
    // The system's reason for a failure; with Sent, why the line settings were refused.
    std::string error;
    std::size_t sent = 0;
    std::size_t total = 0;
};

// One upload at a time to a sign's port, as the window uploads: open, configure, write at line
// pace, drain, close.
class SignPort {
public:
    using ProgressFn = std::function<void(const PortProgress&)>;
    virtual ~SignPort() = default;

    // Blocks until the frame has left the line or failed; progress comes on the calling thread.
    // Gives up soon after `cancel` turns true, also while the port opens.
    virtual PortResult send(const std::string& port, std::span<const std::uint8_t> frame,
                            const ProgressFn& progress, const std::atomic<bool>& cancel) = 0;
};

std::unique_ptr<SignPort> makeSystemSignPort();

} // namespace agent
