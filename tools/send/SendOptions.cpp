#include "SendOptions.h"

#include "upload/LinkUrl.h"

#include <string>
#include <utility>

namespace sendtool {
namespace {

enum class Takes { Nothing, Value };

struct Spec {
    std::string_view name;
    Takes takes;
};

constexpr Spec Specs[] = {
    {"--port", Takes::Value},       {"--device", Takes::Value}, {"--encoding", Takes::Value},
    {"--dump", Takes::Value},       {"--font", Takes::Value},   {"--hex", Takes::Nothing},
    {"--check", Takes::Nothing},    {"--json", Takes::Nothing}, {"--quiet", Takes::Nothing},
    {"--help", Takes::Nothing},     {"-h", Takes::Nothing},     {"--version", Takes::Nothing},
    {"--max-length", Takes::Value},
};

const Spec* findSpec(std::string_view name) {
    for (const Spec& spec : Specs)
        if (spec.name == name)
            return &spec;
    return nullptr;
}

std::optional<Encoding> encodingNamed(std::string_view name) {
    if (name == "auto")
        return Encoding::Auto;
    if (name == "cp1251" || name == "windows-1251")
        return Encoding::Cp1251;
    if (name == "utf-8" || name == "utf8")
        return Encoding::Utf8;
    return std::nullopt;
}

// A whole number from 1 to `most` written plainly (no sign, no leading zero); 0 otherwise.
std::size_t plainNumber(const std::string& value, std::size_t most) {
    const bool digits = !value.empty() && value.size() <= 9 && value[0] != '0' &&
                        value.find_first_not_of("0123456789") == std::string::npos;
    const std::size_t n = digits ? std::stoul(value) : 0;
    return n <= most ? n : 0;
}

// Applies one option; a usage error when its value is wrong.
std::optional<UsageError> apply(Options& o, std::string_view name, const std::string& value,
                                bool& encodingGiven) {
    if (name == "--port" && looksLikeUrl(value)) {
        o.device = value; // a converter's port, named as --device names it
    } else if (name == "--port") {
        // 1..5 are the window's port items; a higher number names the system's COM N (or the
        // settings' "COM N" entry), as Windows numbers its ports.
        const std::size_t port = plainNumber(value, MaxPort);
        if (port == 0)
            return UsageError{Msg::BadPort, {value}};
        o.port = static_cast<int>(port);
    } else if (name == "--max-length") {
        const std::size_t most = plainNumber(value, MaxMaxLength);
        if (most == 0)
            return UsageError{Msg::BadMaxLength, {value}};
        o.maxLength = most;
    } else if (name == "--device") {
        o.device = value;
    } else if (name == "--encoding") {
        const auto encoding = encodingNamed(value);
        if (!encoding)
            return UsageError{Msg::BadEncoding, {value}};
        o.encoding = *encoding;
        encodingGiven = true;
    } else if (name == "--dump") {
        o.dump = value;
    } else if (name == "--font") {
        if (!o.input.empty())
            return UsageError{Msg::TwoInputs, {o.input, value}};
        o.input = value;
        o.font = true;
    } else if (name == "--hex") {
        o.hex = true;
    } else if (name == "--check") {
        o.check = true;
    } else if (name == "--json") {
        o.json = true;
    } else if (name == "--quiet") {
        o.quiet = true;
    } else if (name == "--version") {
        o.version = true;
    } else {
        o.help = true;
    }
    return std::nullopt;
}

std::optional<UsageError> conflicts(const Options& o, bool encodingGiven) {
    const std::pair<bool, std::pair<const char*, const char*>> pairs[] = {
        {o.port != 0 && !o.device.empty(), {"--port", "--device"}},
        {o.font && o.check, {"--font", "--check"}},
        {o.font && encodingGiven, {"--font", "--encoding"}},
        {o.font && o.maxLength, {"--font", "--max-length"}},
        {o.check && o.dump.has_value(), {"--check", "--dump"}},
        {o.check && o.hex, {"--check", "--hex"}},
        // The JSON line keeps standard output to itself.
        {o.json && (o.dump == "-" || (o.hex && !o.dump)), {"--json", "--dump -"}},
    };
    for (const auto& [clash, names] : pairs)
        if (clash)
            return UsageError{Msg::Conflict, {names.first, names.second}};
    return std::nullopt;
}

} // namespace

std::variant<Options, UsageError> parseOptions(const std::vector<std::string>& args) {
    Options o;
    bool encodingGiven = false;
    bool optionsEnded = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (optionsEnded || arg == "-" || arg.empty() || arg[0] != '-') {
            if (!o.input.empty())
                return UsageError{Msg::TwoInputs, {o.input, arg}};
            o.input = arg;
            continue;
        }
        if (arg == "--") {
            optionsEnded = true;
            continue;
        }
        const auto equals = arg.find('=');
        const std::string name = arg.substr(0, equals);
        const Spec* spec = findSpec(name);
        if (!spec || (spec->takes == Takes::Nothing && equals != std::string::npos))
            return UsageError{Msg::UnknownOption, {arg}};
        std::string value;
        if (spec->takes == Takes::Value) {
            if (equals != std::string::npos)
                value = arg.substr(equals + 1);
            else if (i + 1 < args.size())
                value = args[++i];
            else
                return UsageError{Msg::MissingValue, {name}};
            // An unset shell variable must not stand for "the default": an empty --device
            // would send to the settings' port.
            if (value.empty())
                return UsageError{Msg::EmptyValue, {name}};
        }
        if (auto error = apply(o, name, value, encodingGiven))
            return *error;
        if (o.help || o.version)
            return o;
    }
    if (auto error = conflicts(o, encodingGiven))
        return *error;
    if (o.input.empty())
        return UsageError{Msg::NoInput, {}};
    return o;
}

} // namespace sendtool
