#include "base/FileNames.h"

#include <cstdlib>
#include <utility>

#ifdef _WIN32
#include <windows.h>
#endif

std::string nameWithoutDirectory(std::string_view name) {
    const auto cut = name.find_last_of("\\:/");
    return std::string(cut == std::string_view::npos ? name : name.substr(cut + 1));
}

bool hasLineBreak(std::string_view text) {
    return text.find_first_of("\r\n") != std::string_view::npos;
}

#ifdef _WIN32
namespace {
std::string& settingsFileForTests() {
    static std::string path;
    return path;
}
} // namespace

void setSettingsFileForTests(std::string path) {
    settingsFileForTests() = std::move(path);
}
#endif

std::string settingsFilePath() {
#ifdef _WIN32
    if (!settingsFileForTests().empty())
        return settingsFileForTests();
    static const std::string path = [] {
        const char* appData = std::getenv("APPDATA");
        return chooseSettingsFile(SystemSettingsFile, appData ? appData : "");
    }();
    return path;
#else
    if (const char* config = std::getenv("XDG_CONFIG_HOME"); config && *config)
        return std::string(config) + "/Kesmar.ini";
    const char* home = std::getenv("HOME");
    return std::string(home && *home ? home : ".") + "/.config/Kesmar.ini";
#endif
}

#ifdef _WIN32
std::string chooseSettingsFile(const std::string& systemFile, const std::string& userFolder) {
    if (userFolder.empty())
        return systemFile;
    const DWORD attributes = ::GetFileAttributesA(systemFile.c_str());
    const bool fileWritable =
        attributes == INVALID_FILE_ATTRIBUTES ||
        (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY)) == 0;
    // The file is replaced through a new file beside it, so the folder must take one.
    const auto cut = systemFile.find_last_of("\\/");
    const std::string probe =
        (cut == std::string::npos ? std::string(".") : systemFile.substr(0, cut)) + "\\Kesmar.~" +
        std::to_string(::GetCurrentProcessId());
    const HANDLE h = ::CreateFileA(probe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                   FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    const bool folderWritable = h != INVALID_HANDLE_VALUE;
    if (folderWritable)
        ::CloseHandle(h);
    if (fileWritable && folderWritable)
        return systemFile;
    return userFolder + "\\Lumetra\\Kesmar.ini";
}
#endif
