#include "upload/MqttLink.h"

#include "fleet/Digest.h"
#include "fleet/MosquittoBroker.h"
#include "fleet/PasswordFile.h"
#include "fleet/SignState.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <random>

namespace {

using nlohmann::json;
using Failure = SerialLink::Failure;

// Results carry the frame's base64 at most; states the frame and the font.
constexpr std::size_t MostPayload = 1u << 20;
// What the cancel and the last acknowledgements get before the connection goes.
constexpr std::chrono::milliseconds Flush{2000};

Failure failure(std::string english, std::string russian) {
    return {0, std::move(english), std::move(russian)};
}

std::string randomId() {
    std::random_device device;
    std::mt19937_64 random((static_cast<std::uint64_t>(device()) << 32) ^ device());
    static constexpr char Hex[] = "0123456789abcdef";
    std::string id;
    for (std::uint64_t n = random(), i = 0; i < 12; ++i, n >>= 4)
        id += Hex[n & 15];
    return id;
}

// The Russian of an outcome the agent names.
std::string russianOutcome(const std::string& outcome) {
    if (outcome == "open-failed")
        return "агент не смог открыть порт знака";
    if (outcome == "write-failed")
        return "запись на линию знака не удалась";
    if (outcome == "timed-out")
        return "передача на линию знака не завершилась вовремя";
    if (outcome == "cancelled")
        return "передача отменена на стороне агента";
    if (outcome == "superseded")
        return "передачу сменила более новая";
    return "агент не принял кадр (" + outcome + ")";
}

} // namespace

struct MqttLink::Heard {
    std::mutex mutex;
    std::condition_variable changed;
    std::string job; // the job whose progress and result count
    std::string availability;
    std::string problem; // the broker's last word on the connection
    std::size_t sent = 0;
    std::optional<json> result;

    void take(const fleet::Broker::Message& m, const std::string& base) {
        std::lock_guard lock(mutex);
        if (m.topic == base + "/availability") {
            availability = m.payload;
        } else if (m.topic == base + "/upload/progress" || m.topic == base + "/upload/result") {
            const json j = json::parse(m.payload, nullptr, false);
            const auto it = j.is_object() ? j.find("job") : j.end();
            if (job.empty() || it == j.end() || *it != job)
                return;
            if (m.topic.ends_with("progress")) {
                if (const auto s = j.find("sent"); s != j.end() && s->is_number_unsigned())
                    sent = std::max(sent, s->get<std::size_t>());
            } else {
                result = j;
            }
        } else {
            return;
        }
        changed.notify_all();
    }
};

MqttLink::MqttLink(std::shared_ptr<BrokerAccess> access, std::chrono::milliseconds openWait)
    : m_access(std::move(access)), m_openWait(openWait), m_clientId("lumetra-" + randomId()) {
    if (!m_access)
        m_access = BrokerAccess::ofThisRun();
}

MqttLink::~MqttLink() {
    close();
}

fleet::BrokerSettings brokerSettings(const LinkUrl& url, const BrokerAccess& access) {
    fleet::BrokerSettings settings;
    settings.host = url.host;
    settings.port = std::stoi(url.port);
    settings.tls = url.kind == LinkUrl::Kind::Mqtts;
    settings.caFile = access.caFile();
    settings.user = url.user;
    if (!url.user.empty()) {
        if (const std::string file = access.passwordFile(); !file.empty())
            settings.password = fleet::readPasswordFile(file);
        else if (auto given = access.given(url))
            settings.password = std::move(*given);
    }
    return settings;
}

SerialLink::OpenStatus MqttLink::open(const std::string& device) {
    static const std::atomic<bool> never{false};
    return openCancellable(device, never);
}

SerialLink::OpenStatus MqttLink::openCancellable(const std::string& device,
                                                 const std::atomic<bool>& cancelled) {
    close();
    OpenStatus status;
    std::string why;
    const std::optional<LinkUrl> url = parseLinkUrl(device, &why);
    if (!url || !url->broker()) {
        status.failure = failure(url ? "not a broker's URL" : why,
                                 url ? "это не адрес брокера" : "адрес не годится: " + why);
        return status;
    }
    m_url = *url;
    m_base = url->prefix + "/" + url->sign;

    fleet::BrokerSettings settings;
    try {
        settings = brokerSettings(*url, *m_access);
    } catch (const std::exception& e) {
        status.failure = failure(e.what(), std::string("файл пароля не годится: ") + e.what());
        return status;
    }
    settings.clientId = m_clientId;
    settings.maxPayload = MostPayload;
    settings.retained = true;
    auto heard = std::make_shared<Heard>();
    settings.log = [heard](const std::string& line) {
        std::lock_guard lock(heard->mutex);
        heard->problem = line;
        heard->changed.notify_all();
    };
    try {
        m_broker = std::make_unique<fleet::MosquittoBroker>(settings);
    } catch (const std::exception& e) {
        const std::string what = e.what();
        status.failure =
            what.find("not supported") != std::string::npos
                ? failure("this build lacks TLS for mqtts://", "в этой сборке нет TLS для mqtts://")
                : failure(what, "связь с брокером не настраивается: " + what);
        return status;
    }
    m_heard = heard;
    for (const char* leaf : {"availability", "upload/progress", "upload/result"})
        m_broker->subscribe(topic(leaf), 1);
    fleet::Broker::Events events;
    events.message = [heard, base = m_base](const fleet::Broker::Message& m) {
        heard->take(m, base);
    };
    m_broker->start(std::move(events));

    // Until the agent says it is online, or says it is not, or the time is up.
    const auto end = std::chrono::steady_clock::now() + m_openWait;
    std::unique_lock lock(heard->mutex);
    while (heard->availability.empty() && !cancelled.load() &&
           std::chrono::steady_clock::now() < end)
        heard->changed.wait_for(lock, std::chrono::milliseconds(50));
    const std::string availability = heard->availability;
    const std::string problem = heard->problem;
    lock.unlock();
    if (cancelled.load()) {
        close();
        return status;
    }
    if (availability == "online") {
        status.result = OpenResult::Opened;
        return status;
    }
    close();
    const std::string where = url->address();
    // The broker's own words: "no connection to HOST:PORT: why; trying again".
    const std::string lead = "no connection to " + where + ": ";
    if (problem.starts_with(lead)) {
        std::string detail = problem.substr(lead.size());
        detail = detail.substr(0, detail.rfind("; trying again"));
        status.failure = failure("cannot reach the broker " + where + ": " + detail,
                                 "нет связи с брокером " + where + ": " + detail);
    } else {
        status.failure = failure("no agent online for sign " + url->sign + " at " + where,
                                 "нет агента в сети для знака " + url->sign + " на " + where);
    }
    return status;
}

SerialLink::WriteStatus MqttLink::write(std::span<const std::uint8_t> bytes,
                                        std::chrono::milliseconds) {
    if (!m_broker)
        return {0, failure("no port is open", "порт не открыт")};
    if (m_published)
        return {0, failure("the frame has gone already", "кадр уже отправлен")};
    m_frame.insert(m_frame.end(), bytes.begin(), bytes.end());
    // A frame ends with FF F0 FF, which its escaping keeps from anywhere else after the
    // preamble: then it goes, whole, as one command.
    static constexpr std::uint8_t End[] = {0xFF, 0xF0, 0xFF};
    const bool whole = m_frame.size() > 203 && std::equal(End, End + 3, m_frame.end() - 3);
    if (whole) {
        m_job = m_clientId + "-" + std::to_string(++m_jobs);
        {
            std::lock_guard lock(m_heard->mutex);
            m_heard->job = m_job;
            m_heard->sent = 0;
            m_heard->result.reset();
        }
        const json command = {{"base64", fleet::toBase64(m_frame)}, {"job", m_job}};
        m_broker->publish(topic("cmd/frame"), fleet::dumpJson(command), 1, false);
        m_published = true;
    }
    return {bytes.size(), {}};
}

SerialLink::QueueStatus MqttLink::pending() {
    if (!m_broker)
        return {std::nullopt, failure("no port is open", "порт не открыт")};
    if (!m_published)
        return {m_frame.size(), {}};
    std::lock_guard lock(m_heard->mutex);
    if (!m_heard->result)
        // Nothing has gone until the agent says so, and the last byte not before its result.
        return {std::max<std::size_t>(1, m_frame.size() - std::min(m_heard->sent, m_frame.size())),
                {}};
    const json& r = *m_heard->result;
    const std::string outcome = r.value("outcome", "");
    if (outcome == "sent")
        return {0, {}};
    const std::string error = r.value("error", "");
    const std::string english =
        "the agent reports " + outcome + (error.empty() ? "" : ": " + error);
    return {std::nullopt,
            failure(english, russianOutcome(outcome) + (error.empty() ? "" : ": " + error))};
}

void MqttLink::discard() {
    if (!m_broker || !m_published)
        return;
    {
        std::lock_guard lock(m_heard->mutex);
        if (m_heard->result)
            return;
    }
    m_broker->publish(topic("cmd/cancel"), fleet::dumpJson(json{{"job", m_job}}), 1, false);
}

void MqttLink::close() {
    if (m_broker) {
        m_broker->stop(Flush);
        m_broker.reset();
    }
    m_heard.reset();
    m_frame.clear();
    m_published = false;
    m_job.clear();
}
