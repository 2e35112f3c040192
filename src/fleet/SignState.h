#pragma once

#include <nlohmann/json.hpp>

#include <chrono>
#include <string>

namespace fleet {

// What is on a sign now, as far as the agent knows: the last text frame that went onto the
// line (wholly when `result` is "sent"), and the last font that went.
struct SignState {
    nlohmann::json job;
    std::string text;   // UTF-8 of the text as the sign got it
    std::string sha256; // of its Windows-1251 bytes
    std::size_t frameBytes = 0;
    double lineSeconds = 0;
    std::string uploadedAt; // ISO 8601, UTC
    std::string result;     // sent, failed or cancelled; empty before the first text
    std::string error;
    std::string port;
    std::string frameB64;
    std::string fontSha256; // of the 1792 font bytes sent (symbols 32 to 255)
    std::string fontFrameB64;

    bool empty() const { return result.empty() && fontSha256.empty(); }
};

nlohmann::json toJson(const SignState& state);
// Takes what it knows of `json` and leaves the rest empty.
SignState stateFromJson(const nlohmann::json& json);

// "2024-06-10T08:00:00Z".
std::string isoTime(std::chrono::system_clock::time_point time);

// The JSON text, with anything that is not UTF-8 replaced rather than thrown about.
std::string dumpJson(const nlohmann::json& json);

} // namespace fleet
