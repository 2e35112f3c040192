#include "upload/SerialDevices.h"

#include "PseudoTerminal.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <set>

namespace {

namespace fs = std::filesystem;
using serialdevices::Device;

// A fake /dev: two USB adapters (one with a by-id link), a modem, four built-in ports of which
// two have a chip, and files that are not serial devices at all.
struct FakeDev {
    TempDir dir;
    std::set<std::string> answering;

    FakeDev() {
        for (const char* name : {"ttyUSB0", "ttyUSB1", "ttyACM0", "ttyS0", "ttyS1", "ttyS2",
                                 "ttyS10", "tty0", "null", "sda"})
            dir.write(name, "");
        fs::create_directories(dir.path("serial/by-id"));
        fs::create_symlink("../../ttyUSB1",
                           dir.path("serial/by-id/usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0"));
        for (const char* name : {"ttyUSB0", "ttyUSB1", "ttyACM0", "ttyS1", "ttyS10", "tty0"})
            answering.insert(dir.path(name));
    }
    std::vector<Device> list() const {
        return serialdevices::list(dir.path(),
                                   [this](const std::string& p) { return answering.count(p); });
    }
};

TEST(SerialDevices, ByIdFirstThenAdaptersModemsAndPortsThatAnswer) {
    FakeDev dev;
    const std::vector<Device> devices = dev.list();
    const std::vector<std::pair<std::string, std::string>> expected = {
        {"serial/by-id/usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0",
         "FTDI FT232R USB UART A50285BI (ttyUSB1)"},
        {"ttyUSB0", "ttyUSB0"},
        {"ttyACM0", "ttyACM0"},
        {"ttyS1", "ttyS1"},
        {"ttyS10", "ttyS10"},
    };
    ASSERT_EQ(devices.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(devices[i].path, dev.dir.path(expected[i].first));
        EXPECT_EQ(devices[i].label, expected[i].second);
    }
}

TEST(SerialDevices, TheItemsDevicesAreAddedWhenTheyAnswer) {
    FakeDev dev;
    fs::create_symlink(dev.dir.path("ttyUSB0"), dev.dir.path("sign-tty"));
    dev.answering.insert(dev.dir.path("pts7"));
    dev.dir.write("pts7", "");
    std::vector<Device> devices = dev.list();
    const std::size_t found = devices.size();
    // COM 1 a pseudo-terminal, COM 2 a link to a listed adapter, COM 3 a port without a chip,
    // COM 4 missing, COM 5 the pseudo-terminal again.
    serialdevices::addChosen(devices,
                             {dev.dir.path("pts7"), dev.dir.path("sign-tty"), dev.dir.path("ttyS0"),
                              dev.dir.path("gone"), dev.dir.path("pts7")},
                             [&](const std::string& p) { return dev.answering.count(p) != 0; });
    ASSERT_EQ(devices.size(), found + 1);
    EXPECT_EQ(devices.back().path, dev.dir.path("pts7"));
    EXPECT_EQ(devices.back().label, ""); // not "COM 1": COM 5 shares it
}

TEST(SerialDevices, NoFolderNoDevices) {
    TempDir dir;
    EXPECT_TRUE(
        serialdevices::list(dir.path("missing"), [](const std::string&) { return true; }).empty());
}

TEST(SerialDevices, APseudoTerminalAnswersAFileDoesNot) {
    PseudoTerminal pty;
    TempDir dir;
    dir.write("plain", "");
    EXPECT_TRUE(serialdevices::answersAsTerminal(pty.slaveName()));
    EXPECT_FALSE(serialdevices::answersAsTerminal(dir.path("plain")));
    EXPECT_FALSE(serialdevices::answersAsTerminal(dir.path("missing")));
}

} // namespace
