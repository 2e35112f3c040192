#include "program/ProgramFields.h"
#include "program/Program.h"

#include "base/Json.h"

#include <charconv>

namespace program {
namespace {

[[noreturn]] void fail(const std::string& where, std::string_view field, const char* why) {
    throw ProgramError(where + ": \"" + std::string(field) + "\": " + why);
}

std::string text(const Json& value, const std::string& where, std::string_view field) {
    if (!value.is_string())
        fail(where, field, "not a string");
    return value.get<std::string>();
}

// A string, or a list of them as the parser also takes it.
std::string list(const Json& value, const std::string& where, std::string_view field) {
    if (!value.is_array())
        return text(value, where, field);
    std::string joined;
    for (const Json& item : value)
        joined += (joined.empty() ? "" : ", ") + text(item, where, field);
    return joined;
}

EntryFields readEntry(const Json& json, std::size_t index) {
    const std::string where = "entry " + std::to_string(index + 1);
    if (!json.is_object())
        throw ProgramError(where + ": not an object");
    EntryFields e;
    for (const auto& [key, value] : json.items()) {
        if (key == "name")
            e.name = text(value, where, key);
        else if (key == "text")
            e.text = text(value, where, key);
        else if (key == "days")
            e.days = list(value, where, key);
        else if (key == "dates")
            e.dates = list(value, where, key);
        else if (key == "from")
            e.from = text(value, where, key);
        else if (key == "to")
            e.to = text(value, where, key);
        else if (key == "until")
            e.until = text(value, where, key);
        else if (key == "priority")
            e.priority = value.is_string() ? value.get<std::string>() : value.dump();
        else
            fail(where, key, "unknown field (name, text, days, dates, from, to, priority, until)");
    }
    return e;
}

std::string trimmed(const std::string& s) {
    const auto first = s.find_first_not_of(' ');
    return first == std::string::npos ? std::string()
                                      : s.substr(first, s.find_last_not_of(' ') + 1 - first);
}

} // namespace

ProgramFields readProgramFields(std::string_view json) {
    Json doc;
    try {
        doc = Json::parse(json);
    } catch (const Json::exception& error) {
        throw ProgramError(std::string("not valid JSON: ") + error.what());
    }
    if (!doc.is_object())
        throw ProgramError("the program is not a JSON object");
    ProgramFields p;
    const std::string where = "the program";
    for (const auto& [key, value] : doc.items()) {
        if (key == "timezone") {
            p.timezone = text(value, where, key);
        } else if (key == "default") {
            p.defaultText = text(value, where, key);
        } else if (key == "clear") {
            p.clear = text(value, where, key);
        } else if (key == "entries") {
            if (!value.is_array())
                fail(where, key, "not a list");
            for (std::size_t i = 0; i < value.size(); ++i)
                p.entries.push_back(readEntry(value[i], i));
        } else {
            fail(where, key, "unknown field (timezone, default, clear, entries)");
        }
    }
    return p;
}

std::string writeProgramFields(const ProgramFields& p) {
    Json doc = Json::object();
    if (!p.timezone.empty())
        doc["timezone"] = p.timezone;
    doc["default"] = p.defaultText;
    if (p.clear)
        doc["clear"] = *p.clear;
    Json entries = Json::array();
    for (const EntryFields& e : p.entries) {
        Json entry = Json::object();
        const auto put = [&](const char* key, const std::string& value) {
            if (!value.empty())
                entry[key] = value;
        };
        put("name", e.name);
        entry["text"] = e.text;
        put("days", e.days);
        put("dates", e.dates);
        put("from", e.from);
        put("to", e.to);
        // Anything but a whole number stays text, for the parser to say what is wrong with it.
        const std::string priority = trimmed(e.priority);
        long long number = 0;
        const auto [end, ec] =
            std::from_chars(priority.data(), priority.data() + priority.size(), number);
        if (!priority.empty() && ec == std::errc() && end == priority.data() + priority.size())
            entry["priority"] = number;
        else
            put("priority", e.priority);
        put("until", e.until);
        entries.push_back(std::move(entry));
    }
    doc["entries"] = std::move(entries);
    return doc.dump(2, ' ', false, Json::error_handler_t::replace) + "\n";
}

} // namespace program
