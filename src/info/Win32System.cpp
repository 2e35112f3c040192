#include "info/Win32System.h"

#include <windows.h>

#include <shellapi.h>

namespace win32 {

namespace {

std::string utf8(const wchar_t* text, int length) {
    if (length <= 0)
        return {};
    const int size = ::WideCharToMultiByte(CP_UTF8, 0, text, length, nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<std::size_t>(size > 0 ? size : 0), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, text, length, out.data(), size, nullptr, nullptr);
    return out;
}

} // namespace

std::uint32_t packedVersion() {
    // Deprecated for telling versions apart, but its bytes are exactly what is shown.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    return static_cast<std::uint32_t>(::GetVersion());
#pragma GCC diagnostic pop
}

int processorLevel() {
    SYSTEM_INFO info{};
    ::GetSystemInfo(&info);
    return info.wProcessorLevel;
}

std::optional<std::uint32_t> volumeSerial(const char* root) {
    char volumeName[256] = {};
    DWORD serial = 0, maxComponent = 0, flags = 0;
    if (!::GetVolumeInformationA(root, volumeName, sizeof volumeName, &serial, &maxComponent,
                                 &flags, nullptr, 0))
        return std::nullopt;
    return static_cast<std::uint32_t>(serial);
}

bool flashWindow(void* window) {
    return window && ::FlashWindow(static_cast<HWND>(window), TRUE) != 0;
}

bool shellExecute(void* parent, const std::string& target) {
    const HINSTANCE result = ::ShellExecuteA(static_cast<HWND>(parent), nullptr, target.c_str(),
                                             nullptr, nullptr, SW_SHOWNORMAL);
    // Values up to 32 are error codes.
    return reinterpret_cast<INT_PTR>(result) > 32;
}

std::string shortDateText() {
    wchar_t text[128] = {};
    const int n = ::GetDateFormatW(LOCALE_USER_DEFAULT, DATE_SHORTDATE, nullptr, nullptr, text,
                                   static_cast<int>(std::size(text)));
    return utf8(text, n - 1);
}

std::string longTimeText() {
    wchar_t text[128] = {};
    const int n = ::GetTimeFormatW(LOCALE_USER_DEFAULT, 0, nullptr, nullptr, text,
                                   static_cast<int>(std::size(text)));
    return utf8(text, n - 1);
}

} // namespace win32
