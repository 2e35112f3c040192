#pragma once

#include <string>

// Error numbers of the system the program runs on: errno values on POSIX systems, GetLastError
// values on Windows. They are shown as they are; neither kind is translated into the other.

// The number the last failed system call left.
int lastSystemError();

// The system's own text for `err`, without a trailing line break.
std::string systemErrorText(int err);

// Whether `err` says that the file or a folder on its way does not exist.
bool isNotFoundError(int err);
