#include "app/CommandLine.h"

#include "app/DataFolder.h"
#include "base/Version.h"

#include <QCommandLineParser>

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

const QString DataFolderOption = QStringLiteral("data-folder");

// Our own texts beside Qt's.
constexpr char SeeHelp[] = "\nСправка: lumetra --help\n";

QString named(std::string_view name) {
    return QString::fromLatin1(name.data(), static_cast<qsizetype>(name.size()));
}

// The name of an option as typed: "--style", "-style" and "-style=Fusion" all name "style".
QString optionName(const QString& argument) {
    return argument.mid(argument.startsWith(QStringLiteral("--")) ? 2 : 1).section(u'=', 0, 0);
}

bool takesValue(const QString& name) {
    return name == DataFolderOption ||
           std::any_of(QtWithValue.begin(), QtWithValue.end(),
                       [&](std::string_view qt) { return named(qt) == name; });
}

Request refuse(const QString& text) {
    return {Action::Refuse, "lumetra: " + text.toStdString() + SeeHelp, std::nullopt, false};
}

// Why QCommandLineParser refused `given`, said of the argument as it was typed.
Request refusal(const QCommandLineParser& parser, const QStringList& given) {
    const QStringList unknown = parser.unknownOptionNames();
    for (const QString& a : given.mid(1)) {
        // An unknown name, or one without a value given one ("-reverse=1").
        const bool flagWithValue = a.contains(u'=') && !takesValue(optionName(a));
        if (a.startsWith(u'-') && (unknown.contains(optionName(a)) || flagWithValue))
            return refuse(QStringLiteral("неизвестный параметр «%1»").arg(a));
    }
    // An option that takes a value takes the next argument whatever it is: only the last can
    // go without.
    return refuse(QStringLiteral("параметру «%1» нужно значение").arg(given.last()));
}

} // namespace

Request parse(const QStringList& arguments) {
    QCommandLineParser parser;
    // Qt's own options are written with one dash ("-platform"), and so are -h and -v.
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const QCommandLineOption help(QStringList{QStringLiteral("h"), QStringLiteral("help")});
    const QCommandLineOption version(QStringList{QStringLiteral("v"), QStringLiteral("version")});
    parser.addOptions({help, version, {DataFolderOption, {}, QStringLiteral("DIR")}});
    for (const std::string_view name : QtWithValue)
        parser.addOption({named(name), {}, QStringLiteral("VALUE")});
    for (const std::string_view name : QtFlags)
        parser.addOption(QCommandLineOption(named(name)));

    // The folder of --data-folder may be left out, which QCommandLineParser does not know of: a
    // --data-folder followed by no folder is given the empty one, the default.
    QStringList given = arguments;
    const QString bare = QStringLiteral("--") + DataFolderOption;
    for (qsizetype i = 1; i < given.size(); ++i)
        if (given[i] == bare && (i + 1 == given.size() || given[i + 1].startsWith(u'-')))
            given[i] = bare + u'=';
    const bool parsed = parser.parse(given);

    Request request;
    if (parser.isSet(DataFolderOption)) {
        const QString folder = parser.value(DataFolderOption);
        request.dataFolder = folder.isEmpty() ? datafolder::defaultPath() : folder;
    }
    request.platformNamed = parser.isSet(QStringLiteral("platform"));
    if (parser.isSet(help)) {
        request.action = Action::Print;
        request.text = Help;
    } else if (parser.isSet(version)) {
        request.action = Action::Print;
        request.text = "lumetra " LUMETRA_VERSION "\n";
    } else if (!parsed) {
        return refusal(parser, given);
    } else if (!parser.positionalArguments().isEmpty()) {
        return refuse(QStringLiteral("лишний аргумент «%1»; файл сообщения открывается из окна.")
                          .arg(parser.positionalArguments().first()));
    }
    return request;
}

std::string noDisplayMessage() {
    return "lumetra: нет графического дисплея, окна открыть негде (DISPLAY и WAYLAND_DISPLAY не "
           "заданы или недоступны)\n";
}

} // namespace commandline
