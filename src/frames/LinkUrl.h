#pragma once

#include <optional>
#include <string>

// A port reached over the network, named as pyserial and esptool name it:
// "socket://host:port" (raw TCP) or "rfc2217://host:port" (Telnet with the COM port option).
// An IPv6 address stands in brackets: "socket://[::1]:4001". A query ("?...") is ignored.
// A sign whose agent is on an MQTT broker: "mqtt://[user@]host[:port]/sign[?prefix=P]", or
// mqtts:// for TLS; the port defaults to 1883 and 8883, the prefix to "lumetra".
struct LinkUrl {
    enum class Kind { Socket, Rfc2217, Mqtt, Mqtts };
    Kind kind = Kind::Socket;
    std::string host;
    std::string port; // digits, 1 to 65535
    // mqtt:// and mqtts:// only.
    std::string user;               // empty for none
    std::string sign;               // the sign's topic level; empty for the whole broker
    std::string prefix = "lumetra"; // the agents' topic prefix

    bool broker() const { return kind == Kind::Mqtt || kind == Kind::Mqtts; }

    // "host:port" as the user wrote it, for messages.
    std::string address() const;
};

// Whether `device` is meant as a URL: it starts with a scheme and "://".
bool looksLikeUrl(const std::string& device);

// The URL's parts, or nullopt with `why` (English) saying what is wrong. A URL with a user
// name or password is refused: RFC 2217 has no authentication, and a password in the
// settings file would only be a secret on display. A broker's URL may name a user but never a
// password, and as a port it names its sign.
std::optional<LinkUrl> parseLinkUrl(const std::string& device, std::string* why = nullptr);
// A broker's URL, with or without a sign: what lists the broker's signs.
std::optional<LinkUrl> parseBrokerUrl(const std::string& device, std::string* why = nullptr);
