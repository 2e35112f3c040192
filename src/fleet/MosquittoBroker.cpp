#include "MosquittoBroker.h"

#include <mosquitto.h>
#include <mqtt_protocol.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <stdexcept>

namespace fleet {
namespace {

constexpr int KeepAliveSeconds = 30;
constexpr int LoopTimeoutMs = 200;
constexpr auto FirstDelay = std::chrono::seconds(1);
constexpr auto LongestDelay = std::chrono::seconds(60);
// Without a system CA file of its own, TLS trusts the system's certificates.
constexpr const char* SystemCertificates = "/etc/ssl/certs";

void check(int rc, const char* what) {
    if (rc != MOSQ_ERR_SUCCESS)
        throw std::runtime_error(std::string(what) + ": " + mosquitto_strerror(rc));
}

std::string errorText(int rc) {
    std::string text = rc == MOSQ_ERR_ERRNO ? std::strerror(errno) : mosquitto_strerror(rc);
    if (!text.empty() && text.back() == '.')
        text.pop_back();
    return text;
}

} // namespace

MosquittoBroker::MosquittoBroker(BrokerSettings settings) : m_settings(std::move(settings)) {
    static const int initialised = mosquitto_lib_init();
    (void)initialised;
    m_mosq = mosquitto_new(m_settings.clientId.c_str(), true, this);
    if (!m_mosq)
        throw std::runtime_error(std::string("cannot set up MQTT: ") + std::strerror(errno));
    check(mosquitto_threaded_set(m_mosq, true), "MQTT threads");
    check(mosquitto_int_option(m_mosq, MOSQ_OPT_PROTOCOL_VERSION, MQTT_PROTOCOL_V5),
          "MQTT version");
    // Results and acknowledgements are small; Nagle would hold each behind the last one's ACK.
    check(mosquitto_int_option(m_mosq, MOSQ_OPT_TCP_NODELAY, 1), "MQTT TCP_NODELAY");
    if (!m_settings.user.empty())
        check(mosquitto_username_pw_set(m_mosq, m_settings.user.c_str(),
                                        m_settings.password.empty() ? nullptr
                                                                    : m_settings.password.c_str()),
              "MQTT user");
    if (!m_settings.willTopic.empty())
        check(mosquitto_will_set_v5(m_mosq, m_settings.willTopic.c_str(),
                                    static_cast<int>(m_settings.willPayload.size()),
                                    m_settings.willPayload.data(), 1, true, nullptr),
              "MQTT last will");
    if (m_settings.tls) {
        const auto optional = [](const std::string& s) { return s.empty() ? nullptr : s.c_str(); };
        check(mosquitto_tls_set(m_mosq, optional(m_settings.caFile),
                                m_settings.caFile.empty() ? SystemCertificates : nullptr,
                                optional(m_settings.certFile), optional(m_settings.keyFile),
                                nullptr),
              "TLS");
    }
    mosquitto_connect_v5_callback_set(
        m_mosq, [](mosquitto* m, void* self, int rc, int flags, const mosquitto_property* p) {
            onConnect(m, self, rc, flags, p);
        });
    mosquitto_disconnect_v5_callback_set(
        m_mosq, [](mosquitto* m, void* self, int rc, const mosquitto_property* p) {
            onDisconnect(m, self, rc, p);
        });
    mosquitto_publish_v5_callback_set(
        m_mosq, [](mosquitto* m, void* self, int mid, int rc, const mosquitto_property* p) {
            onPublish(m, self, mid, rc, p);
        });
    mosquitto_message_v5_callback_set(
        m_mosq, [](mosquitto* m, void* self, const mosquitto_message* message,
                   const mosquitto_property* p) { onMessage(m, self, message, p); });
}

MosquittoBroker::~MosquittoBroker() {
    if (m_thread.joinable())
        stop(std::chrono::milliseconds(0));
    mosquitto_destroy(m_mosq);
}

std::string MosquittoBroker::where() const {
    return m_settings.host + ":" + std::to_string(m_settings.port);
}

void MosquittoBroker::log(const std::string& line) const {
    if (m_settings.log)
        m_settings.log(line);
}

void MosquittoBroker::start(Events events) {
    m_events = std::move(events);
    m_thread = std::thread([this] { run(); });
}

void MosquittoBroker::run() {
    using std::chrono::milliseconds;
    milliseconds delay = FirstDelay;
    bool first = true;
    for (;;) {
        {
            std::lock_guard lock(m_mutex);
            if (m_stopping)
                break;
            if (m_fallBack) {
                m_fallBack = false;
                m_v5 = false;
                mosquitto_int_option(m_mosq, MOSQ_OPT_PROTOCOL_VERSION, MQTT_PROTOCOL_V311);
                delay = milliseconds(0);
            }
        }
        int rc = first ? mosquitto_connect_bind_async(m_mosq, m_settings.host.c_str(),
                                                      m_settings.port, KeepAliveSeconds, nullptr)
                       : mosquitto_reconnect_async(m_mosq);
        first = false;
        while (rc == MOSQ_ERR_SUCCESS) {
            rc = mosquitto_loop(m_mosq, LoopTimeoutMs, 1);
            std::lock_guard lock(m_mutex);
            // Once stopping, the loop runs on until the disconnect has gone out.
            if (m_stopping && !m_connected)
                break;
        }
        std::unique_lock lock(m_mutex);
        if (m_stopping)
            break;
        const std::string problem = m_refusal.empty() ? errorText(rc) : "refused: " + m_refusal;
        m_refusal.clear();
        if (problem != m_lastProblem) {
            m_lastProblem = problem;
            log("no connection to " + where() + ": " + problem + "; trying again");
            if (m_events.lost) {
                lock.unlock();
                m_events.lost(problem);
                lock.lock();
            }
        }
        // A connection that was accepted starts the back-off from the beginning.
        if (m_accepted) {
            m_accepted = false;
            delay = FirstDelay;
        }
        m_changed.wait_for(lock, delay, [this] { return m_stopping || m_fallBack; });
        delay = std::clamp(2 * delay, milliseconds(FirstDelay), milliseconds(LongestDelay));
    }
}

void MosquittoBroker::onConnect(mosquitto*, void* self, int rc, int, Properties) {
    auto* b = static_cast<MosquittoBroker*>(self);
    {
        std::lock_guard lock(b->m_mutex);
        if (rc == MQTT_RC_UNSUPPORTED_PROTOCOL_VERSION && b->m_v5) {
            b->m_fallBack = true;
            b->log(b->where() + " does not take MQTT 5; using MQTT 3.1.1");
            return;
        }
        if (rc != 0) {
            b->m_refusal = b->m_v5 ? mosquitto_reason_string(rc) : mosquitto_connack_string(rc);
            return;
        }
        b->m_connected = true;
        b->m_accepted = true;
        b->m_lastProblem.clear();
        b->log("connected to " + b->where() + (b->m_v5 ? " (MQTT 5)" : " (MQTT 3.1.1)"));
        b->sendSubscriptions();
    }
    if (b->m_events.connected)
        b->m_events.connected();
}

void MosquittoBroker::onDisconnect(mosquitto*, void* self, int, Properties) {
    auto* b = static_cast<MosquittoBroker*>(self);
    {
        std::lock_guard lock(b->m_mutex);
        b->m_connected = false;
    }
    b->m_changed.notify_all();
}

void MosquittoBroker::onPublish(mosquitto*, void* self, int mid, int rc, Properties) {
    auto* b = static_cast<MosquittoBroker*>(self);
    {
        std::lock_guard lock(b->m_mutex);
        const auto it = b->m_unacknowledged.find(mid);
        if (it != b->m_unacknowledged.end()) {
            if (rc >= 0x80)
                b->log(it->second +
                       ": the broker refused the message: " + mosquitto_reason_string(rc));
            b->m_unacknowledged.erase(it);
        }
    }
    b->m_changed.notify_all();
}

void MosquittoBroker::onMessage(mosquitto*, void* self, const mosquitto_message* m, Properties) {
    auto* b = static_cast<MosquittoBroker*>(self);
    if (!b->m_events.message)
        return;
    Message message;
    message.topic = m->topic ? m->topic : "";
    message.size = m->payloadlen > 0 ? static_cast<std::size_t>(m->payloadlen) : 0;
    message.retained = m->retain;
    if (message.size > 0 && message.size <= b->m_settings.maxPayload)
        message.payload.assign(static_cast<const char*>(m->payload), message.size);
    b->m_events.message(message);
}

void MosquittoBroker::publish(const std::string& topic, std::string_view payload, int qos,
                              bool retain) {
    std::lock_guard lock(m_mutex);
    int mid = 0;
    const int rc =
        mosquitto_publish_v5(m_mosq, &mid, topic.c_str(), static_cast<int>(payload.size()),
                             payload.data(), qos, retain, nullptr);
    if (rc == MOSQ_ERR_SUCCESS && qos > 0)
        m_unacknowledged[mid] = topic;
    else if (rc != MOSQ_ERR_SUCCESS && rc != MOSQ_ERR_NO_CONN)
        log(topic + ": not published: " + errorText(rc));
}

void MosquittoBroker::subscribe(const std::string& pattern, int qos) {
    std::lock_guard lock(m_mutex);
    m_subscriptions.emplace_back(pattern, qos);
    if (m_connected)
        mosquitto_subscribe_v5(m_mosq, nullptr, pattern.c_str(), qos, subscribeOptions(), nullptr);
}

int MosquittoBroker::subscribeOptions() const {
    return m_v5 && !m_settings.retained ? MQTT_SUB_OPT_SEND_RETAIN_NEVER : 0;
}

void MosquittoBroker::sendSubscriptions() {
    for (const auto& [pattern, qos] : m_subscriptions)
        mosquitto_subscribe_v5(m_mosq, nullptr, pattern.c_str(), qos, subscribeOptions(), nullptr);
}

void MosquittoBroker::stop(std::chrono::milliseconds flush) {
    {
        std::unique_lock lock(m_mutex);
        m_changed.wait_for(lock, flush,
                           [this] { return !m_connected || m_unacknowledged.empty(); });
        m_stopping = true;
        if (m_connected)
            mosquitto_disconnect_v5(m_mosq, MQTT_RC_NORMAL_DISCONNECTION, nullptr);
    }
    m_changed.notify_all();
    if (m_thread.joinable())
        m_thread.join();
}

} // namespace fleet
