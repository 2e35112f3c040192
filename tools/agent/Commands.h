#pragma once

#include "SignPort.h"

#include <nlohmann/json.hpp>

#include <string>
#include <string_view>

namespace agent {

// No command needs more: the longest frame is 65500 bytes, its base64 87336.
inline constexpr std::size_t MaxPayload = 256 * 1024;

enum class Verb { Text, Frame, Font, Resend, Cancel, Program, Unknown };

// One command as it arrived, checked before anything goes to the line.
struct Command {
    Verb verb = Verb::Unknown;
    std::string name;    // the last topic level: "text", "frame", ...
    nlohmann::json job;  // as the client gave it; null when it gave none
    std::string outcome; // empty when taken, else why not: "bad-input" or "too-long"
    std::string error;
    Bytes frame;              // text, frame and font: what goes to the line
    FrameContent content;     // what that frame carries
    std::size_t replaced = 0; // characters Windows-1251 has no place for, sent as "?"

    bool refused() const { return !outcome.empty(); }
};

// The command `name` (cmd/<name>) with `payload`; texts held to `maxLength` characters.
//  text:   UTF-8 text, or {"text": "...", "job": ...}
//  frame:  the frame's bytes, or {"base64": "...", "job": ...}
//  font:   the 2048 bytes of a .zg font, or {"base64": "...", "job": ...}
//  resend, cancel: anything, or {"job": ...}
//  program: read by the agent's program runner, not here
// A payload that starts with "{" is read as JSON (a raw font of 2048 bytes excepted).
Command parseCommand(std::string_view name, std::string_view payload, std::size_t maxLength);
// A message over MaxPayload, refused unread.
Command oversizeCommand(std::string_view name, std::size_t size);

} // namespace agent
