#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <vector>

// The Telnet framing an RFC 2217 port server speaks, and the COM port option's codes.
namespace telnet {

inline constexpr std::uint8_t IAC = 255, DONT = 254, DO = 253, WONT = 252, WILL = 251, SB = 250,
                              SE = 240;
inline constexpr std::uint8_t Binary = 0, ComPort = 44;

// COM port option commands, client to server; the server answers each with 100 added.
enum ComCommand : std::uint8_t {
    SetBaudRate = 1,
    SetDataSize = 2,
    SetParity = 3,
    SetStopSize = 4,
    SetControl = 5,
    PurgeData = 12,
};
inline constexpr std::uint8_t ServerAnswer = 100;

// Data for the wire: every 0xFF doubled, so the server does not take it for a command.
void appendData(std::vector<std::uint8_t>& out, std::span<const std::uint8_t> data);

// IAC <verb> <option>.
void appendOption(std::vector<std::uint8_t>& out, std::uint8_t verb, std::uint8_t option);

// IAC SB COM-PORT-OPTION <command> <value, escaped> IAC SE.
void appendComCommand(std::vector<std::uint8_t>& out, std::uint8_t command,
                      std::span<const std::uint8_t> value);

// The longest subnegotiation body taken: the COM port option's answers are a few bytes, and
// a server that never ends one must not fill the memory.
inline constexpr std::size_t MaxSubnegotiation = 64;

// Splits what the server sends into option requests and subnegotiations; data bytes are
// dropped (the sign sends nothing). Keeps its state across calls, so a command may arrive in
// pieces. Holds no more than MaxSubnegotiation bytes of any command: one that runs past it is
// malformed, and then nothing more is taken.
class Reader {
public:
    std::function<void(std::uint8_t verb, std::uint8_t option)> onOption;
    std::function<void(std::span<const std::uint8_t> body)> onSubnegotiation; // after IAC SB

    void feed(std::span<const std::uint8_t> bytes);

    bool malformed() const { return m_state == State::Malformed; }

private:
    void takeBodyByte(std::uint8_t b);

    enum class State { Data, Command, Option, Sub, SubCommand, Malformed };
    State m_state = State::Data;
    std::uint8_t m_verb = 0;
    std::vector<std::uint8_t> m_sub;
};

} // namespace telnet
