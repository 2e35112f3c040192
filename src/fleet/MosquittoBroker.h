#pragma once

#include "Broker.h"

#include <condition_variable>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

struct mosquitto;
struct mosquitto_message;
struct mqtt5__property;

namespace fleet {

struct BrokerSettings {
    std::string host;
    int port = 1883;
    bool tls = false;
    std::string caFile; // empty: the system's certificates
    std::string certFile, keyFile;
    std::string user, password;
    std::string clientId;
    std::string willTopic, willPayload; // retained, QoS 1
    std::size_t maxPayload = 0;         // larger messages arrive without their payload
    // Subscriptions get the retained messages too (a client reading what the agents left), not
    // only those published from now on (an agent taking commands).
    bool retained = false;
    std::function<void(const std::string&)> log;
};

// Broker over libmosquitto. MQTT 5 first, MQTT 3.1.1 when the broker refuses that version.
// Its own thread runs the network loop and reconnects after 1 s, doubling up to 60 s; it does
// not leave on errors libmosquitto's own loop gives up on (a name that does not resolve for
// now, a failed TLS handshake, a refused login).
class MosquittoBroker : public Broker {
public:
    // Throws std::runtime_error when libmosquitto refuses the settings (a CA file it cannot
    // load, say).
    explicit MosquittoBroker(BrokerSettings settings);
    ~MosquittoBroker() override;

    void start(Events events) override;
    void publish(const std::string& topic, std::string_view payload, int qos, bool retain) override;
    void subscribe(const std::string& pattern, int qos) override;
    void stop(std::chrono::milliseconds flush) override;

private:
    using Properties = const mqtt5__property*;
    static void onConnect(mosquitto*, void* self, int rc, int flags, Properties);
    static void onDisconnect(mosquitto*, void* self, int rc, Properties);
    static void onPublish(mosquitto*, void* self, int mid, int rc, Properties);
    static void onMessage(mosquitto*, void* self, const mosquitto_message* message, Properties);

    void run();
    void sendSubscriptions();
    int subscribeOptions() const;
    void log(const std::string& line) const;
    std::string where() const;

    BrokerSettings m_settings;
    mosquitto* m_mosq = nullptr;
    Events m_events;
    std::thread m_thread;

    std::mutex m_mutex;
    std::condition_variable m_changed;
    bool m_stopping = false;  // stop() was called: the loop ends after the disconnect
    bool m_connected = false; // CONNACK accepted, connection not yet lost
    bool m_accepted = false;  // a connection was accepted since the last back-off
    bool m_v5 = true;         // protocol of the next connection
    bool m_fallBack = false;  // the broker refused MQTT 5
    std::map<int, std::string> m_unacknowledged; // message id: topic
    std::vector<std::pair<std::string, int>> m_subscriptions;
    std::string m_refusal;     // why the broker refused the last connection
    std::string m_lastProblem; // told once until it changes
};

} // namespace fleet
