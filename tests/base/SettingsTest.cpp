#include "base/Settings.h"

#include "TempDir.h"

#include <gtest/gtest.h>

namespace {

// Port item 3 where no PortMap names another device.
#ifdef _WIN32
constexpr const char* ThirdPort = "COM3";
#else
constexpr const char* ThirdPort = "/dev/ttyS2";
#endif

struct SettingsTest : ::testing::Test {
    TempDir dir;
    Settings settings{dir.path("Kesmar.ini")};
};

TEST_F(SettingsTest, DefaultsWhenTheFileIsMissing) {
    EXPECT_EQ(settings.activePort(), 1);
    EXPECT_EQ(settings.lastFile(), ".\\Tmp.txt");
    EXPECT_FALSE(settings.longMaxLength());
    EXPECT_EQ(settings.fontFile(), "Guard.zg");
    EXPECT_EQ(settings.portDevice(3), ThirdPort);
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
    dir.write("Kesmar.ini", "[PortMap]\nCOM 2=/dev/ttyUSB0\nCOM 3=\nCOM 4=COM12\n");
    EXPECT_EQ(settings.portDevice(2), "/dev/ttyUSB0");
    EXPECT_EQ(settings.portDevice(4), "COM12");
    EXPECT_EQ(settings.portDevice(3), ThirdPort);
}

} // namespace
