#pragma once

#include "frames/LinkUrl.h"
#include "upload/BrokerAccess.h"
#include "upload/SerialLink.h"

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace fleet {
class Broker;
struct BrokerSettings;
} // namespace fleet

// How to reach the broker of `url`: its address, the CA file of mqtts:// and the password of
// the URL's user, the password file's where the settings name one, else the one given during
// this run. Throws std::runtime_error, saying why, when the password file does not serve.
fleet::BrokerSettings brokerSettings(const LinkUrl& url, const BrokerAccess& access);

// A sign whose agent is on an MQTT broker (mqtt://[user@]host[:port]/sign). Opening connects
// and waits for the agent's retained "online"; the frame the upload writes goes out whole as
// the sign's cmd/frame with a job of its own, the agent's upload/progress tells what has left
// its line, and the upload ends with the agent's upload/result for that job. The agent sets
// the line itself, so the line settings count as applied.
class MqttLink : public SerialLink {
public:
    explicit MqttLink(std::shared_ptr<BrokerAccess> access,
                      std::chrono::milliseconds openWait = std::chrono::seconds(5));
    ~MqttLink() override;

    OpenStatus open(const std::string& device) override;
    OpenStatus openCancellable(const std::string& device,
                               const std::atomic<bool>& cancelled) override;
    bool takesWholeFrame() const override { return true; }
    WriteStatus write(std::span<const std::uint8_t> bytes, std::chrono::milliseconds wait) override;
    QueueStatus pending() override;
    void discard() override;
    void close() override;

private:
    struct Heard;

    std::string topic(const char* leaf) const { return m_base + "/" + leaf; }

    std::shared_ptr<BrokerAccess> m_access;
    std::chrono::milliseconds m_openWait;
    std::shared_ptr<Heard> m_heard; // what the broker's thread tells
    std::unique_ptr<fleet::Broker> m_broker;
    LinkUrl m_url;
    std::string m_base; // "<prefix>/<sign>"
    std::string m_clientId;
    std::string m_job;
    unsigned m_jobs = 0;
    std::vector<std::uint8_t> m_frame;
    bool m_published = false;
};
