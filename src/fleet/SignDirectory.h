#pragma once

#include "MosquittoBroker.h"
#include "SignState.h"

#include <chrono>
#include <optional>

#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace fleet {

// The prefix the agents publish under when their configuration names none.
inline constexpr const char* DefaultPrefix = "lumetra";

// One sign as its agent's retained messages tell it.
struct SignEntry {
    std::string id;      // its topic level: <prefix>/<id>/...
    std::string name;    // the name its agent gives it; the id when none came
    bool online = false; // its availability is "online"
    bool hasState = false;
    bool badState = false; // a retained state that is not a JSON object
    SignState state;
};

// The signs under one prefix, folded from the retained <prefix>/+/availability and
// <prefix>/+/state messages. An empty retained message clears what it replaced; a sign with
// neither left is gone.
class SignDirectory {
public:
    // `sign` empty: every sign under the prefix, else only that one.
    explicit SignDirectory(std::string prefix = DefaultPrefix, std::string sign = {});

    // What to subscribe to.
    std::vector<std::string> patterns() const;
    // False when the topic is none of the directory's.
    bool take(std::string_view topic, std::string_view payload);

    // By id.
    std::vector<SignEntry> signs() const;
    const SignEntry* find(const std::string& id) const;

private:
    struct Heard {
        bool availability = false;
        SignEntry entry;
    };
    std::string m_prefix, m_sign;
    std::map<std::string, Heard> m_signs;
};

// What the broker of `settings` holds for `directory`: connects, takes the retained messages
// until `quiet` has passed without one, and disconnects. Nothing, with `why` (the broker's
// own words), when no connection was accepted within `most`.
std::optional<std::vector<SignEntry>> readSigns(BrokerSettings settings, SignDirectory directory,
                                                std::chrono::milliseconds quiet,
                                                std::chrono::milliseconds most, std::string* why);

// The list as JSON, without the frames: id, name, online, and what the state tells.
nlohmann::json signsJson(const std::vector<SignEntry>& signs);

// The first `characters` characters of a UTF-8 text on one line, for a list: control codes as
// blanks, "…" when there was more.
std::string textStart(std::string_view utf8, std::size_t characters);

} // namespace fleet
