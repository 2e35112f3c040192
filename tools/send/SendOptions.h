#pragma once

#include "SendTexts.h"

#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace sendtool {

enum class Encoding { Auto, Cp1251, Utf8 };

// The highest port number --port takes: Windows numbers its COM ports up to 255.
inline constexpr int MaxPort = 255;

struct Options {
    std::string input;  // the text or font file; "-" is standard input
    bool font = false;  // the input is a .zg font
    int port = 0;       // --port 1..MaxPort; 0 when not given
    std::string device; // --device
    Encoding encoding = Encoding::Auto;
    std::optional<std::string> dump; // --dump FILE ("-" standard output)
    bool hex = false;
    bool check = false;
    bool json = false;
    bool quiet = false;
    bool help = false;
    bool version = false;
};

// Why the command line was refused: the message and its arguments.
struct UsageError {
    Msg id;
    std::vector<std::string> args;
};

std::variant<Options, UsageError> parseOptions(const std::vector<std::string>& args);

} // namespace sendtool
