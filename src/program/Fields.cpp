#include "program/Fields.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <functional>

namespace program {
namespace {

using namespace std::chrono;

constexpr std::array<const char*, 7> WeekdayNames = {
    "понедельник", "вторник", "среда", "четверг", "пятница", "суббота", "воскресенье"};

struct Field {
    std::string_view kind; // date, time, weekday, var
    std::string_view argument;
};

// Calls `literal` for each run of plain text and `field` for each field, in order.
void walk(std::string_view text, const std::function<void(std::string_view)>& literal,
          const std::function<void(const Field&)>& field) {
    std::size_t at = 0;
    while (at < text.size()) {
        const auto open = text.find('{', at);
        if (open == std::string_view::npos) {
            literal(text.substr(at));
            return;
        }
        literal(text.substr(at, open - at));
        if (open + 1 < text.size() && text[open + 1] == '{') {
            literal("{");
            at = open + 2;
            continue;
        }
        const auto close = text.find('}', open);
        if (close == std::string_view::npos)
            throw ProgramError("\"{\" with no \"}\" (a brace of the text is \"{{\")");
        const std::string_view inside = text.substr(open + 1, close - open - 1);
        const auto colon = inside.find(':');
        field({inside.substr(0, colon),
               colon == std::string_view::npos ? std::string_view() : inside.substr(colon + 1)});
        at = close + 1;
    }
}

// Runs of one letter in a date or time format; anything else is copied.
void walkFormat(std::string_view format, const std::function<void(char, std::size_t)>& token,
                const std::function<void(char)>& other) {
    for (std::size_t at = 0; at < format.size();) {
        const char ch = format[at];
        if (!std::isalpha(static_cast<unsigned char>(ch))) {
            other(ch);
            ++at;
            continue;
        }
        std::size_t run = 1;
        while (at + run < format.size() && format[at + run] == ch)
            ++run;
        token(ch, run);
        at += run;
    }
}

Tick formatTick(std::string_view format, std::string_view whole) {
    Tick tick = Tick::Never;
    const auto finer = [&](Tick t) { tick = std::max(tick, t); };
    walkFormat(
        format,
        [&](char ch, std::size_t run) {
            const bool ok =
                (ch == 'y' && (run == 2 || run == 4)) ||
                (std::string_view("MdHms").find(ch) != std::string_view::npos && run <= 2);
            if (!ok)
                throw ProgramError("unknown field {" + std::string(whole) + "}: \"" +
                                   std::string(run, ch) +
                                   "\" (yyyy, yy, MM, M, dd, d, HH, H, mm, m, ss, s)");
            finer(ch == 'H'   ? Tick::Hour
                  : ch == 'm' ? Tick::Minute
                  : ch == 's' ? Tick::Second
                              : Tick::Day);
        },
        [](char) {});
    return tick;
}

std::string_view defaultFormat(std::string_view kind) {
    return kind == "date" ? "dd.MM.yyyy" : "HH:mm";
}

std::string formatLocal(std::string_view format, LocalSeconds local) {
    const auto day = floor<days>(local);
    const year_month_day ymd{day};
    const hh_mm_ss<seconds> time{local - day};
    std::string out;
    walkFormat(
        format,
        [&](char ch, std::size_t run) {
            long value = 0;
            switch (ch) {
            case 'y':
                value = static_cast<int>(ymd.year()) % (run == 2 ? 100 : 10000);
                break;
            case 'M':
                value = static_cast<unsigned>(ymd.month());
                break;
            case 'd':
                value = static_cast<unsigned>(ymd.day());
                break;
            case 'H':
                value = time.hours().count();
                break;
            case 'm':
                value = time.minutes().count();
                break;
            default:
                value = static_cast<long>(time.seconds().count());
            }
            char digits[16];
            std::snprintf(digits, sizeof digits, "%0*ld", static_cast<int>(run), value);
            out += digits;
        },
        [&](char ch) { out += ch; });
    return out;
}

} // namespace

FieldScan scanFields(std::string_view text) {
    FieldScan scan;
    walk(
        text, [](std::string_view) {},
        [&](const Field& field) {
            const std::string whole =
                std::string(field.kind) +
                (field.argument.empty() ? "" : ":" + std::string(field.argument));
            if (field.kind == "date" || field.kind == "time") {
                const Tick tick = formatTick(
                    field.argument.empty() ? defaultFormat(field.kind) : field.argument, whole);
                scan.tick = std::max(scan.tick, tick);
            } else if (field.kind == "weekday" && field.argument.empty()) {
                scan.tick = std::max(scan.tick, Tick::Day);
            } else if (field.kind == "var") {
                const std::string name(field.argument);
                if (name.empty() || name.find_first_of("+#/") != std::string::npos)
                    throw ProgramError("{var:" + name +
                                       "}: a variable is named by one topic level, with no "
                                       "\"+\", \"#\" or \"/\"");
                if (std::find(scan.vars.begin(), scan.vars.end(), name) == scan.vars.end())
                    scan.vars.push_back(name);
            } else {
                throw ProgramError("unknown field {" + whole +
                                   "} ({date}, {time}, {weekday}, {var:name})");
            }
        });
    return scan;
}

std::string fillFields(std::string_view text, LocalSeconds local, const Vars& vars,
                       std::vector<std::string>& unset) {
    std::string out;
    walk(
        text, [&](std::string_view plain) { out += plain; },
        [&](const Field& field) {
            if (field.kind == "weekday") {
                const weekday day{floor<days>(local)};
                out += WeekdayNames[(day.c_encoding() + 6) % 7];
            } else if (field.kind == "var") {
                const auto it = vars.find(std::string(field.argument));
                if (it != vars.end()) {
                    out += it->second;
                } else {
                    out += '?';
                    unset.emplace_back(field.argument);
                }
            } else {
                out += formatLocal(
                    field.argument.empty() ? defaultFormat(field.kind) : field.argument, local);
            }
        });
    return out;
}

} // namespace program
