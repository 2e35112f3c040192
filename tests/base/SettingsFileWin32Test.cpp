// Where the settings file lives on Windows.

#include "base/FileNames.h"

#include "TempDir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include <windows.h>

namespace {

const std::string UserFolder = "C:\\users\\op\\AppData\\Roaming";
const std::string UserFile = UserFolder + "\\Lumetra\\Kesmar.ini";

TEST(SettingsFile, TheSystemPathWhereItCanBeWrittenElseTheUsersFolder) {
    TempDir dir;
    dir.write("ro\\Kesmar.ini", "[ComPort]\r\n");
    ::SetFileAttributesA(dir.path("ro\\Kesmar.ini").c_str(), FILE_ATTRIBUTE_READONLY);
    std::filesystem::create_directory(dir.path("folder"));
    std::filesystem::create_directory(dir.path("folder\\Kesmar.ini"));
    struct Case {
        std::string system;
        std::string user;
        std::string chosen;
    };
    for (const Case& k : {
             Case{dir.path("Kesmar.ini"), UserFolder, dir.path("Kesmar.ini")},
             Case{dir.path("absent\\Kesmar.ini"), UserFolder, UserFile},
             Case{dir.path("ro\\Kesmar.ini"), UserFolder, UserFile},
             Case{dir.path("folder\\Kesmar.ini"), UserFolder, UserFile},
             Case{dir.path("absent\\Kesmar.ini"), "", dir.path("absent\\Kesmar.ini")},
         })
        EXPECT_EQ(chooseSettingsFile(k.system, k.user), k.chosen) << k.system;
    ::SetFileAttributesA(dir.path("ro\\Kesmar.ini").c_str(), FILE_ATTRIBUTE_NORMAL);
    // The probe leaves nothing behind.
    EXPECT_FALSE(std::filesystem::exists(dir.path("Kesmar.ini")));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 2);
}

TEST(SettingsFile, OnePlaceForTheWholeRun) {
    const std::string first = settingsFilePath();
    const char* appData = std::getenv("APPDATA");
    ASSERT_NE(appData, nullptr);
    EXPECT_TRUE(first == SystemSettingsFile ||
                first == std::string(appData) + "\\Lumetra\\Kesmar.ini")
        << first;
    EXPECT_EQ(settingsFilePath(), first);
}

} // namespace
