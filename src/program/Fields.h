#pragma once

#include "program/Program.h"

#include <string>
#include <string_view>
#include <vector>

// The fields of a program's texts: {date}, {date:dd.MM.yyyy}, {time}, {time:HH:mm}, {weekday}
// and {var:name}; "{{" is a brace of the text.
namespace program {

struct FieldScan {
    Tick tick = Tick::Never;
    std::vector<std::string> vars;
};

// Throws ProgramError naming the field it cannot take.
FieldScan scanFields(std::string_view text);

// The text with its fields filled at local time `local`. A variable never set is "?", and its
// name goes to `unset`.
std::string fillFields(std::string_view text, LocalSeconds local, const Vars& vars,
                       std::vector<std::string>& unset);

// "08:05" of minutes of the day.
std::string formatClock(int minutes);

} // namespace program
