#pragma once

// The line the simulated sign listens on: a pseudo-terminal of its own, or a serial device.
// Either way the line is set as the sign has it: 1200 baud, 8 data bits, no parity, 2 stop
// bits, raw (no byte is translated, dropped or echoed).

#include <cstddef>
#include <memory>
#include <string>

namespace sign {

class SignLine {
public:
    virtual ~SignLine() = default;
    // Readable, non-blocking descriptor of the incoming bytes; read them with read().
    virtual int fd() const = 0;
    // Like ::read on fd(): bytes read, 0 at the end, -1 with errno (EAGAIN when none wait).
    // On a pseudo-terminal, output the writer throws away (tcflush) is thrown away here too,
    // also what the terminal had already queued for us, as a real line would never carry it.
    virtual long read(unsigned char* buffer, std::size_t size) = 0;
    // The device path a writer opens.
    virtual const std::string& devicePath() const = 0;
    // Empty when the line settings were applied, else why not (the line is read all the same).
    virtual const std::string& settingsWarning() const = 0;
};

// A new pseudo-terminal. Its other end stays open here too, so a writer that closes it
// between uploads does not hang the line up. Throws std::runtime_error on failure.
std::unique_ptr<SignLine> openPseudoTerminal();

// A serial device (or any readable file such as a FIFO). Throws std::runtime_error.
std::unique_ptr<SignLine> openSerialDevice(const std::string& path);

// A TCP listener for "socket://host:port", as a sign behind a converter is reached; its
// device path is the URL. Throws std::runtime_error.
std::unique_ptr<SignLine> listenTcp(const std::string& url);

// Sets 1200 baud, 8 data bits, no parity, 2 stop bits, raw. Empty on success, else the reason.
std::string applySignLineSettings(int fd);

// A symbolic link at `linkPath` to `target`, removed again when this goes away, if it still
// points there. An existing symbolic link is replaced; anything else there is refused.
class DeviceLink {
public:
    DeviceLink(std::string linkPath, const std::string& target); // throws std::runtime_error
    ~DeviceLink();
    DeviceLink(const DeviceLink&) = delete;
    DeviceLink& operator=(const DeviceLink&) = delete;

private:
    std::string m_path;
    std::string m_target;
};

} // namespace sign
