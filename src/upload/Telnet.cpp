#include "upload/Telnet.h"

namespace telnet {

void appendData(std::vector<std::uint8_t>& out, std::span<const std::uint8_t> data) {
    for (const std::uint8_t b : data) {
        out.push_back(b);
        if (b == IAC)
            out.push_back(IAC);
    }
}

void appendOption(std::vector<std::uint8_t>& out, std::uint8_t verb, std::uint8_t option) {
    out.insert(out.end(), {IAC, verb, option});
}

void appendComCommand(std::vector<std::uint8_t>& out, std::uint8_t command,
                      std::span<const std::uint8_t> value) {
    out.insert(out.end(), {IAC, SB, ComPort, command});
    appendData(out, value);
    out.insert(out.end(), {IAC, SE});
}

void Reader::takeBodyByte(std::uint8_t b) {
    if (m_sub.size() < MaxSubnegotiation) {
        m_sub.push_back(b);
        return;
    }
    m_state = State::Malformed;
    m_sub = {};
}

void Reader::feed(std::span<const std::uint8_t> bytes) {
    for (const std::uint8_t b : bytes) {
        switch (m_state) {
        case State::Data:
            if (b == IAC)
                m_state = State::Command;
            break;
        case State::Command:
            if (b == WILL || b == WONT || b == DO || b == DONT) {
                m_verb = b;
                m_state = State::Option;
            } else if (b == SB) {
                m_sub.clear();
                m_state = State::Sub;
            } else {
                m_state = State::Data; // IAC IAC (a data byte) or a command without option
            }
            break;
        case State::Option:
            if (onOption)
                onOption(m_verb, b);
            m_state = State::Data;
            break;
        case State::Sub:
            if (b == IAC)
                m_state = State::SubCommand;
            else
                takeBodyByte(b);
            break;
        case State::SubCommand:
            if (b == IAC) {
                m_state = State::Sub;
                takeBodyByte(IAC);
            } else {
                // IAC SE, or a malformed end the server meant as one.
                if (onSubnegotiation)
                    onSubnegotiation(m_sub);
                m_state = State::Data;
            }
            break;
        case State::Malformed:
            return;
        }
    }
}

} // namespace telnet
