#include "frames/LinkUrl.h"
#include "upload/BrokerAccess.h"
#include "upload/NetworkLink.h"
#include "upload/SerialLink.h"

#ifdef LUMETRA_HAVE_MQTT
#include "upload/MqttLink.h"
#endif

#ifdef _WIN32
#include "upload/Win32SerialLink.h"
using PortLink = Win32SerialLink;
#else
#include "upload/PosixSerialLink.h"
using PortLink = PosixSerialLink;
#endif

namespace {

// Holds the link of the device last opened, so one object serves every upload of a run
// whichever transport the operator's choice needs.
class ChosenLink : public SerialLink {
public:
    explicit ChosenLink(std::shared_ptr<BrokerAccess> broker) : m_broker(std::move(broker)) {}

    OpenStatus open(const std::string& device) override {
        close();
        m_link = makeLinkFor(device, m_broker);
        return m_link->open(device);
    }
    OpenStatus openCancellable(const std::string& device,
                               const std::atomic<bool>& cancelled) override {
        close();
        m_link = makeLinkFor(device, m_broker);
        return m_link->openCancellable(device, cancelled);
    }
    bool takesWholeFrame() const override { return m_link && m_link->takesWholeFrame(); }
    WriteStatus write(std::span<const std::uint8_t> bytes,
                      std::chrono::milliseconds wait) override {
        return m_link ? m_link->write(bytes, wait)
                      : WriteStatus{0, {0, "no port is open", "порт не открыт"}};
    }
    QueueStatus pending() override { return m_link ? m_link->pending() : QueueStatus{}; }
    void discard() override {
        if (m_link)
            m_link->discard();
    }
    void close() override {
        if (m_link)
            m_link->close();
    }

private:
    std::shared_ptr<BrokerAccess> m_broker;
    std::unique_ptr<SerialLink> m_link;
};

#ifndef LUMETRA_HAVE_MQTT
// A broker's sign in a build without libmosquitto: the opening says so.
class NoMqttLink : public SerialLink {
public:
    OpenStatus open(const std::string&) override {
        return {OpenResult::OpenFailed,
                {0, "this build has no MQTT links", "в этой сборке нет связи через MQTT"}};
    }
    WriteStatus write(std::span<const std::uint8_t>, std::chrono::milliseconds) override {
        return {0, {0, "no port is open", "порт не открыт"}};
    }
    QueueStatus pending() override { return {}; }
    void discard() override {}
    void close() override {}
};
#endif

} // namespace

std::unique_ptr<SerialLink> makeLinkFor(const std::string& device,
                                        std::shared_ptr<BrokerAccess> broker) {
    if (!looksLikeUrl(device))
        return std::make_unique<PortLink>();
    const std::optional<LinkUrl> url = parseLinkUrl(device);
    if (url && url->broker()) {
#ifdef LUMETRA_HAVE_MQTT
        return std::make_unique<MqttLink>(std::move(broker));
#else
        (void)broker;
        return std::make_unique<NoMqttLink>();
#endif
    }
    return std::make_unique<NetworkLink>();
}

std::unique_ptr<SerialLink> makeSystemSerialLink(std::shared_ptr<BrokerAccess> broker) {
    return std::make_unique<ChosenLink>(std::move(broker));
}
