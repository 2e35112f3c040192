#include "upload/SerialDevices.h"

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <set>
#include <system_error>

#ifndef _WIN32
#include <fcntl.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>
#if __has_include(<linux/serial.h>)
#include <linux/serial.h>
#endif
#endif

namespace fs = std::filesystem;

namespace serialdevices {
namespace {

// "usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0" -> "FTDI FT232R USB UART A50285BI"
std::string readable(std::string name) {
    for (const char* bus : {"usb-", "pci-", "platform-"})
        if (name.starts_with(bus))
            name.erase(0, std::char_traits<char>::length(bus));
    if (const auto at = name.rfind("-if"); at != std::string::npos && at > 0)
        name.erase(at);
    std::replace(name.begin(), name.end(), '_', ' ');
    return name;
}

// ttyS2 before ttyS10.
bool naturalLess(const std::string& a, const std::string& b) {
    const auto split = [](const std::string& s) {
        const auto digits = s.find_last_not_of("0123456789") + 1;
        const std::string number = s.substr(digits);
        return std::pair(s.substr(0, digits), number.empty() ? -1 : std::stoi(number));
    };
    return split(a) < split(b);
}

std::string resolved(const fs::path& p) {
    std::error_code ec;
    const fs::path real = fs::canonical(p, ec);
    return ec ? p.string() : real.string();
}

} // namespace

bool answersAsTerminal(const std::string& path) {
#ifdef _WIN32
    (void)path;
    return false;
#else
    const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return errno == EACCES || errno == EBUSY; // there, but another's or forbidden
    termios settings{};
    bool answers = ::tcgetattr(fd, &settings) == 0;
#ifdef TIOCGSERIAL
    // A built-in port the kernel reserves without a chip behind it has no type.
    serial_struct serial{};
    if (answers && ::ioctl(fd, TIOCGSERIAL, &serial) == 0 && serial.type == PORT_UNKNOWN)
        answers = false;
#endif
    ::close(fd);
    return answers;
#endif
}

std::vector<Device> list(const std::string& devRoot,
                         const std::function<bool(const std::string&)>& answers) {
    std::vector<Device> devices;
    std::set<std::string> named;
    std::error_code ec;

    std::vector<fs::path> links;
    for (const auto& entry : fs::directory_iterator(fs::path(devRoot) / "serial" / "by-id", ec))
        links.push_back(entry.path());
    std::sort(links.begin(), links.end());
    for (const fs::path& link : links) {
        const std::string target = resolved(link);
        if (!named.insert(target).second)
            continue;
        devices.push_back({link.string(), readable(link.filename().string()) + " (" +
                                              fs::path(target).filename().string() + ")"});
    }

    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(devRoot, ec)) {
        const std::string name = entry.path().filename().string();
        if (name.starts_with("ttyUSB") || name.starts_with("ttyACM") || name.starts_with("ttyS"))
            names.push_back(name);
    }
    const auto family = [](const std::string& name) {
        return name.starts_with("ttyUSB") ? 0 : name.starts_with("ttyACM") ? 1 : 2;
    };
    std::sort(names.begin(), names.end(), [&](const std::string& a, const std::string& b) {
        return family(a) != family(b) ? family(a) < family(b) : naturalLess(a, b);
    });
    for (const std::string& name : names) {
        const fs::path path = fs::path(devRoot) / name;
        if (named.count(resolved(path)) != 0 || !answers(path.string()))
            continue;
        named.insert(resolved(path));
        devices.push_back({path.string(), name});
    }
    return devices;
}

void addChosen(std::vector<Device>& devices, const std::vector<std::string>& chosen,
               const std::function<bool(const std::string&)>& answers) {
    std::set<std::string> listed;
    for (const Device& device : devices)
        listed.insert(resolved(device.path));
    for (const std::string& path : chosen) {
        if (path.empty() || listed.count(resolved(path)) != 0 || !answers(path))
            continue;
        listed.insert(resolved(path));
        devices.push_back({path, {}});
    }
}

} // namespace serialdevices
