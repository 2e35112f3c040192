#include "SignState.h"

#include <cstdio>

namespace fleet {
namespace {

using nlohmann::json;

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

std::string isoTime(std::chrono::system_clock::time_point time) {
    // Calendar arithmetic rather than gmtime_r, which Windows lacks.
    using namespace std::chrono;
    const auto seconds = floor<std::chrono::seconds>(time);
    const auto day = floor<days>(seconds);
    const year_month_day date{day};
    const hh_mm_ss clock{seconds - day};
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02u-%02uT%02d:%02d:%02dZ", int(date.year()),
                  unsigned(date.month()), unsigned(date.day()), int(clock.hours().count()),
                  int(clock.minutes().count()), int(clock.seconds().count()));
    return text;
}

std::string dumpJson(const json& j) {
    return j.dump(-1, ' ', false, json::error_handler_t::replace);
}

} // namespace fleet
