#pragma once

#include <string>
#include <string_view>

// The part of a held file name after its last "\", ":" or "/" (dialogs on Linux give names
// like "/home/op/news.txt"), or the whole name when it has none.
std::string nameWithoutDirectory(std::string_view name);

// Where the settings file lives: on Windows the fixed system path, elsewhere Kesmar.ini in the
// user's configuration folder ($XDG_CONFIG_HOME, else ~/.config). Worked out afresh at each use.
std::string settingsFilePath();

// Whether a name holds CR or LF: such a name cannot be stored in the settings file.
bool hasLineBreak(std::string_view text);
