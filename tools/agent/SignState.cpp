#include "SignState.h"

#include "base/AtomicFile.h"

#include <ctime>
#include <stdexcept>
#include <system_error>

namespace agent {
namespace {

using nlohmann::json;

constexpr std::size_t MaxStateFileBytes = 1u << 20;

template <typename T> void take(const json& from, const char* key, T& into) {
    const auto it = from.find(key);
    if (it == from.end())
        return;
    if constexpr (std::is_same_v<T, std::string>) {
        if (it->is_string())
            into = it->get<std::string>();
    } else if (it->is_number()) {
        into = it->get<T>();
    }
}

} // namespace

json toJson(const SignState& s) {
    json j = {{"job", s.job},
              {"text", s.text},
              {"sha256", s.sha256},
              {"frame_bytes", s.frameBytes},
              {"line_seconds", s.lineSeconds},
              {"uploaded_at", s.uploadedAt},
              {"result", s.result},
              {"error", s.error},
              {"port", s.port},
              {"frame_b64", s.frameB64}};
    if (!s.fontSha256.empty()) {
        j["font_sha256"] = s.fontSha256;
        j["font_frame_b64"] = s.fontFrameB64;
    }
    return j;
}

SignState stateFromJson(const json& j) {
    SignState s;
    if (!j.is_object())
        return s;
    if (const auto it = j.find("job"); it != j.end())
        s.job = *it;
    take(j, "text", s.text);
    take(j, "sha256", s.sha256);
    take(j, "frame_bytes", s.frameBytes);
    take(j, "line_seconds", s.lineSeconds);
    take(j, "uploaded_at", s.uploadedAt);
    take(j, "result", s.result);
    take(j, "error", s.error);
    take(j, "port", s.port);
    take(j, "frame_b64", s.frameB64);
    take(j, "font_sha256", s.fontSha256);
    take(j, "font_frame_b64", s.fontFrameB64);
    return s;
}

std::optional<StateFile> loadStateFile(const std::string& path) {
    if (fileKind(path) == FileKind::Missing)
        return std::nullopt;
    std::string text;
    try {
        text = readRegularFile(path, MaxStateFileBytes);
    } catch (const std::system_error& e) {
        throw std::runtime_error(path + ": " + e.code().message());
    }
    const json j = json::parse(text, nullptr, false);
    if (j.is_discarded() || !j.is_object() || !j.contains("state"))
        throw std::runtime_error(path + ": not a state file");
    StateFile file;
    file.state = stateFromJson(j["state"]);
    take(j, "resend_b64", file.resendB64);
    return file;
}

void saveStateFile(const std::string& path, const StateFile& file) {
    const std::string text =
        dumpJson({{"state", toJson(file.state)}, {"resend_b64", file.resendB64}}) + "\n";
    replaceFileAtomically(path, {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()});
}

std::string isoTime(std::chrono::system_clock::time_point time) {
    const std::time_t t = std::chrono::system_clock::to_time_t(time);
    std::tm utc{};
    ::gmtime_r(&t, &utc);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &utc);
    return text;
}

std::string dumpJson(const json& j) {
    return j.dump(-1, ' ', false, json::error_handler_t::replace);
}

} // namespace agent
