#pragma once

#include "SendTexts.h"

#include <cstdio>
#include <string>

// What lumetra-send needs of the system beyond standard C++: one place, with a POSIX and a
// Windows branch.
namespace sendtool::platform {

// Sets the console up: UTF-8 output and binary standard streams where the system has text modes.
void prepareConsole();

// Russian when the user's language is Russian (LC_ALL, LC_MESSAGES, LANG; on Windows the
// user's interface language), English otherwise.
Language userLanguage();

bool isTerminal(std::FILE* stream);

// Whether standard input is the file `path` (redirected from it).
bool isStandardInput(const std::string& path);

// From now on Ctrl+C, SIGTERM and SIGHUP (on Windows Ctrl+C, Ctrl+Break and closing the console)
// only raise a flag, read by interrupted().
void catchInterrupts();
bool interrupted();

} // namespace sendtool::platform
