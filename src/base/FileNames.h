#pragma once

#include <string>
#include <string_view>

// The part of a held file name after its last "\", ":" or "/" (dialogs on Linux give names
// like "/home/op/news.txt"), or the whole name when it has none.
std::string nameWithoutDirectory(std::string_view name);

// Where the settings file lives. On Windows the fixed system path when this user may write
// it, else Lumetra\Kesmar.ini in the user's application data folder (%APPDATA%), chosen once
// so that one run reads and writes the same file. Elsewhere Kesmar.ini in the user's
// configuration folder ($XDG_CONFIG_HOME, else ~/.config), worked out afresh at each use.
std::string settingsFilePath();

// Whether a name holds CR or LF: such a name cannot be stored in the settings file.
bool hasLineBreak(std::string_view text);

#ifdef _WIN32
inline constexpr const char* SystemSettingsFile = "C:\\WINDOWS\\SYSTEM32\\Kesmar.ini";

// `systemFile` when a new version of it could be written now (its folder takes new files and
// the file, if there, is not read-only), else Kesmar.ini in a Lumetra folder of
// `userFolder`; `systemFile` all the same when `userFolder` is empty.
std::string chooseSettingsFile(const std::string& systemFile, const std::string& userFolder);

// The file a test's sandbox holds in place of the settings file, as $XDG_CONFIG_HOME does
// elsewhere; empty to go back to the chosen one.
void setSettingsFileForTests(std::string path);
#endif
