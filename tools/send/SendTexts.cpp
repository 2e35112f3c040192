#include "SendTexts.h"

#include <array>

namespace sendtool {
namespace {

struct Entry {
    Msg id;
    std::string_view english;
    std::string_view russian;
};

// clang-format off
constexpr std::array<Entry, static_cast<std::size_t>(Msg::Count)> Table = {{
    {Msg::Usage,
     "usage: lumetra-send [options] TEXT-FILE      upload a message text (- reads\n"
     "                                              standard input)\n"
     "       lumetra-send [options] --font FONT.zg upload a font (symbols 32..255)\n"
     "\n"
     "  --port N        port N (1..255) as the window's \"COM N\": the settings'\n"
     "                  PortMap, else the system's own device; without it, the port\n"
     "                  checked in the window\n"
     "  --device PATH   this serial device, or a converter's socket://HOST:PORT or\n"
     "                  rfc2217://HOST:PORT, or a sign whose agent is on an MQTT\n"
     "                  broker: mqtt://[USER@]HOST[:PORT]/SIGN[?prefix=P], mqtts://\n"
     "                  for TLS (--port takes such a URL too)\n"
     "  --password-file FILE  the password of the URL's USER, on the first line of a\n"
     "                  file closed to others; without it, [Broker] PasswordFile of\n"
     "                  the settings\n"
     "  --status URL    list the signs of the broker mqtt://HOST[:PORT][/SIGN]: name,\n"
     "                  online or not, result, when the text went, its start; send\n"
     "                  nothing (--json: one line with the list)\n"
     "  --encoding E    cp1251, utf-8 or auto (default): how the text file is read\n"
     "  --dump FILE     write the frame to FILE (- for standard output), send nothing\n"
     "  --hex           the frame as a hex dump, to standard output or --dump FILE\n"
     "  --check         report every effect code the sign reads otherwise than it\n"
     "                  is written, and what the sign does there; send nothing\n"
     "  --json          one result line (outcome, bytes, seconds; with --check the\n"
     "                  effects and the surprises) on standard output\n"
     "  --quiet         no progress bar\n"
     "  --max-length N  a text may have up to N characters (1..65500); without it,\n"
     "                  the limit chosen in the window's \"Опции\" menu: fewer than\n"
     "                  6000, or 60002\n"
     "  --help, --version\n"
     "\n"
     "Exit status: 0 sent whole (or dumped, or --check found nothing); 1 --check\n"
     "found codes the sign would misread; 2 bad usage or unreadable input; 3 the port\n"
     "cannot be opened; 4 the write failed or did not complete; 5 cancelled; 6 the\n"
     "text is over the length limit or its frame would exceed 65,500 bytes (nothing\n"
     "opened); 7 sent, but the converter or port refused or did not confirm the\n"
     "line settings (--json: sent-unconfirmed).\n",
     "использование: lumetra-send [параметры] ФАЙЛ-ТЕКСТА\n"
     "                  передать текст (- читает стандартный ввод)\n"
     "               lumetra-send [параметры] --font ШРИФТ.zg\n"
     "                  передать шрифт (символы 32..255)\n"
     "\n"
     "  --port N        порт N (1..255), как \"COM N\" окна: PortMap из настроек,\n"
     "                  иначе устройство системы; без него порт, отмеченный в окне\n"
     "  --device ПУТЬ   это последовательное устройство или порт преобразователя:\n"
     "                  socket://АДРЕС:ПОРТ, rfc2217://АДРЕС:ПОРТ, или табло, чей\n"
     "                  агент на брокере MQTT: mqtt://[ИМЯ@]АДРЕС[:ПОРТ]/ЗНАК\n"
     "                  [?prefix=П], mqtts:// для TLS (их берёт и --port)\n"
     "  --password-file ФАЙЛ  пароль пользователя ИМЯ из адреса, первой строкой\n"
     "                  файла, закрытого для других; без него [Broker] PasswordFile\n"
     "                  из настроек\n"
     "  --status АДРЕС  список знаков брокера mqtt://АДРЕС[:ПОРТ][/ЗНАК]: имя, в сети\n"
     "                  или нет, итог, когда ушёл текст, его начало; ничего не\n"
     "                  передавать (--json: одна строка со списком)\n"
     "  --encoding К    cp1251, utf-8 или auto (по умолчанию): как читать текст\n"
     "  --dump ФАЙЛ     записать кадр в ФАЙЛ (- в стандартный вывод), не передавать\n"
     "  --hex           кадр шестнадцатеричным дампом, в стандартный вывод или\n"
     "                  в ФАЙЛ --dump\n"
     "  --check         найти коды эффектов, которые табло прочтёт не так, как\n"
     "                  они написаны, и сказать, что оно сделает; не передавать\n"
     "  --json          строка итога (исход, байты, секунды; с --check эффекты\n"
     "                  и неожиданности) в стандартный вывод\n"
     "  --quiet         без полосы хода передачи\n"
     "  --max-length N  в тексте может быть до N символов (1..65500); без него\n"
     "                  предел, выбранный в меню \"Опции\" окна: меньше 6000\n"
     "                  или 60002\n"
     "  --help, --version\n"
     "\n"
     "Код выхода: 0 передано полностью (или записано, или --check ничего не\n"
     "нашёл); 1 --check нашёл коды, которые табло поймёт неверно; 2 неверный\n"
     "вызов или входной файл не читается; 3 порт не открывается; 4 запись не\n"
     "удалась или не завершилась; 5 отменено; 6 текст длиннее предела или кадр\n"
     "длиннее 65 500 байт (порт не открывался); 7 передано, но преобразователь\n"
     "или порт не принял или не подтвердил настройки линии (--json:\n"
     "sent-unconfirmed).\n"},
    {Msg::TryHelp, "Try \"lumetra-send --help\".", "Справка: \"lumetra-send --help\"."},
    {Msg::UnknownOption, "unknown option %1", "неизвестный параметр %1"},
    {Msg::MissingValue, "%1 needs a value", "параметру %1 нужно значение"},
    {Msg::BadPort, "--port takes 1 to 255, not \"%1\"", "--port принимает 1..255, а не \"%1\""},
    {Msg::BadEncoding, "--encoding takes cp1251, utf-8 or auto, not \"%1\"",
     "--encoding принимает cp1251, utf-8 или auto, а не \"%1\""},
    {Msg::NoInput, "no input: name a text file, - for standard input, or --font FILE",
     "нечего передавать: укажите файл текста, - для стандартного ввода или --font ФАЙЛ"},
    {Msg::TwoInputs, "one input only, not both \"%1\" and \"%2\"",
     "передаётся что-то одно, а не \"%1\" и \"%2\" сразу"},
    {Msg::Conflict, "%1 and %2 do not go together", "%1 и %2 вместе не применяются"},
    {Msg::CannotRead, "cannot read %1: %2", "не могу прочитать %1: %2"},
    {Msg::FontTooShort, "%1 holds %2 bytes; a font file holds 2048",
     "в %1 %2 байт, а в файле шрифта их 2048"},
    {Msg::Replaced, "%1: characters Windows-1251 cannot hold, sent as \"?\": %2",
     "%1: символы, которых нет в Windows-1251, отправлены как \"?\": %2"},
    {Msg::TooLong, "the frame would be %1 bytes, more than the %2 the sign takes; nothing sent",
     "кадр занял бы %1 байт, больше %2, которые принимает табло; ничего не передано"},
    {Msg::CannotWrite, "cannot write %1: %2", "не могу записать %1: %2"},
    {Msg::NoLetter,
     "%1:%2:%3: \"%4\": no effect letter after the \"/\"; the sign: %5",
     "%1:%2:%3: \"%4\": после \"/\" нет буквы эффекта; табло: %5"},
    {Msg::UnknownLetter,
     "%1:%2:%3: \"%4\": %6 is no effect letter (S W Q F U D J I N); the sign: %5",
     "%1:%2:%3: \"%4\": %6 не буква эффекта (S W Q F U D J I N); табло: %5"},
    {Msg::NoDigit, "%1:%2:%3: \"%4\": no digit after /%6; the sign: %5",
     "%1:%2:%3: \"%4\": после /%6 нет цифры; табло: %5"},
    {Msg::LineEnd, "%1:%2:%3: \"%4\": the code ends with the line; the sign: %5",
     "%1:%2:%3: \"%4\": код обрывается в конце строки; табло: %5"},
    {Msg::DigitNotTaken, "%1:%2:%3: \"%4\": /%6 takes the digits %7; the sign: %5",
     "%1:%2:%3: \"%4\": у /%6 цифры %7; табло: %5"},
    {Msg::StandardInput, "standard input", "стандартный ввод"},
    {Msg::Bytes, "bytes", "байт"},
    {Msg::Left, "left", "осталось"},
    {Msg::EmptyValue, "%1 needs a value, and the one given is empty",
     "параметру %1 нужно значение, а оно пустое"},
    {Msg::BadMaxLength, "--max-length takes 1 to 65500, not \"%1\"",
     "--max-length принимает 1..65500, а не \"%1\""},
    // The window's own words first: its length panel says the same.
    {Msg::OverLimit,
     "the buffer would overflow by %3 characters: the text has %1, the sign takes fewer than "
     "%2 (the limit chosen in the window's \"Опции\" menu); nothing sent. For a sign with "
     "more memory: --max-length N",
     "Буфер переполнен на %3 Символов: в тексте %1 символов, табло принимает меньше %2 "
     "(предел выбран в меню \"Опции\" окна); ничего не передано. Для табло с большей "
     "памятью: --max-length N"},
    {Msg::OverMaxLength, "the text has %1 characters, more than --max-length %2; nothing sent",
     "в тексте %1 символов, больше --max-length %2; ничего не передано"},
    {Msg::DumpIsInput, "--dump %1 is the input itself; nothing written",
     "--dump %1 — это сам входной файл; ничего не записано"},
    {Msg::BadBrokerUrl, "--status takes mqtt://HOST[:PORT][/SIGN], not \"%1\": %2",
     "--status принимает mqtt://АДРЕС[:ПОРТ][/ЗНАК], а не \"%1\": %2"},
    {Msg::Unreachable, "cannot reach the broker %1: %2", "нет связи с брокером %1: %2"},
    {Msg::NoSigns, "no signs under \"%1\" on %2", "под \"%1\" на %2 знаков нет"},
    {Msg::Online, "online", "в сети"},
    {Msg::Offline, "offline", "не в сети"},
}};
// clang-format on

constexpr bool tableInOrder() {
    for (std::size_t i = 0; i < Table.size(); ++i)
        if (static_cast<std::size_t>(Table[i].id) != i)
            return false;
    return true;
}
static_assert(tableInOrder(), "one entry per message, in the order of Msg");

} // namespace

std::string_view text(Msg id, Language language) {
    const Entry& entry = Table[static_cast<std::size_t>(id)];
    return language == Language::Russian ? entry.russian : entry.english;
}

std::string format(std::string_view pattern, std::span<const std::string_view> args) {
    std::string out;
    out.reserve(pattern.size());
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        const char c = pattern[i];
        const bool placeholder =
            c == '%' && i + 1 < pattern.size() && pattern[i + 1] >= '1' && pattern[i + 1] <= '9';
        const auto n = placeholder ? static_cast<std::size_t>(pattern[i + 1] - '1') : 0;
        if (placeholder && n < args.size()) {
            out.append(args[n]);
            ++i;
        } else {
            out.push_back(c);
        }
    }
    return out;
}

std::string say(Language language, Msg id, std::initializer_list<std::string_view> args) {
    return format(text(id, language), {args.begin(), args.size()});
}

} // namespace sendtool
