#pragma once

#include "SendTexts.h"

#include <cstdio>

// What lumetra-send needs of the system beyond standard C++: one place, with a POSIX and a
// Windows branch.
namespace sendtool::platform {

// Sets the console up: UTF-8 output and binary standard streams where the system has text modes.
void prepareConsole();

// Russian when the user's language is Russian (LC_ALL, LC_MESSAGES, LANG; on Windows the
// user's interface language), English otherwise.
Language userLanguage();

bool isTerminal(std::FILE* stream);

// From now on Ctrl+C and SIGTERM (on Windows Ctrl+C, Ctrl+Break and closing the console) only
// raise a flag, read by interrupted().
void catchInterrupts();
bool interrupted();

} // namespace sendtool::platform
