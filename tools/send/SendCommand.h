#pragma once

#include "SendOptions.h"
#include "SendTexts.h"

#include <cstdio>
#include <functional>

namespace sendtool {

// The exit statuses, as documented in --help and the manual page.
enum Exit : int {
    ExitSent = 0,
    ExitMisread = 1, // --check found codes the sign would misread
    ExitUsage = 2,   // bad usage or unreadable input
    ExitOpen = 3,    // the port cannot be opened
    ExitWrite = 4,   // the write failed or did not complete
    ExitCancelled = 5,
    ExitTooLong = 6,     // the text's frame would not fit the sign's buffer; nothing opened
    ExitUnconfirmed = 7, // sent, but the line settings were refused or not confirmed
};

// Where the command talks to and what it knows of its surroundings.
struct Console {
    std::FILE* in = stdin;
    std::FILE* out = stdout;
    std::FILE* err = stderr;
    bool errIsTerminal = false;
    Language language = Language::English;
    // Called once a port is about to be opened: from then on an interrupt cancels the upload
    // and interrupted() tells of it. Until then an interrupt ends the program as usual.
    std::function<void()> catchInterrupts = [] {};
    std::function<bool()> interrupted = [] { return false; };
};

// Carries out a parsed command line (not --help or --version) and gives the exit status.
int runSend(const Options& options, const Console& console);

} // namespace sendtool
