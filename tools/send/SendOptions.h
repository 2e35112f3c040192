#pragma once

#include "SendTexts.h"

#include <cstddef>
#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace sendtool {

enum class Encoding { Auto, Cp1251, Utf8 };

// The highest port number --port takes: Windows numbers its COM ports up to 255.
inline constexpr int MaxPort = 255;
// The highest --max-length: no longer text fits the sign's buffer anyway.
inline constexpr std::size_t MaxMaxLength = 65500;

struct Options {
    std::string input;  // the text or font file; "-" is standard input
    bool font = false;  // the input is a .zg font
    int port = 0;       // --port 1..MaxPort; 0 when not given
    std::string device; // --device
    // --password-file FILE: the password of the user of an mqtt:// device; without it, the
    // settings' [Broker] PasswordFile.
    std::string passwordFile;
    std::string status; // --status URL: list the signs of that broker, send nothing
    Encoding encoding = Encoding::Auto;
    std::optional<std::string> dump; // --dump FILE ("-" standard output)
    // --max-length N: the most characters a text may have; without it, the window's limit
    // chosen in its "Опции" menu.
    std::optional<std::size_t> maxLength;
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
