#pragma once

#include <chrono>
#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

namespace fleet {

// One connection to the MQTT broker. It connects with its last will set, reconnects by itself
// after any loss (and says so in its log) and tells its events from its own thread.
class Broker {
public:
    struct Message {
        std::string topic;
        std::string payload; // empty when `size` is over the broker's payload cap
        std::size_t size = 0;
        bool retained = false; // a retained message, not one just published
    };
    struct Events {
        std::function<void()> connected; // publish what is retained here
        std::function<void(const Message&)> message;
        // A connection that failed, was refused or was lost, and why; told once until the
        // reason changes. Reconnecting goes on.
        std::function<void(const std::string& why)> lost;
    };

    virtual ~Broker() = default;

    virtual void start(Events events) = 0;
    // Thread-safe. QoS 1 and 2 messages wait for a connection when there is none.
    virtual void publish(const std::string& topic, std::string_view payload, int qos,
                         bool retain) = 0;
    // Holds for every later connection too.
    virtual void subscribe(const std::string& pattern, int qos) = 0;
    // Waits up to `flush` for what was published to be acknowledged, then disconnects cleanly
    // (the last will is not sent) and stops.
    virtual void stop(std::chrono::milliseconds flush) = 0;
};

} // namespace fleet
