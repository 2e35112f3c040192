// lumetra-send: uploads a message text or a font to the sign from a script or a terminal,
// with the same frames and the same port mapping as the window.

#include "Platform.h"
#include "SendCommand.h"
#include "SendOptions.h"
#include "SendStatus.h"
#include "SendTexts.h"
#include "base/Version.h"

#include <cstdio>
#include <string>
#include <vector>

int main(int argc, char** argv) {
    using namespace sendtool;
    platform::prepareConsole();
    const Language language = platform::userLanguage();

    const auto parsed = parseOptions(std::vector<std::string>(argv + 1, argv + argc));
    if (const auto* error = std::get_if<UsageError>(&parsed)) {
        const std::vector<std::string_view> args(error->args.begin(), error->args.end());
        const std::string shown = format(text(error->id, language), args);
        std::fprintf(stderr, "lumetra-send: %s\n%s\n", shown.c_str(),
                     std::string(text(Msg::TryHelp, language)).c_str());
        return ExitUsage;
    }
    const Options& options = std::get<Options>(parsed);
    if (options.help) {
        std::fputs(std::string(text(Msg::Usage, language)).c_str(), stdout);
        return ExitSent;
    }
    if (options.version) {
        std::puts("lumetra-send " LUMETRA_VERSION);
        return ExitSent;
    }

    Console console;
    console.errIsTerminal = platform::isTerminal(stderr);
    console.language = language;
    console.catchInterrupts = platform::catchInterrupts;
    console.interrupted = platform::interrupted;
    return options.status.empty() ? runSend(options, console) : runStatus(options, console);
}
