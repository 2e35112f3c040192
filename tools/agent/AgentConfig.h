#pragma once

#include <cstddef>
#include <stdexcept>
#include <string>
#include <vector>

namespace agent {

// The most characters a sign takes when its section names none: the window's short limit
// (fewer than 6000).
inline constexpr std::size_t DefaultMaxLength = 5999;

struct SignConfig {
    std::string id;   // from "[Sign <id>]"; one level of a topic
    std::string port; // as the window names ports
    std::size_t maxLength = DefaultMaxLength;
    std::string name; // for people; the id when not given
    int line = 0;     // of the section, for messages
};

struct AgentConfig {
    std::string file;
    std::string host;
    int port = 1883;
    bool tls = false;
    std::string user;
    std::string passwordFile;
    std::string caFile, certFile, keyFile;
    std::string prefix = "lumetra";
    std::string discovery = "homeassistant"; // empty: no Home Assistant discovery
    std::vector<SignConfig> signs;
};

// A file that cannot be taken, in one line: "FILE:LINE: KEY: why", or "FILE: why".
class ConfigError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Reads the agent's INI file (UTF-8): [Broker] with Url, User, PasswordFile, CaFile, CertFile,
// KeyFile, Prefix, Discovery; one [Sign <id>] per sign with Port, MaxLength, Name. Names match
// whatever their letter case; ";" or "#" starts a comment line, and " ;" a comment after a
// value. Throws ConfigError.
AgentConfig readAgentConfig(const std::string& path);
AgentConfig parseAgentConfig(const std::string& path, const std::string& text);

// The password: the first line of the file, which must be closed to group and others.
// Throws ConfigError.
std::string readPasswordFile(const std::string& path);

// Whether `host` is this machine's loopback (localhost, 127.0.0.0/8, ::1).
bool isLoopback(const std::string& host);

} // namespace agent
