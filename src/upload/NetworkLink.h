#pragma once

#include "frames/LinkUrl.h"
#include "upload/SerialLink.h"
#include "upload/TcpSocket.h"
#include "upload/Telnet.h"

#include <bitset>
#include <chrono>
#include <string>
#include <vector>

// A port behind an Ethernet-serial converter or ser2net, opened by URL. socket:// is raw TCP:
// the converter is already set to the line settings and the bytes go as they are.
// rfc2217:// is Telnet with the COM port option: the line settings are requested and their
// answers checked, and every 0xFF of the data is doubled on the wire. Neither can tell what is
// still queued on the far side, so pending() leaves the engine to its line-time clock.
class NetworkLink : public SerialLink {
public:
    struct Timing {
        std::chrono::milliseconds connect{5000};
        std::chrono::milliseconds answers{3000}; // for the line settings' answers
    };

    NetworkLink() = default;
    explicit NetworkLink(Timing timing) : m_timing(timing) {}

    OpenStatus open(const std::string& device) override;
    OpenStatus openCancellable(const std::string& device,
                               const std::atomic<bool>& cancelled) override;
    WriteStatus write(std::span<const std::uint8_t> bytes, std::chrono::milliseconds wait) override;
    QueueStatus pending() override;
    void discard() override;
    void close() override;

private:
    Failure negotiate(const std::atomic<bool>& cancelled);
    void answerOption(std::uint8_t verb, std::uint8_t option);
    void takeAnswer(std::span<const std::uint8_t> body);
    Failure pump(std::chrono::milliseconds wait); // reads and handles what the server sent
    Failure flush(std::chrono::milliseconds wait);

    Timing m_timing;
    TcpSocket m_socket;
    bool m_telnet = false;
    std::vector<std::uint8_t> m_out; // on its way to the socket, escaped
    telnet::Reader m_reader;
    std::bitset<512> m_answered; // requests already declined (DO, WILL), so no loop arises
    std::vector<std::vector<std::uint8_t>> m_answers; // COM port answers, in arrival order
    Failure m_refusal;                                // an option the server refused
    Failure m_broken; // why the connection was dropped: the server broke the protocol
};
