#include "Platform.h"

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <string_view>

#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#define WIN32_LEAN_AND_MEAN
#include <fcntl.h>
#include <io.h>
#include <windows.h>
#else
#include <csignal>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace sendtool::platform {
namespace {

// Lock-free, so setting it is all a signal handler may do.
std::atomic<bool> g_interrupted{false};
static_assert(std::atomic<bool>::is_always_lock_free);

#ifdef _WIN32
BOOL WINAPI onConsoleEvent(DWORD event) {
    if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT && event != CTRL_CLOSE_EVENT)
        return FALSE;
    g_interrupted.store(true);
    return TRUE;
}
#else
void onSignal(int) {
    g_interrupted.store(true);
}
#endif

} // namespace

void prepareConsole() {
#ifdef _WIN32
    SetConsoleOutputCP(CP_UTF8);
    _setmode(_fileno(stdin), _O_BINARY);
    _setmode(_fileno(stdout), _O_BINARY);
#endif
}

Language userLanguage() {
#ifdef _WIN32
    return PRIMARYLANGID(GetUserDefaultUILanguage()) == LANG_RUSSIAN ? Language::Russian
                                                                     : Language::English;
#else
    // The first of these that is set decides, as for every other program.
    for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char* value = std::getenv(name);
        if (value && *value)
            return std::string_view(value).substr(0, 2) == "ru" ? Language::Russian
                                                                : Language::English;
    }
    return Language::English;
#endif
}

bool isTerminal(std::FILE* stream) {
#ifdef _WIN32
    return _isatty(_fileno(stream)) != 0;
#else
    return ::isatty(::fileno(stream)) != 0;
#endif
}

bool isStandardInput(const std::string& path) {
#ifdef _WIN32
    // The C runtime gives no file identity here; the volume and file index do.
    const HANDLE file =
        CreateFileA(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    BY_HANDLE_FILE_INFORMATION in{}, out{};
    const bool same = GetFileInformationByHandle(GetStdHandle(STD_INPUT_HANDLE), &in) &&
                      GetFileInformationByHandle(file, &out) &&
                      in.dwVolumeSerialNumber == out.dwVolumeSerialNumber &&
                      in.nFileIndexHigh == out.nFileIndexHigh &&
                      in.nFileIndexLow == out.nFileIndexLow;
    CloseHandle(file);
    return same;
#else
    struct stat in {
    }, out{};
    return ::fstat(STDIN_FILENO, &in) == 0 && ::stat(path.c_str(), &out) == 0 &&
           in.st_dev == out.st_dev && in.st_ino == out.st_ino;
#endif
}

void catchInterrupts() {
#ifdef _WIN32
    SetConsoleCtrlHandler(onConsoleEvent, TRUE);
#else
    struct sigaction action {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    // A closed terminal (SIGHUP) ends the upload as Ctrl+C does, with its result line.
    for (const int s : {SIGINT, SIGTERM, SIGHUP})
        ::sigaction(s, &action, nullptr);
    // A reader of our output that goes away is reported as a failed write, not a silent death.
    std::signal(SIGPIPE, SIG_IGN);
#endif
}

bool interrupted() {
    return g_interrupted.load();
}

} // namespace sendtool::platform
