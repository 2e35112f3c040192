#pragma once

#include <string>
#include <system_error>

// Error numbers of the system the program runs on: errno values on POSIX systems, GetLastError
// values on Windows. They are shown as they are; neither kind is translated into the other.

// The system's own text for `err`, without a trailing line break.
std::string systemErrorText(int err);

// The language a reason is told in: the window's is Russian, lumetra-send's the user's.
enum class ReasonLanguage { English, Russian };

// Why `err` happened, for the operator. In English the system's own text. In Russian the
// common file, port and network reasons in Russian words, any other as "Ошибка N (the
// system's own text)", so nothing the system said is lost. UTF-8.
std::string errorReason(int err, ReasonLanguage language);

// The same for a library's error code, which may hold a C library's errno value on Windows.
std::string errorReason(const std::error_code& code, ReasonLanguage language);

#ifndef _WIN32
// The same for a failed name lookup: getaddrinfo's own code (EAI_*), EAI_SYSTEM excepted. On
// Windows the lookup fails with the system's own numbers.
std::string lookupErrorReason(int code, ReasonLanguage language);
#endif

// Whether `err` says that the file or a folder on its way does not exist.
bool isNotFoundError(int err);

// Whether `err` says that a file is over the size its reader takes (readRegularFile).
bool isTooLargeError(int err);

// Whether `err` says the user lacks the rights that group membership grants (a serial port's
// group on Linux). Never on Windows, where a port another program holds is refused as access
// denied.
bool isPermissionError(int err);
