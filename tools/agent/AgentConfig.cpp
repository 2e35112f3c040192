#include "AgentConfig.h"

#include "SignPort.h"
#include "base/AtomicFile.h"
#include "base/Cp1251.h"
#include "fleet/PasswordFile.h"

#include <algorithm>
#include <cctype>
#include <map>
#include <optional>
#include <system_error>

#include <sys/stat.h>
#include <unistd.h>

namespace agent {
namespace {

constexpr std::size_t MaxConfigBytes = 1u << 20;

std::string trim(std::string_view s) {
    const auto blank = [](unsigned char c) { return c == ' ' || c == '\t' || c == '\r'; };
    while (!s.empty() && blank(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && blank(s.back()))
        s.remove_suffix(1);
    return std::string(s);
}

std::string lower(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return s;
}

bool idCharacter(unsigned char c) {
    return std::isalnum(c) || c == '-' || c == '_';
}

// Why `topic` cannot stand at the start of the agent's topics, or nothing.
std::optional<std::string> topicProblem(const std::string& topic) {
    if (topic.empty())
        return "empty";
    if (topic.find_first_of("+#") != std::string::npos)
        return "no + or # in a topic";
    if (topic.front() == '/' || topic.back() == '/' || topic.find("//") != std::string::npos)
        return "no empty topic level";
    if (topic.front() == '$')
        return "topics starting with $ are the broker's";
    return std::nullopt;
}

class Parser {
public:
    explicit Parser(const std::string& path) : m_path(path) { m_config.file = path; }

    AgentConfig parse(std::string_view text) {
        if (text.starts_with("\xEF\xBB\xBF"))
            text.remove_prefix(3);
        std::size_t start = 0;
        while (start <= text.size()) {
            const std::size_t end = std::min(text.find('\n', start), text.size());
            ++m_line;
            line(text.substr(start, end - start));
            start = end + 1;
        }
        finish();
        return m_config;
    }

private:
    [[noreturn]] void fail(const std::string& key, const std::string& why, int line = -1) const {
        const int at = line < 0 ? m_line : line;
        std::string text = m_path;
        if (at > 0)
            text += ":" + std::to_string(at);
        text += ": ";
        if (!key.empty())
            text += key + ": ";
        throw ConfigError(text + why);
    }

    void line(std::string_view raw) {
        if (!cp1251::decodeUtf8(raw))
            fail("", "not UTF-8");
        const std::string t = trim(raw);
        if (t.empty() || t[0] == ';' || t[0] == '#')
            return;
        if (t[0] == '[')
            return section(t);
        const std::size_t equals = t.find('=');
        if (equals == std::string::npos)
            fail("", "expected KEY=VALUE or [SECTION]");
        const std::string key = trim(t.substr(0, equals));
        std::string value = t.substr(equals + 1);
        for (std::size_t i = 1; i < value.size(); ++i)
            if (value[i] == ';' && (value[i - 1] == ' ' || value[i - 1] == '\t')) {
                value.resize(i);
                break;
            }
        value = trim(value);
        if (key.empty())
            fail("", "a key name is missing before \"=\"");
        if (m_section == Section::None)
            fail(key, "outside any section");
        const auto [it, added] = m_seen.emplace(lower(key), m_line);
        if (!added)
            fail(key, "given twice (first on line " + std::to_string(it->second) + ")");
        if (m_section == Section::Broker)
            brokerKey(key, value);
        else
            signKey(key, value);
    }

    void section(const std::string& t) {
        if (t.back() != ']')
            fail("", "a section name ends with \"]\"");
        const std::string inner = trim(t.substr(1, t.size() - 2));
        m_seen.clear();
        if (lower(inner) == "broker") {
            if (m_brokerLine != 0)
                fail("",
                     "[Broker] given twice (first on line " + std::to_string(m_brokerLine) + ")");
            m_brokerLine = m_line;
            m_section = Section::Broker;
            return;
        }
        if (lower(inner.substr(0, 5)) != "sign " || trim(inner.substr(5)).empty())
            fail("", "unknown section [" + inner + "]; expected [Broker] or [Sign <id>]");
        SignConfig sign;
        sign.id = trim(inner.substr(5));
        sign.line = m_line;
        if (!std::all_of(sign.id.begin(), sign.id.end(), idCharacter))
            fail("", "sign id \"" + sign.id +
                         "\": only Latin letters, digits, \"-\" and \"_\" (it is a topic level)");
        if (sign.id == "vars")
            fail("", "sign id \"vars\": <Prefix>/vars/ holds the programs' variables");
        for (const SignConfig& other : m_config.signs)
            if (other.id == sign.id)
                fail("", "[Sign " + sign.id + "] given twice (first on line " +
                             std::to_string(other.line) + ")");
        m_config.signs.push_back(sign);
        m_section = Section::Sign;
    }

    void brokerKey(const std::string& key, const std::string& value) {
        const std::string k = lower(key);
        if (k == "url") {
            url(key, value);
        } else if (k == "user") {
            m_config.user = value;
        } else if (k == "passwordfile") {
            m_config.passwordFile = value;
            m_passwordLine = m_line;
        } else if (k == "cafile") {
            m_config.caFile = readable(key, value);
            m_caLine = m_line;
        } else if (k == "certfile") {
            m_config.certFile = readable(key, value);
        } else if (k == "keyfile") {
            m_config.keyFile = readable(key, value);
        } else if (k == "prefix") {
            if (const auto why = topicProblem(value))
                fail(key, *why);
            m_config.prefix = value;
        } else if (k == "discovery") {
            if (const auto why = topicProblem(value); why && !value.empty())
                fail(key, *why);
            m_config.discovery = value;
        } else {
            fail(key, "unknown in [Broker] (Url, User, PasswordFile, CaFile, CertFile, KeyFile, "
                      "Prefix, Discovery)");
        }
    }

    // TLS would only say "invalid arguments" of a file it cannot read.
    const std::string& readable(const std::string& key, const std::string& file) const {
        if (!file.empty() && ::access(file.c_str(), R_OK) != 0)
            fail(key, file + ": " + std::system_category().message(errno));
        return file;
    }

    void url(const std::string& key, const std::string& value) {
        const std::size_t scheme = value.find("://");
        const std::string name = lower(value.substr(0, scheme));
        if (scheme == std::string::npos || (name != "mqtt" && name != "mqtts"))
            fail(key, "expected mqtt://HOST[:PORT] or mqtts://HOST[:PORT]");
        m_config.tls = name == "mqtts";
        std::string rest = value.substr(scheme + 3);
        if (!rest.empty() && rest.back() == '/')
            rest.pop_back();
        if (rest.find('@') != std::string::npos)
            fail(key, "no user or password in the URL; use User= and PasswordFile=");
        if (rest.find('/') != std::string::npos || rest.find('?') != std::string::npos)
            fail(key, "only HOST[:PORT] after the scheme");
        std::string port;
        bool hasPort = false;
        if (!rest.empty() && rest.front() == '[') {
            const std::size_t close = rest.find(']');
            if (close == std::string::npos)
                fail(key, "an IPv6 address ends with \"]\"");
            m_config.host = rest.substr(1, close - 1);
            if (close + 1 < rest.size()) {
                if (rest[close + 1] != ':')
                    fail(key, "expected [ADDRESS]:PORT");
                hasPort = true;
                port = rest.substr(close + 2);
            }
        } else {
            const std::size_t colon = rest.find(':');
            m_config.host = rest.substr(0, colon);
            hasPort = colon != std::string::npos;
            if (hasPort)
                port = rest.substr(colon + 1);
        }
        if (m_config.host.empty())
            fail(key, "no host");
        m_config.port = m_config.tls ? 8883 : 1883;
        if (hasPort) {
            const bool digits = !port.empty() && port.size() <= 5 &&
                                std::all_of(port.begin(), port.end(),
                                            [](unsigned char c) { return std::isdigit(c); });
            const int n = digits ? std::stoi(port) : 0;
            if (n < 1 || n > 65535)
                fail(key, "the port is a number from 1 to 65535");
            m_config.port = n;
        }
        m_urlLine = m_line;
    }

    void signKey(const std::string& key, const std::string& value) {
        SignConfig& sign = m_config.signs.back();
        const std::string k = lower(key);
        if (k == "port") {
            if (const auto why = portProblem(value))
                fail(key, *why);
            sign.port = value;
        } else if (k == "maxlength") {
            const bool digits = !value.empty() && value.size() <= 6 &&
                                std::all_of(value.begin(), value.end(),
                                            [](unsigned char c) { return std::isdigit(c); });
            const std::size_t n = digits ? std::stoul(value) : 0;
            if (n < 1 || n > LongestText)
                fail(key, "a number of characters from 1 to " + std::to_string(LongestText));
            sign.maxLength = n;
        } else if (k == "name") {
            sign.name = value;
        } else {
            fail(key, "unknown in [Sign " + sign.id + "] (Port, MaxLength, Name)");
        }
    }

    void finish() {
        if (m_brokerLine == 0)
            fail("", "no [Broker] section", 0);
        if (m_urlLine == 0)
            fail("Url", "missing in [Broker]", m_brokerLine);
        if (!m_config.caFile.empty() && !m_config.tls)
            fail("CaFile", "only for mqtts://", m_caLine);
        if (m_config.certFile.empty() != m_config.keyFile.empty())
            fail(m_config.certFile.empty() ? "CertFile" : "KeyFile",
                 "CertFile and KeyFile go together", m_brokerLine);
        if (!m_config.passwordFile.empty() && m_config.user.empty())
            fail("PasswordFile", "a password needs a User", m_passwordLine);
        if (m_config.signs.empty())
            fail("", "no [Sign <id>] section", 0);
        for (SignConfig& sign : m_config.signs) {
            if (sign.port.empty())
                fail("Port", "missing in [Sign " + sign.id + "]", sign.line);
            if (sign.name.empty())
                sign.name = sign.id;
        }
    }

    enum class Section { None, Broker, Sign };
    const std::string& m_path;
    AgentConfig m_config;
    Section m_section = Section::None;
    int m_line = 0;
    int m_brokerLine = 0, m_urlLine = 0, m_caLine = 0, m_passwordLine = 0;
    std::map<std::string, int> m_seen; // keys of the current section: their lines
};

std::string readWhole(const std::string& path, std::size_t most) {
    try {
        return readRegularFile(path, most);
    } catch (const std::system_error& e) {
        throw ConfigError(path + ": " + e.code().message());
    }
}

} // namespace

AgentConfig parseAgentConfig(const std::string& path, const std::string& text) {
    return Parser(path).parse(text);
}

AgentConfig readAgentConfig(const std::string& path) {
    return parseAgentConfig(path, readWhole(path, MaxConfigBytes));
}

std::string readPasswordFile(const std::string& path) {
    try {
        return fleet::readPasswordFile(path);
    } catch (const std::runtime_error& e) {
        throw ConfigError(e.what());
    }
}

bool isLoopback(const std::string& host) {
    if (lower(host) == "localhost" || host == "::1")
        return true;
    if (!host.starts_with("127."))
        return false;
    return std::all_of(host.begin(), host.end(),
                       [](unsigned char c) { return std::isdigit(c) || c == '.'; });
}

} // namespace agent
