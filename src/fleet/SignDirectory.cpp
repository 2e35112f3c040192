#include "SignDirectory.h"

#include <condition_variable>
#include <memory>
#include <mutex>

namespace fleet {

SignDirectory::SignDirectory(std::string prefix, std::string sign)
    : m_prefix(std::move(prefix)), m_sign(std::move(sign)) {}

std::vector<std::string> SignDirectory::patterns() const {
    const std::string base = m_prefix + "/" + (m_sign.empty() ? "+" : m_sign) + "/";
    return {base + "availability", base + "state"};
}

bool SignDirectory::take(std::string_view topic, std::string_view payload) {
    if (!topic.starts_with(m_prefix) || topic.size() <= m_prefix.size() ||
        topic[m_prefix.size()] != '/')
        return false;
    topic.remove_prefix(m_prefix.size() + 1);
    const std::size_t slash = topic.find('/');
    if (slash == 0 || slash == std::string_view::npos)
        return false;
    const std::string id(topic.substr(0, slash));
    const std::string_view leaf = topic.substr(slash + 1);
    if ((leaf != "availability" && leaf != "state") || (!m_sign.empty() && id != m_sign))
        return false;

    Heard& heard = m_signs[id];
    SignEntry& e = heard.entry;
    e.id = id;
    if (leaf == "availability") {
        heard.availability = !payload.empty();
        e.online = payload == "online";
    } else {
        const auto json = nlohmann::json::parse(payload, nullptr, false);
        // Anything but a JSON object is no state; unless it was empty, a bad one.
        e.hasState = json.is_object();
        e.badState = !payload.empty() && !e.hasState;
        e.state = e.hasState ? stateFromJson(json) : SignState{};
        e.name.clear();
        if (e.hasState)
            if (const auto it = json.find("name"); it != json.end() && it->is_string())
                e.name = it->get<std::string>();
    }
    if (e.name.empty())
        e.name = id;
    if (!heard.availability && !e.hasState && !e.badState)
        m_signs.erase(id);
    return true;
}

std::vector<SignEntry> SignDirectory::signs() const {
    std::vector<SignEntry> out;
    out.reserve(m_signs.size());
    for (const auto& [id, heard] : m_signs)
        out.push_back(heard.entry);
    return out;
}

const SignEntry* SignDirectory::find(const std::string& id) const {
    const auto it = m_signs.find(id);
    return it == m_signs.end() ? nullptr : &it->second.entry;
}

std::optional<std::vector<SignEntry>> readSigns(BrokerSettings settings, SignDirectory directory,
                                                std::chrono::milliseconds quiet,
                                                std::chrono::milliseconds most, std::string* why) {
    using Clock = std::chrono::steady_clock;
    struct Heard {
        std::mutex mutex;
        std::condition_variable changed;
        SignDirectory directory;
        bool connected = false;
        Clock::time_point last;
        std::string problem;
    };
    auto heard = std::make_shared<Heard>();
    heard->directory = std::move(directory);
    settings.retained = true;
    settings.log = [heard](const std::string& line) {
        std::lock_guard lock(heard->mutex);
        heard->problem = line;
    };
    MosquittoBroker broker(settings);
    for (const std::string& pattern : heard->directory.patterns())
        broker.subscribe(pattern, 1);
    Broker::Events events;
    events.connected = [heard] {
        std::lock_guard lock(heard->mutex);
        heard->connected = true;
        heard->last = Clock::now();
        heard->changed.notify_all();
    };
    events.message = [heard](const Broker::Message& m) {
        std::lock_guard lock(heard->mutex);
        heard->directory.take(m.topic, m.payload);
        heard->last = Clock::now();
    };
    broker.start(std::move(events));
    std::unique_lock lock(heard->mutex);
    const auto end = Clock::now() + most;
    if (!heard->changed.wait_until(lock, end, [&] { return heard->connected; })) {
        if (why)
            *why = heard->problem.empty()
                       ? "no answer from " + settings.host + ":" + std::to_string(settings.port)
                       : heard->problem;
        lock.unlock();
        broker.stop(std::chrono::milliseconds(0));
        return std::nullopt;
    }
    // Retained messages come at once after the subscription; none for `quiet` means all came.
    while (Clock::now() - heard->last < quiet)
        heard->changed.wait_until(lock, heard->last + quiet);
    std::vector<SignEntry> signs = heard->directory.signs();
    lock.unlock();
    broker.stop(std::chrono::milliseconds(0));
    return signs;
}

nlohmann::json signsJson(const std::vector<SignEntry>& signs) {
    nlohmann::json list = nlohmann::json::array();
    for (const SignEntry& e : signs) {
        nlohmann::json state = toJson(e.state);
        state.erase("frame_b64");
        state.erase("font_frame_b64");
        nlohmann::json sign = {{"id", e.id}, {"name", e.name}, {"online", e.online}};
        if (e.hasState)
            sign["state"] = std::move(state);
        list.push_back(std::move(sign));
    }
    return list;
}

std::string textStart(std::string_view utf8, std::size_t characters) {
    std::string out;
    std::size_t count = 0;
    for (std::size_t i = 0; i < utf8.size();) {
        // A character is its lead byte and the continuation bytes after it.
        std::size_t end = i + 1;
        while (end < utf8.size() && (static_cast<unsigned char>(utf8[end]) & 0xC0) == 0x80)
            ++end;
        if (count == characters)
            return out + "…";
        if (static_cast<unsigned char>(utf8[i]) < 0x20)
            out += ' ';
        else
            out.append(utf8.substr(i, end - i));
        ++count;
        i = end;
    }
    return out;
}

} // namespace fleet
