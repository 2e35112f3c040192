#pragma once

#include <string>

// Error numbers of the system the program runs on: errno values on POSIX systems, GetLastError
// values on Windows. They are shown as they are; neither kind is translated into the other.

// The system's own text for `err`, without a trailing line break.
std::string systemErrorText(int err);

// Whether `err` says that the file or a folder on its way does not exist.
bool isNotFoundError(int err);

// Whether `err` says that a file is over the size its reader takes (readRegularFile).
bool isTooLargeError(int err);

// Whether `err` says the user lacks the rights that group membership grants (a serial port's
// group on Linux). Never on Windows, where a port another program holds is refused as access
// denied.
bool isPermissionError(int err);
