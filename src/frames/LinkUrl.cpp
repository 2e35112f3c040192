#include "frames/LinkUrl.h"

#include <algorithm>
#include <cctype>

namespace {

std::string lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

std::optional<LinkUrl> refuse(std::string* why, const char* reason) {
    if (why)
        *why = reason;
    return std::nullopt;
}

bool hostCharacter(unsigned char c) {
    return std::isalnum(c) || c == '-' || c == '.' || c == '_';
}

} // namespace

std::string LinkUrl::address() const {
    const bool v6 = host.find(':') != std::string::npos;
    return (v6 ? "[" + host + "]" : host) + ":" + port;
}

bool looksLikeUrl(const std::string& device) {
    const std::size_t colon = device.find("://");
    return colon != std::string::npos && colon > 0 &&
           std::all_of(device.begin(), device.begin() + static_cast<std::ptrdiff_t>(colon),
                       [](unsigned char c) { return std::isalnum(c) || c == '+' || c == '-'; });
}

namespace {

// One topic level or a prefix of them: no wildcards, no empty level.
bool topicPart(const std::string& text, bool levels) {
    if (text.empty() || text.front() == '/' || text.back() == '/' ||
        text.find("//") != std::string::npos)
        return false;
    return std::none_of(text.begin(), text.end(), [levels](unsigned char c) {
        return c == '+' || c == '#' || c < 0x20 || (!levels && c == '/');
    });
}

std::optional<LinkUrl> parse(const std::string& device, std::string* why, bool signNeeded) {
    if (!looksLikeUrl(device))
        return refuse(why, "not a URL");
    const std::size_t schemeEnd = device.find("://");
    const std::string scheme = lower(device.substr(0, schemeEnd));
    LinkUrl url;
    if (scheme == "socket")
        url.kind = LinkUrl::Kind::Socket;
    else if (scheme == "rfc2217")
        url.kind = LinkUrl::Kind::Rfc2217;
    else if (scheme == "mqtt")
        url.kind = LinkUrl::Kind::Mqtt;
    else if (scheme == "mqtts")
        url.kind = LinkUrl::Kind::Mqtts;
    else
        return refuse(why, "only socket://, rfc2217://, mqtt:// and mqtts:// are known");
    std::string rest = device.substr(schemeEnd + 3);
    const std::size_t queryStart = rest.find('?');
    const std::string query = queryStart == std::string::npos ? "" : rest.substr(queryStart + 1);
    rest = rest.substr(0, queryStart);
    if (url.broker()) {
        if (!query.empty()) {
            if (!query.starts_with("prefix=") || query.find('&') != std::string::npos)
                return refuse(why, "the only query a broker's URL takes is ?prefix=PREFIX");
            url.prefix = query.substr(7);
            if (!topicPart(url.prefix, true))
                return refuse(why, "the prefix is empty or has +, # or an empty level");
        }
        const std::size_t slash = rest.find('/');
        if (slash != std::string::npos) {
            url.sign = rest.substr(slash + 1);
            rest = rest.substr(0, slash);
            if (!url.sign.empty() && url.sign.back() == '/')
                url.sign.pop_back();
            if (!url.sign.empty() && !topicPart(url.sign, false))
                return refuse(why, "the sign is one topic level, without /, + or #");
        }
        if (signNeeded && url.sign.empty())
            return refuse(why, "the URL names no sign: expected mqtt://host/SIGN");
        if (const std::size_t at = rest.rfind('@'); at != std::string::npos) {
            url.user = rest.substr(0, at);
            rest = rest.substr(at + 1);
            if (url.user.find(':') != std::string::npos)
                return refuse(why, "a password does not belong in the URL; the settings name "
                                   "a password file ([Broker] PasswordFile)");
            if (url.user.empty() || url.user.find('@') != std::string::npos)
                return refuse(why, "the user name is empty or has an @");
        }
        const bool bracketed = !rest.empty() && rest.front() == '[';
        const std::size_t close = bracketed ? rest.find(']') : 0;
        const std::size_t colon = rest.rfind(':');
        if (colon == std::string::npos || (bracketed && colon < close))
            rest += url.kind == LinkUrl::Kind::Mqtt ? ":1883" : ":8883";
    } else {
        if (!rest.empty() && rest.back() == '/')
            rest.pop_back();
        if (rest.find('@') != std::string::npos)
            return refuse(why, "a user name or password does not belong in the URL");
        if (rest.find('/') != std::string::npos)
            return refuse(why, "the URL has a path; only host:port is expected");
    }
    std::size_t portStart = 0;
    if (!rest.empty() && rest.front() == '[') {
        const std::size_t close = rest.find(']');
        if (close == std::string::npos || close + 1 >= rest.size() || rest[close + 1] != ':')
            return refuse(why, "expected [address]:port");
        url.host = rest.substr(1, close - 1);
        portStart = close + 2;
        if (url.host.empty() || !std::all_of(url.host.begin(), url.host.end(), [](unsigned char c) {
                return std::isxdigit(c) || c == ':' || c == '.';
            }))
            return refuse(why, "the address in brackets is not an IPv6 address");
    } else {
        const std::size_t colon = rest.rfind(':');
        if (colon == std::string::npos)
            return refuse(why, "the port number is missing: expected host:port");
        url.host = rest.substr(0, colon);
        portStart = colon + 1;
        if (url.host.empty() || !std::all_of(url.host.begin(), url.host.end(), hostCharacter))
            return refuse(why, "the host name is empty or has characters a host name cannot have");
    }
    url.port = rest.substr(portStart);
    const bool digits = !url.port.empty() && url.port.size() <= 5 &&
                        std::all_of(url.port.begin(), url.port.end(),
                                    [](unsigned char c) { return std::isdigit(c); });
    if (!digits || std::stoi(url.port) < 1 || std::stoi(url.port) > 65535)
        return refuse(why, "the port number must be 1 to 65535");
    url.port = std::to_string(std::stoi(url.port));
    return url;
}

} // namespace

std::optional<LinkUrl> parseLinkUrl(const std::string& device, std::string* why) {
    return parse(device, why, true);
}

std::optional<LinkUrl> parseBrokerUrl(const std::string& device, std::string* why) {
    const std::optional<LinkUrl> url = parse(device, why, false);
    if (url && !url->broker())
        return refuse(why, "expected mqtt:// or mqtts://");
    return url;
}
