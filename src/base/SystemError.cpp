#include "base/SystemError.h"

#include <cerrno>
#include <cstring>

#ifdef _WIN32
#include <windows.h>
#else
#include <netdb.h>
#endif

namespace {

struct Worded {
    int code;
    const char* russian;
};

// The C library's numbers: the system's own on POSIX systems, and what the file system
// library reports on Windows too.
constexpr Worded ErrnoReasons[] = {
    {ENOENT, "Нет такого файла или папки"},
    {ENOTDIR, "Часть пути — не папка"},
    {EISDIR, "Это папка, а не файл"},
    {EACCES, "Доступ запрещён"},
    {EPERM, "Нет прав на это действие"},
    {EBUSY, "Устройство занято"},
    {ENOTTY, "Это не терминал (не последовательный порт)"},
    {ENXIO, "Нет такого устройства или адреса"},
    {ENODEV, "Нет такого устройства"},
    {EIO, "Ошибка ввода-вывода"},
    {ENOSPC, "На диске не осталось места"},
#ifdef EDQUOT
    {EDQUOT, "Превышена дисковая квота"},
#endif
    {EROFS, "Файловая система доступна только для чтения"},
    {EFBIG, "Файл слишком велик"},
    {ENAMETOOLONG, "Слишком длинное имя файла"},
    {EEXIST, "Файл уже существует"},
    {EMFILE, "Открыто слишком много файлов"},
    {ENFILE, "Открыто слишком много файлов"},
    {ENOMEM, "Не хватает памяти"},
    {EINVAL, "Недопустимый параметр"},
    {EPIPE, "Другая сторона закрыла соединение"},
    {ECONNREFUSED, "В соединении отказано"},
    {ECONNRESET, "Соединение сброшено другой стороной"},
    {ECONNABORTED, "Соединение прервано"},
    {ENETUNREACH, "Сеть недоступна"},
    {ENETDOWN, "Сеть не работает"},
    {EHOSTUNREACH, "Нет маршрута до узла"},
#ifdef EHOSTDOWN
    {EHOSTDOWN, "Узел не отвечает"},
#endif
    {ETIMEDOUT, "Время ожидания соединения истекло"},
    {EADDRNOTAVAIL, "Адрес недоступен"},
};

#ifdef _WIN32
// GetLastError and Winsock numbers. The system's own text is in its own language already;
// these make the common ones read the same on every Windows.
constexpr Worded Win32Reasons[] = {
    {ERROR_FILE_NOT_FOUND, "Нет такого файла или папки"},
    {ERROR_PATH_NOT_FOUND, "Нет такого файла или папки"},
    // A port another program holds is refused so too.
    {ERROR_ACCESS_DENIED, "Доступ запрещён (возможно, занят другой программой)"},
    {ERROR_SHARING_VIOLATION, "Файл занят другой программой"},
    {ERROR_BUSY, "Устройство занято"},
    {ERROR_NOT_READY, "Устройство не готово"},
    {ERROR_DEVICE_NOT_CONNECTED, "Устройство не подключено"},
    {ERROR_GEN_FAILURE, "Ошибка ввода-вывода"},
    {ERROR_IO_DEVICE, "Ошибка ввода-вывода"},
    {ERROR_DISK_FULL, "На диске не осталось места"},
    {ERROR_HANDLE_DISK_FULL, "На диске не осталось места"},
    {ERROR_WRITE_PROTECT, "Диск защищён от записи"},
    {ERROR_FILE_TOO_LARGE, "Файл слишком велик"},
    {ERROR_FILENAME_EXCED_RANGE, "Слишком длинное имя файла"},
    {ERROR_SEM_TIMEOUT, "Время ожидания истекло"},
    {WSAECONNREFUSED, "В соединении отказано"},
    {WSAECONNRESET, "Соединение сброшено другой стороной"},
    {WSAECONNABORTED, "Соединение прервано"},
    {WSAENETUNREACH, "Сеть недоступна"},
    {WSAENETDOWN, "Сеть не работает"},
    {WSAEHOSTUNREACH, "Нет маршрута до узла"},
    {WSAEHOSTDOWN, "Узел не отвечает"},
    {WSAETIMEDOUT, "Время ожидания соединения истекло"},
    {WSAEADDRNOTAVAIL, "Адрес недоступен"},
    {WSAHOST_NOT_FOUND, "Неизвестное имя узла"},
    {WSANO_DATA, "У имени узла нет адреса"},
    {WSATRY_AGAIN, "Имя узла сейчас не удалось найти (сбой DNS), попробуйте позже"},
    {WSANO_RECOVERY, "Сбой при поиске имени узла"},
};
#else
constexpr Worded LookupReasons[] = {
    {EAI_NONAME, "Неизвестное имя узла"},
#ifdef EAI_NODATA
    {EAI_NODATA, "У имени узла нет адреса"},
#endif
    {EAI_AGAIN, "Имя узла сейчас не удалось найти (сбой DNS), попробуйте позже"},
    {EAI_FAIL, "Сбой при поиске имени узла"},
    {EAI_SERVICE, "Такого порта у узла нет"},
    {EAI_MEMORY, "Не хватает памяти"},
};
#endif

template <std::size_t N> const char* lookUp(const Worded (&table)[N], int code) {
    for (const Worded& w : table)
        if (w.code == code)
            return w.russian;
    return nullptr;
}

// A reason without Russian words: the number and what the system said of it.
std::string unworded(int err, const std::string& text) {
    return "Ошибка " + std::to_string(err) + " (" + text + ")";
}

} // namespace

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

std::string errorReason(int err, ReasonLanguage language) {
    const std::string text = systemErrorText(err);
    if (language == ReasonLanguage::English)
        return text;
#ifdef _WIN32
    const char* russian = lookUp(Win32Reasons, err);
#else
    const char* russian = lookUp(ErrnoReasons, err);
#endif
    return russian ? russian : unworded(err, text);
}

std::string errorReason(const std::error_code& code, ReasonLanguage language) {
    if (code.category() != std::generic_category())
        return errorReason(code.value(), language);
    if (language == ReasonLanguage::English)
        return code.message();
    const char* russian = lookUp(ErrnoReasons, code.value());
    return russian ? russian : unworded(code.value(), code.message());
}

#ifndef _WIN32
std::string lookupErrorReason(int code, ReasonLanguage language) {
    const std::string text = ::gai_strerror(code);
    if (language == ReasonLanguage::English)
        return text;
    const char* russian = lookUp(LookupReasons, code);
    return russian ? russian : "Имя узла не удалось найти (" + text + ")";
}
#endif

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
