#include "frames/LinkUrl.h"
#include "upload/NetworkLink.h"
#include "upload/SerialLink.h"

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
    OpenStatus open(const std::string& device) override {
        close();
        m_link = makeLinkFor(device);
        return m_link->open(device);
    }
    OpenStatus openCancellable(const std::string& device,
                               const std::atomic<bool>& cancelled) override {
        close();
        m_link = makeLinkFor(device);
        return m_link->openCancellable(device, cancelled);
    }
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
    std::unique_ptr<SerialLink> m_link;
};

} // namespace

std::unique_ptr<SerialLink> makeLinkFor(const std::string& device) {
    if (looksLikeUrl(device))
        return std::make_unique<NetworkLink>();
    return std::make_unique<PortLink>();
}

std::unique_ptr<SerialLink> makeSystemSerialLink() {
    return std::make_unique<ChosenLink>();
}
