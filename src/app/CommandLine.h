#pragma once

#include <QString>
#include <QStringList>

#include <optional>
#include <string>

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
    // --data-folder: the folder to work in, the default one when none is named.
    std::optional<QString> dataFolder;
    // -platform: Qt is told itself where to open the windows.
    bool platformNamed = false;
};

// `arguments` with the program's name first. Options Qt itself reads (-platform, -style,
// -display ...) are taken and left to Qt.
Request parse(const QStringList& arguments);

// The one line said when there is no display to open windows on.
std::string noDisplayMessage();

} // namespace commandline
