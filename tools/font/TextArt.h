#pragma once

#include "FontSource.h"

#include <string>
#include <vector>

namespace fonttool {

// Symbols drawn with '#' for a lit dot and '.' for a dark one, `perLine` side by side, each
// under its code and character.
std::string textArt(const Table& table, const std::vector<int>& codes, int perLine);

// The codes of UTF-8 text in Windows-1251. Throws FontError for a character it lacks.
std::vector<int> codesOf(const std::string& utf8);

} // namespace fonttool
