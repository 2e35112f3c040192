#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace fonttool {

// The whole command line of lumetra-font (without the program name): what it did goes to
// `out`, errors and warnings to `err`. Returns the exit status: 0 done, 1 failed, 2 misused.
// Importing an installed font family needs a QGuiApplication.
int runFontTool(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

extern const char* const Usage;

} // namespace fonttool
