#pragma once

#include <optional>
#include <string>

// A port reached over the network, named as pyserial and esptool name it:
// "socket://host:port" (raw TCP) or "rfc2217://host:port" (Telnet with the COM port option).
// An IPv6 address stands in brackets: "socket://[::1]:4001". A query ("?...") is ignored.
struct LinkUrl {
    enum class Kind { Socket, Rfc2217 };
    Kind kind = Kind::Socket;
    std::string host;
    std::string port; // digits, 1 to 65535

    // "host:port" as the user wrote it, for messages.
    std::string address() const;
};

// Whether `device` is meant as a URL: it starts with a scheme and "://".
bool looksLikeUrl(const std::string& device);

// The URL's parts, or nullopt with `why` (English) saying what is wrong. A URL with a user
// name or password is refused: RFC 2217 has no authentication, and a password in the
// settings file would only be a secret on display.
std::optional<LinkUrl> parseLinkUrl(const std::string& device, std::string* why = nullptr);
