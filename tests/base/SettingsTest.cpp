#include "base/Settings.h"

#include "TempDir.h"

#include <gtest/gtest.h>

namespace {

struct SettingsTest : ::testing::Test {
    TempDir dir;
    Settings settings{dir.path("Kesmar.ini")};
};

TEST_F(SettingsTest, DefaultsWhenTheFileIsMissing) {
    EXPECT_EQ(settings.activePort(), 1);
    EXPECT_EQ(settings.lastFile(), ".\\Tmp.txt");
    EXPECT_FALSE(settings.longMaxLength());
    EXPECT_EQ(settings.fontFile(), "Guard.zg");
    EXPECT_EQ(settings.portDevice(3), "/dev/ttyS2");
}

TEST_F(SettingsTest, ValuesAreRecognisedExactly) {
    const struct {
        const char* aktive;
        int port;
        const char* length;
        bool isLong;
    } cases[] = {
        {"COM 5", 5, "59 000", true}, {"COM1", 0, "59000", false},   {"com 2", 0, "6 140", false},
        {"COM 6", 0, "", false},      {"COM 0", 0, "59 000 ", true}, // the reader trims blanks
    };
    for (const auto& c : cases) {
        dir.write("Kesmar.ini", std::string("[ComPort]\nAktive=") + c.aktive +
                                    "\n[Option]\nMax leng=" + c.length + "\n");
        EXPECT_EQ(settings.activePort(), c.port) << c.aktive;
        EXPECT_EQ(settings.longMaxLength(), c.isLong) << c.length;
    }
}

TEST_F(SettingsTest, WritesTheValuesTheFileFormatTakes) {
    settings.setActivePort(4);
    settings.setLastFile("C:\\msg\\news.txt");
    settings.setLongMaxLength(true);
    settings.setFontFile(".\\Tmp.zg");
    EXPECT_EQ(dir.read("Kesmar.ini"), "[ComPort]\r\nAktive=COM 4\r\n[LastFile]\r\n"
                                      "Path=C:\\msg\\news.txt\r\n[Option]\r\nMax leng=59 000\r\n"
                                      "[ZgLastFile]\r\nMesto=.\\Tmp.zg\r\n");
    settings.setLongMaxLength(false);
    EXPECT_EQ(settings.activePort(), 4);
    EXPECT_FALSE(settings.longMaxLength());
    EXPECT_EQ(settings.fontFile(), ".\\Tmp.zg");
}

TEST_F(SettingsTest, PortMapNamesTheDevice) {
    dir.write("Kesmar.ini", "[PortMap]\nCOM 2=/dev/ttyUSB0\nCOM 3=\n");
    EXPECT_EQ(settings.portDevice(2), "/dev/ttyUSB0");
    EXPECT_EQ(settings.portDevice(3), "/dev/ttyS2");
}

} // namespace
