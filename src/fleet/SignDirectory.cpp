#include "SignDirectory.h"

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
