#include "program/Fields.h"
#include "program/Program.h"

#include "base/Json.h"

#include <algorithm>
#include <cstdio>

namespace program {
namespace {

using namespace std::chrono;

constexpr std::array<std::string_view, 7> DayNames = {"mon", "tue", "wed", "thu",
                                                      "fri", "sat", "sun"};

class EntryReader {
public:
    EntryReader(std::string where) : m_where(std::move(where)) {}

    [[noreturn]] void fail(std::string_view field, const std::string& why) const {
        throw ProgramError(m_where + ": \"" + std::string(field) + "\": " + why);
    }

    std::string string(const Json& value, std::string_view field) const {
        if (!value.is_string())
            fail(field, "not a string");
        return value.get<std::string>();
    }

    // A string, or a list of strings, as one comma-separated list of items.
    std::vector<std::string> items(const Json& value, std::string_view field) const {
        std::vector<std::string> parts;
        const auto split = [&](const std::string& text) {
            std::size_t at = 0;
            while (at <= text.size()) {
                auto comma = text.find(',', at);
                if (comma == std::string::npos)
                    comma = text.size();
                std::string item = text.substr(at, comma - at);
                item.erase(0, item.find_first_not_of(' '));
                item.erase(item.find_last_not_of(' ') + 1);
                if (item.empty())
                    fail(field, "an empty item in \"" + text + "\"");
                parts.push_back(item);
                at = comma + 1;
            }
        };
        if (value.is_array()) {
            for (const auto& item : value)
                split(string(item, field));
        } else {
            split(string(value, field));
        }
        if (parts.empty())
            fail(field, "empty");
        return parts;
    }

    int day(const std::string& name, std::string_view field) const {
        std::string lower = name;
        std::transform(lower.begin(), lower.end(), lower.begin(),
                       [](char ch) { return static_cast<char>(std::tolower((unsigned char)ch)); });
        for (std::size_t i = 0; i < DayNames.size(); ++i)
            if (lower == DayNames[i])
                return static_cast<int>(i);
        fail(field, "unknown day \"" + name + "\" (mon, tue, wed, thu, fri, sat, sun)");
    }

    std::array<bool, 7> days(const Json& value) const {
        std::array<bool, 7> set{};
        for (const std::string& item : items(value, "days")) {
            const auto dash = item.find('-');
            if (dash == std::string::npos) {
                set[static_cast<std::size_t>(day(item, "days"))] = true;
                continue;
            }
            // A range may wrap the week: "fri-mon".
            int d = day(item.substr(0, dash), "days");
            const int last = day(item.substr(dash + 1), "days");
            for (;; d = (d + 1) % 7) {
                set[static_cast<std::size_t>(d)] = true;
                if (d == last)
                    break;
            }
        }
        return set;
    }

    sys_days date(const std::string& text, std::string_view field) const {
        int y = 0;
        unsigned m = 0, d = 0;
        char tail = 0;
        if (text.size() != 10 || std::sscanf(text.c_str(), "%4d-%2u-%2u%c", &y, &m, &d, &tail) != 3)
            fail(field, "\"" + text + "\" is not a date (2026-12-31)");
        const year_month_day ymd{year(y), month(m), std::chrono::day(d)};
        if (!ymd.ok())
            fail(field, "there is no date " + text);
        return sys_days(ymd);
    }

    std::vector<DateRange> dates(const Json& value) const {
        std::vector<DateRange> ranges;
        for (const std::string& item : items(value, "dates")) {
            const auto dots = item.find("..");
            const sys_days first = date(item.substr(0, dots), "dates");
            const sys_days last =
                dots == std::string::npos ? first : date(item.substr(dots + 2), "dates");
            if (last < first)
                fail("dates", "the range " + item + " ends before it starts");
            ranges.push_back({first, last});
        }
        return ranges;
    }

    int clock(const Json& value, std::string_view field) const {
        const std::string text = string(value, field);
        unsigned h = 0, m = 0;
        char tail = 0;
        if (text.size() != 5 || text[2] != ':' ||
            std::sscanf(text.c_str(), "%2u:%2u%c", &h, &m, &tail) != 2 || m > 59 || h > 24 ||
            (h == 24 && m != 0))
            fail(field, "\"" + text + "\" is not a time of day (08:00, 00:00 to 24:00)");
        return static_cast<int>(h * 60 + m);
    }

    int priority(const Json& value) const {
        if (!value.is_number_integer() || value.get<long long>() < -1000000 ||
            value.get<long long>() > 1000000)
            fail("priority", "not a whole number");
        return value.get<int>();
    }

    Seconds until(const Json& value) const {
        const std::string text = string(value, "until");
        try {
            return parseMoment(text, nullptr);
        } catch (const ProgramError&) {
            fail("until",
                 "\"" + text + "\" is not a moment with its offset (2026-12-09T15:00:00+03:00)");
        }
    }

    const std::string& where() const { return m_where; }

private:
    std::string m_where;
};

void readText(const EntryReader& reader, std::string_view field, const std::string& text,
              Tick& tick, std::vector<std::string>& vars) {
    try {
        const FieldScan scan = scanFields(text);
        tick = scan.tick;
        vars = scan.vars;
    } catch (const ProgramError& error) {
        reader.fail(field, error.what());
    }
}

Entry readEntry(const Json& json, std::size_t index) {
    Entry entry;
    std::string where = "entry " + std::to_string(index + 1);
    if (!json.is_object())
        throw ProgramError(where + ": not an object");
    if (const auto it = json.find("name"); it != json.end()) {
        entry.name = EntryReader(where).string(*it, "name");
        where += " \"" + entry.name + "\"";
    } else {
        entry.name = std::to_string(index + 1);
    }
    const EntryReader reader(where);
    bool text = false;
    std::optional<int> from, to;
    for (const auto& [key, value] : json.items()) {
        if (key == "name") {
        } else if (key == "text") {
            entry.text = reader.string(value, key);
            text = true;
        } else if (key == "days") {
            entry.days = reader.days(value);
        } else if (key == "dates") {
            entry.dates = reader.dates(value);
        } else if (key == "from") {
            from = reader.clock(value, key);
        } else if (key == "to") {
            to = reader.clock(value, key);
        } else if (key == "priority") {
            entry.priority = reader.priority(value);
        } else if (key == "until") {
            entry.until = reader.until(value);
        } else {
            reader.fail(key, "unknown field (name, text, days, dates, from, to, priority, until)");
        }
    }
    if (!text)
        reader.fail("text", "missing");
    readText(reader, "text", entry.text, entry.tick, entry.vars);
    entry.from = from.value_or(0);
    entry.to = to.value_or(DayMinutes);
    if (entry.from == DayMinutes)
        reader.fail("from", "a window cannot start at 24:00");
    if (entry.to == 0)
        entry.to = DayMinutes; // "00:00" ends at midnight
    if (entry.to == entry.from)
        reader.fail("to", "the window is empty: it ends when it starts");
    // A window that crosses midnight runs from the afternoon or evening into the morning;
    // anything else with "to" before "from" is taken for a slip.
    if (entry.to < entry.from && (entry.from < 12 * 60 || entry.to > 12 * 60))
        reader.fail("to", formatClock(entry.to) + " is before \"from\" " + formatClock(entry.from) +
                              " on the same day (a window crossing midnight runs from after "
                              "12:00 to 12:00 or before)");
    return entry;
}

} // namespace

std::string formatClock(int minutes) {
    char out[8];
    std::snprintf(out, sizeof out, "%02d:%02d", minutes / 60 % 100, minutes % 60);
    return out;
}

Program parseProgram(std::string_view text) {
    Json json;
    try {
        json = Json::parse(text);
    } catch (const Json::exception& error) {
        throw ProgramError(std::string("not valid JSON: ") + error.what());
    }
    if (!json.is_object())
        throw ProgramError("the program is not a JSON object");
    Program program;
    const EntryReader reader("the program");
    bool entries = false;
    for (const auto& [key, value] : json.items()) {
        if (key == "timezone") {
            program.timezone = reader.string(value, key);
        } else if (key == "default") {
            program.defaultText = reader.string(value, key);
            std::vector<std::string> vars;
            readText(reader, key, program.defaultText, program.defaultTick, vars);
        } else if (key == "clear") {
            program.clear = reader.string(value, key);
        } else if (key == "entries") {
            if (!value.is_array())
                reader.fail(key, "not a list");
            for (std::size_t i = 0; i < value.size(); ++i)
                program.entries.push_back(readEntry(value[i], i));
            entries = true;
        } else {
            reader.fail(key, "unknown field (timezone, default, clear, entries)");
        }
    }
    if (!entries)
        reader.fail("entries", "missing");
    return program;
}

} // namespace program
