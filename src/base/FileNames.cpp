#include "base/FileNames.h"

#include <cstdlib>

std::string nameWithoutDirectory(std::string_view name) {
    const auto cut = name.find_last_of("\\:/");
    return std::string(cut == std::string_view::npos ? name : name.substr(cut + 1));
}

bool hasLineBreak(std::string_view text) {
    return text.find_first_of("\r\n") != std::string_view::npos;
}

std::string settingsFilePath() {
#ifdef _WIN32
    return "C:\\WINDOWS\\SYSTEM32\\Kesmar.ini";
#else
    if (const char* config = std::getenv("XDG_CONFIG_HOME"); config && *config)
        return std::string(config) + "/Kesmar.ini";
    const char* home = std::getenv("HOME");
    return std::string(home && *home ? home : ".") + "/.config/Kesmar.ini";
#endif
}
