#include "upload/NetworkLink.h"

#include <algorithm>
#include <array>

namespace {

using namespace telnet;
using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

// What the line settings ask for, in the order they are sent: 1200 baud, 8 data bits, no
// parity, 2 stop bits, no outbound flow control, DTR on.
struct Request {
    std::uint8_t command;
    std::vector<std::uint8_t> value;
    const char* name;
    const char* russianName;
    bool answerRequired; // ser2net leaves SET-CONTROL unanswered on some devices
};

const std::array<Request, 6>& lineRequests() {
    static const std::array<Request, 6> requests{{
        {SetBaudRate, {0x00, 0x00, 0x04, 0xB0}, "baud rate", "скорость", true},
        {SetDataSize, {8}, "data size", "число битов данных", true},
        {SetParity, {1}, "parity", "чётность", true},
        {SetStopSize, {2}, "stop size", "число стоповых битов", true},
        {SetControl, {1}, "flow control", "управление потоком", false},
        {SetControl, {8}, "DTR", "DTR", false},
    }};
    return requests;
}

// Answers kept while the line settings are checked: enough for every request and a repeat of
// each; a server that sends more gets no more memory for them.
constexpr std::size_t MostAnswers = 12;

// What one turn reads of what the server sends, so that a flood of commands costs a bounded
// piece of work between the writes.
constexpr std::size_t ReadPerTurn = 16384;

std::string valueText(std::span<const std::uint8_t> value) {
    unsigned long long n = 0;
    for (const std::uint8_t b : value)
        n = n << 8 | b;
    return std::to_string(n);
}

} // namespace

SerialLink::OpenStatus NetworkLink::open(const std::string& device) {
    static const std::atomic<bool> never{false};
    return openCancellable(device, never);
}

SerialLink::OpenStatus NetworkLink::openCancellable(const std::string& device,
                                                    const std::atomic<bool>& cancelled) {
    close();
    std::string why;
    const std::optional<LinkUrl> url = parseLinkUrl(device, &why);
    if (!url)
        return {OpenResult::OpenFailed, {0, device + ": " + why, {}}};
    if (Failure failure = m_socket.connect(*url, m_timing.connect, &cancelled))
        return {OpenResult::OpenFailed, failure};
    m_telnet = url->kind == LinkUrl::Kind::Rfc2217;
    Failure failure;
    if (m_telnet) {
        m_reader.onOption = [this](std::uint8_t verb, std::uint8_t option) {
            answerOption(verb, option);
        };
        m_reader.onSubnegotiation = [this](std::span<const std::uint8_t> body) {
            takeAnswer(body);
        };
        failure = negotiate(cancelled);
        if (!m_socket.isOpen()) // the server went away while answering
            return {OpenResult::OpenFailed, failure};
    }
    if (cancelled.load()) {
        // Nothing is owed to the server, and one that never answers would not close either.
        m_socket.close(milliseconds(0));
        close();
        return {OpenResult::OpenFailed, {0, "cancelled", "отменено"}};
    }
    return {failure ? OpenResult::ConfigureFailed : OpenResult::Opened, failure};
}

SerialLink::Failure NetworkLink::negotiate(const std::atomic<bool>& cancelled) {
    appendOption(m_out, WILL, Binary);
    appendOption(m_out, DO, Binary);
    appendOption(m_out, WILL, ComPort);
    for (const Request& r : lineRequests())
        appendComCommand(m_out, r.command, r.value);

    const auto end = Clock::now() + m_timing.answers;
    const auto allAnswered = [this] {
        return m_answers.size() >= lineRequests().size() ||
               std::count_if(m_answers.begin(), m_answers.end(),
                             [](const auto& a) { return a[0] != ServerAnswer + SetControl; }) >= 4;
    };
    while (!allAnswered() && !m_refusal && !cancelled.load()) {
        const auto left = std::chrono::ceil<milliseconds>(end - Clock::now());
        if (left <= milliseconds(0))
            break;
        if (Failure f = flush(std::min(left, milliseconds(50)))) {
            m_socket.close();
            return f;
        }
        if (Failure f = pump(std::min(left, milliseconds(50)))) {
            m_socket.close();
            return f;
        }
    }
    if (m_refusal)
        return m_refusal;

    // Each answer against its request: the n-th answer of a kind belongs to the n-th request.
    Failure refused;
    std::array<std::size_t, 256> seen{};
    std::array<bool, 6> matched{};
    for (const auto& answer : m_answers) {
        const std::uint8_t command = static_cast<std::uint8_t>(answer[0] - ServerAnswer);
        std::size_t nth = seen[command]++;
        for (std::size_t i = 0; i < lineRequests().size(); ++i) {
            const Request& r = lineRequests()[i];
            if (r.command != command || nth-- != 0)
                continue;
            matched[i] = true;
            const std::span<const std::uint8_t> value(answer.data() + 1, answer.size() - 1);
            if (!std::equal(value.begin(), value.end(), r.value.begin(), r.value.end()) && !refused)
                refused = {0,
                           std::string("the server set the ") + r.name + " to " + valueText(value) +
                               " instead of " + valueText(r.value),
                           std::string("преобразователь установил ") + r.russianName + " " +
                               valueText(value) + " вместо " + valueText(r.value)};
            break;
        }
    }
    const std::string seconds = std::to_string(m_timing.answers.count() / 1000);
    for (std::size_t i = 0; i < lineRequests().size() && !refused; ++i)
        if (!matched[i] && lineRequests()[i].answerRequired)
            refused = {0,
                       std::string("the server did not confirm the ") + lineRequests()[i].name +
                           " within " + seconds + " s",
                       std::string("преобразователь не подтвердил ") +
                           lineRequests()[i].russianName + " за " + seconds + " с"};
    return refused;
}

void NetworkLink::answerOption(std::uint8_t verb, std::uint8_t option) {
    const bool ours = option == Binary || option == ComPort;
    if (ours && (verb == WONT || verb == DONT)) {
        if (!m_refusal)
            m_refusal = option == Binary
                            ? Failure{0, "the server refused binary transmission",
                                      "преобразователь отказался от двоичной передачи"}
                            : Failure{0, "the server refused the COM port option (RFC 2217)",
                                      "преобразователь отказался управлять COM-портом "
                                      "(RFC 2217)"};
        return;
    }
    // What we asked for needs no answer; anything else is declined, once per option and verb,
    // so a server that repeats its requests without end gets no more than one answer each.
    if (ours || verb == WONT || verb == DONT)
        return;
    const std::size_t key = (verb == DO ? 256u : 0u) + option;
    if (m_answered.test(key))
        return;
    m_answered.set(key);
    appendOption(m_out, verb == DO ? WONT : DONT, option);
}

void NetworkLink::takeAnswer(std::span<const std::uint8_t> body) {
    // Only answers to what was asked: the line and modem state notices come unasked.
    const bool asked =
        body.size() >= 2 && body[0] == ComPort &&
        std::any_of(lineRequests().begin(), lineRequests().end(),
                    [&body](const Request& r) { return body[1] == ServerAnswer + r.command; });
    if (asked && m_answers.size() < MostAnswers)
        m_answers.emplace_back(body.begin() + 1, body.end());
}

SerialLink::Failure NetworkLink::pump(milliseconds wait) {
    if (m_broken)
        return m_broken;
    std::vector<std::uint8_t> in;
    const Failure failure = m_socket.receive(in, wait, ReadPerTurn);
    if (m_telnet) {
        m_reader.feed(in);
        if (m_reader.malformed()) {
            // Nothing more of such a server is read; what it still sends is thrown away.
            const std::string limit = std::to_string(MaxSubnegotiation);
            m_broken = {0,
                        "the server sent a malformed Telnet command (a subnegotiation over " +
                            limit + " bytes)",
                        "преобразователь прислал неверную команду Telnet (подсогласование "
                        "длиннее " +
                            limit + " байт)"};
            m_out.clear();
            m_socket.close(milliseconds(0));
            return m_broken;
        }
    }
    return failure;
}

SerialLink::Failure NetworkLink::flush(milliseconds wait) {
    const auto end = Clock::now() + wait;
    while (!m_out.empty()) {
        const auto left =
            std::max(milliseconds(0), std::chrono::ceil<milliseconds>(end - Clock::now()));
        const WriteStatus sent = m_socket.send(m_out, left);
        m_out.erase(m_out.begin(), m_out.begin() + static_cast<std::ptrdiff_t>(sent.accepted));
        if (sent.failure)
            return sent.failure;
        if (sent.accepted == 0)
            break;
    }
    return {};
}

SerialLink::WriteStatus NetworkLink::write(std::span<const std::uint8_t> bytes, milliseconds wait) {
    if (Failure f = pump(milliseconds(0)))
        return {0, f};
    // What is still on its way goes first; new bytes are taken once it has gone.
    if (Failure f = flush(wait))
        return {0, f};
    if (!m_out.empty())
        return {};
    const auto taken = bytes.first(std::min<std::size_t>(bytes.size(), 4096));
    if (m_telnet)
        appendData(m_out, taken);
    else
        m_out.assign(taken.begin(), taken.end());
    if (Failure f = flush(milliseconds(0)))
        return {taken.size(), f};
    return {taken.size(), {}};
}

SerialLink::QueueStatus NetworkLink::pending() {
    Failure f = pump(milliseconds(0));
    if (!f)
        f = flush(milliseconds(0));
    return {std::nullopt, f};
}

void NetworkLink::discard() {
    m_out.clear();
    if (m_telnet && m_socket.isOpen()) {
        const std::uint8_t transmitBuffer = 2;
        appendComCommand(m_out, PurgeData, {&transmitBuffer, 1});
        flush(milliseconds(200));
    }
}

void NetworkLink::close() {
    // What the server still has to get goes, within a bound, before the orderly close.
    if (m_socket.isOpen())
        flush(milliseconds(1000));
    m_socket.close();
    m_out.clear();
    m_answers.clear();
    m_answered.reset();
    m_refusal = {};
    m_broken = {};
    m_reader = telnet::Reader{};
    m_telnet = false;
}
