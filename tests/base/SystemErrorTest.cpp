#include "base/SystemError.h"

#include <gtest/gtest.h>

#include <cerrno>

#ifdef _WIN32
#include <windows.h>
#else
#include <netdb.h>
#endif

namespace {

constexpr auto Russian = ReasonLanguage::Russian;
constexpr auto English = ReasonLanguage::English;

} // namespace

// The reasons an operator reads in the window and in a Russian lumetra-send: the common file,
// port and network ones in Russian words; any other keeps the system's own text after its
// number. English is the system's own text.
TEST(ErrorReasons, CommonOnesInRussianAnyOtherWithTheSystemsText) {
    const std::pair<int, std::string> cases[] = {
#ifdef _WIN32
        {ERROR_FILE_NOT_FOUND, "Нет такого файла или папки"},
        {ERROR_PATH_NOT_FOUND, "Нет такого файла или папки"},
        {ERROR_ACCESS_DENIED, "Доступ запрещён (возможно, занят другой программой)"},
        {ERROR_SHARING_VIOLATION, "Файл занят другой программой"},
        {ERROR_IO_DEVICE, "Ошибка ввода-вывода"},
        {ERROR_DISK_FULL, "На диске не осталось места"},
        {WSAECONNREFUSED, "В соединении отказано"},
        {WSAEHOSTUNREACH, "Нет маршрута до узла"},
        {WSAETIMEDOUT, "Время ожидания соединения истекло"},
        {WSAHOST_NOT_FOUND, "Неизвестное имя узла"},
        {ERROR_INVALID_FUNCTION, "Ошибка 1 (" + systemErrorText(ERROR_INVALID_FUNCTION) + ")"},
#else
        {ENOENT, "Нет такого файла или папки"},
        {EACCES, "Доступ запрещён"},
        {EBUSY, "Устройство занято"},
        {ENOTTY, "Это не терминал (не последовательный порт)"},
        {EIO, "Ошибка ввода-вывода"},
        {ENOSPC, "На диске не осталось места"},
        {ECONNREFUSED, "В соединении отказано"},
        {ENETUNREACH, "Сеть недоступна"},
        {EHOSTUNREACH, "Нет маршрута до узла"},
        {ETIMEDOUT, "Время ожидания соединения истекло"},
        {ECONNRESET, "Соединение сброшено другой стороной"},
        {EPROTO, "Ошибка " + std::to_string(EPROTO) + " (Protocol error)"},
#endif
    };
    for (const auto& [err, russian] : cases) {
        EXPECT_EQ(errorReason(err, Russian), russian) << err;
        EXPECT_EQ(errorReason(err, English), systemErrorText(err)) << err;
    }
#ifndef _WIN32
    EXPECT_EQ(errorReason(ECONNREFUSED, English), "Connection refused");
#endif
    // A C library's number is read as one on Windows too, not as the system's own.
    EXPECT_EQ(errorReason(std::make_error_code(std::errc::connection_refused), Russian),
              "В соединении отказано");
    EXPECT_EQ(errorReason(std::error_code(ENOTDIR, std::generic_category()), Russian),
              "Часть пути — не папка");
}

#ifndef _WIN32
TEST(ErrorReasons, NameLookupsHaveTheirOwnNumbers) {
    const std::pair<int, const char*> cases[] = {
        {EAI_NONAME, "Неизвестное имя узла"},
        {EAI_AGAIN, "Имя узла сейчас не удалось найти (сбой DNS), попробуйте позже"},
        {EAI_FAIL, "Сбой при поиске имени узла"},
        {EAI_BADFLAGS, "Имя узла не удалось найти (Bad value for ai_flags)"},
    };
    for (const auto& [code, russian] : cases)
        EXPECT_EQ(lookupErrorReason(code, Russian), russian) << code;
    EXPECT_EQ(lookupErrorReason(EAI_NONAME, English), "Name or service not known");
}
#endif
