#include "base/SystemError.h"

#include <cerrno>
#include <cstring>

#ifdef _WIN32
#include <windows.h>
#endif

std::string systemErrorText(int err) {
#ifdef _WIN32
    // The wide text, so that a Russian system's message reaches the window intact as UTF-8.
    wchar_t* wide = nullptr;
    const DWORD n = ::FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, static_cast<DWORD>(err), 0, reinterpret_cast<wchar_t*>(&wide), 0, nullptr);
    std::string text;
    if (n && wide) {
        const int size = ::WideCharToMultiByte(CP_UTF8, 0, wide, static_cast<int>(n), nullptr, 0,
                                               nullptr, nullptr);
        text.resize(static_cast<std::size_t>(size > 0 ? size : 0));
        ::WideCharToMultiByte(CP_UTF8, 0, wide, static_cast<int>(n), text.data(), size, nullptr,
                              nullptr);
    }
    ::LocalFree(wide);
    while (!text.empty() &&
           (text.back() == '\n' || text.back() == '\r' || text.back() == ' ' || text.back() == '.'))
        text.pop_back();
    return text.empty() ? "Error " + std::to_string(err) : text;
#else
    return std::strerror(err);
#endif
}

bool isNotFoundError(int err) {
#ifdef _WIN32
    return err == ERROR_FILE_NOT_FOUND || err == ERROR_PATH_NOT_FOUND;
#else
    return err == ENOENT;
#endif
}

bool isTooLargeError(int err) {
#ifdef _WIN32
    return err == ERROR_FILE_TOO_LARGE;
#else
    return err == EFBIG;
#endif
}

bool isPermissionError(int err) {
#ifdef _WIN32
    (void)err;
    return false;
#else
    return err == EACCES || err == EPERM;
#endif
}
