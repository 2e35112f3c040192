#pragma once

#include <string>
#include <vector>

// What the command line asks of the program, read before any window (or display) exists.
namespace commandline {

enum class Action {
    Run,    // start the windows
    Print,  // print `text` on standard output and exit 0 (--help, --version)
    Refuse, // print `text` on standard error and exit 2
};

struct Request {
    Action action = Action::Run;
    std::string text;
};

// `args` without the program name. Options Qt itself reads (-platform, -style, -display ...)
// are left to Qt, --data-folder to datafolder::takeOption().
Request parse(const std::vector<std::string>& args);

// The one line said when there is no display to open windows on.
std::string noDisplayMessage();

} // namespace commandline
