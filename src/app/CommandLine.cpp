#include "app/CommandLine.h"

#include "base/Version.h"

#include <algorithm>
#include <array>
#include <string_view>

namespace commandline {
namespace {

constexpr std::string_view Help =
    "Использование: lumetra [ПАРАМЕТР]\n"
    "Загрузчик для бегущей строки: редактор сообщения с кодами эффектов, редактор шрифта 8 x 8\n"
    "и передача на табло по последовательному порту.\n"
    "\n"
    "  -h, --help     показать эту справку и выйти\n"
    "  -v, --version  показать версию и выйти\n"
    "  --data-folder [ПАПКА]\n"
    "                 хранить файлы программы (Tmp.txt, User.txt, шрифт) в этой папке,\n"
    "                 по умолчанию ~/.local/share/lumetra\n"
    "\n"
    "Параметры Qt (-platform, -style, -display ...) передаются Qt.\n"
    "Второй запуск выводит на передний план уже открытое окно.\n";

// Qt's own options that take a value; the value is Qt's too.
constexpr std::array<std::string_view, 13> QtWithValue = {"platform",
                                                          "platformpluginpath",
                                                          "platformtheme",
                                                          "plugin",
                                                          "qwindowgeometry",
                                                          "qwindowicon",
                                                          "qwindowtitle",
                                                          "style",
                                                          "stylesheet",
                                                          "display",
                                                          "geometry",
                                                          "session",
                                                          "name"};
constexpr std::array<std::string_view, 5> QtFlags = {"reverse", "widgetcount", "nograb", "dograb",
                                                     "sync"};

bool contains(const auto& list, std::string_view name) {
    return std::find(list.begin(), list.end(), name) != list.end();
}

} // namespace

Request parse(const std::vector<std::string>& args) {
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--help" || arg == "-h")
            return {Action::Print, std::string(Help)};
        if (arg == "--version" || arg == "-v")
            return {Action::Print, "lumetra " LUMETRA_VERSION "\n"};
        // Read after the application object exists (datafolder::takeOption); its folder is
        // optional, so a value is the next argument unless that one is an option.
        if (arg == "--data-folder") {
            if (i + 1 < args.size() && !args[i + 1].starts_with("-"))
                ++i;
            continue;
        }
        if (arg.starts_with("--data-folder="))
            continue;
        std::string_view name = arg;
        if (name.starts_with("--"))
            name.remove_prefix(2);
        else if (name.starts_with("-"))
            name.remove_prefix(1);
        else
            return {Action::Refuse, "lumetra: лишний аргумент «" + arg +
                                        "»; файл сообщения открывается из окна.\n"
                                        "Справка: lumetra --help\n"};
        const auto equals = name.find('=');
        const std::string_view bare = name.substr(0, equals);
        if (contains(QtWithValue, bare)) {
            if (equals == std::string_view::npos)
                ++i;
            continue;
        }
        if (contains(QtFlags, bare))
            continue;
        return {Action::Refuse,
                "lumetra: неизвестный параметр «" + arg + "»\nСправка: lumetra --help\n"};
    }
    return {};
}

std::string noDisplayMessage() {
    return "lumetra: нет графического дисплея, окна открыть негде (DISPLAY и WAYLAND_DISPLAY не "
           "заданы или недоступны)\n";
}

} // namespace commandline
