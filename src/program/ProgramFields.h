#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

// A program as its file has it, every field as written: what a window edits and saves back
// without rewriting a day list or a moment the operator typed. Whether it is a program that
// runs is for parseProgram and loadProgram to say.
namespace program {

struct EntryFields {
    std::string name, days, dates, from, to, priority, until, text;
    bool operator==(const EntryFields&) const = default;
};

struct ProgramFields {
    std::string timezone;
    std::string defaultText;
    std::optional<std::string> clear; // none: the usual "/Q1"
    std::vector<EntryFields> entries;
    bool operator==(const ProgramFields&) const = default;
};

// Lists of days or dates come back as one comma-separated text. Throws ProgramError for what
// is no program file: bad JSON, a field it does not know, a value of the wrong kind.
ProgramFields readProgramFields(std::string_view json);
// The .lprog file (UTF-8 JSON): an entry's empty fields left out, a priority that is a whole
// number written as a number.
std::string writeProgramFields(const ProgramFields& fields);

} // namespace program
