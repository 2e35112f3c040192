#pragma once

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

// Splits what the server sends into option requests and subnegotiations; data bytes are
// dropped (the sign sends nothing). Keeps its state across calls, so a command may arrive in
// pieces.
class Reader {
public:
    std::function<void(std::uint8_t verb, std::uint8_t option)> onOption;
    std::function<void(std::span<const std::uint8_t> body)> onSubnegotiation; // after IAC SB

    void feed(std::span<const std::uint8_t> bytes);

private:
    enum class State { Data, Command, Option, Sub, SubCommand };
    State m_state = State::Data;
    std::uint8_t m_verb = 0;
    std::vector<std::uint8_t> m_sub;
};

} // namespace telnet
