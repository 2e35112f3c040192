#include "SendOptions.h"

#include "frames/LinkUrl.h"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <string>
#include <utility>

namespace sendtool {
namespace {

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

// The option values as given, checked once the whole command line is read.
struct Given {
    std::string port, maxLength, encoding, dump;
    std::vector<std::string> fonts, inputs;
};

// Two things CLI11 reads otherwise than this tool always has: a flag given a value
// ("--json=1") is no option of ours rather than true or false, and "--device=" (an unset shell
// variable) is an empty value rather than "take the next argument". Returns CLI11's argument
// list, last argument first.
std::variant<std::vector<std::string>, UsageError> prepared(const CLI::App& app,
                                                            const std::vector<std::string>& args) {
    std::vector<std::string> out;
    bool optionsEnded = false;
    for (const std::string& arg : args) {
        optionsEnded = optionsEnded || arg == "--";
        const auto equals = arg.find('=');
        if (optionsEnded || !arg.starts_with("--") || equals == std::string::npos) {
            out.push_back(arg);
            continue;
        }
        const std::string name = arg.substr(0, equals);
        const CLI::Option* option = app.get_option_no_throw(name);
        if (option && option->get_items_expected_max() == 0)
            return UsageError{Msg::UnknownOption, {arg}};
        out.push_back(name);
        out.push_back(arg.substr(equals + 1));
    }
    std::reverse(out.begin(), out.end());
    return out;
}

// The values' own checks, then the ones between options.
std::optional<UsageError> check(Options& o, const Given& g, const CLI::App& app) {
    // An unset shell variable must not stand for "the default": an empty --device would send
    // to the settings' port.
    for (const char* name : {"--port", "--device", "--encoding", "--dump", "--font", "--max-length",
                             "--password-file", "--status"}) {
        const CLI::Option* option = app.get_option(name);
        if (option->count() > 0 && option->results().back().empty())
            return UsageError{Msg::EmptyValue, {name}};
    }
    if (looksLikeUrl(g.port)) {
        o.device = g.port; // a converter's port, named as --device names it
    } else if (!g.port.empty()) {
        // 1..5 are the window's port items; a higher number names the system's COM N (or the
        // settings' "COM N" entry), as Windows numbers its ports.
        const std::size_t port = plainNumber(g.port, MaxPort);
        if (port == 0)
            return UsageError{Msg::BadPort, {g.port}};
        o.port = static_cast<int>(port);
    }
    if (app.count("--dump") > 0)
        o.dump = g.dump;
    if (!g.maxLength.empty()) {
        const std::size_t most = plainNumber(g.maxLength, MaxMaxLength);
        if (most == 0)
            return UsageError{Msg::BadMaxLength, {g.maxLength}};
        o.maxLength = most;
    }
    if (!g.encoding.empty()) {
        const auto encoding = encodingNamed(g.encoding);
        if (!encoding)
            return UsageError{Msg::BadEncoding, {g.encoding}};
        o.encoding = *encoding;
    }
    std::vector<std::string> inputs = g.inputs;
    inputs.insert(inputs.end(), g.fonts.begin(), g.fonts.end());
    if (inputs.size() > 1)
        return UsageError{Msg::TwoInputs, {inputs[0], inputs[1]}};
    o.font = !g.fonts.empty();
    o.input = inputs.empty() ? std::string() : inputs[0];

    const bool encodingGiven = !g.encoding.empty();
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
    if (!o.status.empty()) {
        // Nothing is sent: no input, no port, no frame options.
        const std::pair<bool, const char*> others[] = {{!o.input.empty(), o.input.c_str()},
                                                       {o.port != 0 || !g.port.empty(), "--port"},
                                                       {!o.device.empty(), "--device"},
                                                       {o.font, "--font"},
                                                       {o.dump.has_value(), "--dump"},
                                                       {o.hex, "--hex"},
                                                       {o.check, "--check"},
                                                       {encodingGiven, "--encoding"},
                                                       {o.maxLength.has_value(), "--max-length"}};
        for (const auto& [given, name] : others)
            if (given)
                return UsageError{Msg::Conflict, {"--status", name}};
        std::string why;
        if (!parseBrokerUrl(o.status, &why))
            return UsageError{Msg::BadBrokerUrl, {o.status, why}};
        return std::nullopt;
    }
    if (o.input.empty())
        return UsageError{Msg::NoInput, {}};
    return std::nullopt;
}

} // namespace

std::variant<Options, UsageError> parseOptions(const std::vector<std::string>& args) {
    Options o;
    Given g;
    CLI::App app;
    app.set_help_flag("-h,--help");
    app.set_version_flag("--version", std::string());
    // A value given twice: the last one counts, as a script that adds to a command line expects.
    app.option_defaults()->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
    app.add_option("--port", g.port);
    app.add_option("--device", o.device);
    app.add_option("--encoding", g.encoding);
    app.add_option("--dump", g.dump);
    app.add_option("--max-length", g.maxLength);
    app.add_option("--password-file", o.passwordFile);
    app.add_option("--status", o.status);
    // Each --font one name; a second one is refused as a second input.
    app.add_option("--font", g.fonts)
        ->allow_extra_args(false)
        ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
    app.add_flag("--hex", o.hex);
    app.add_flag("--check", o.check);
    app.add_flag("--json", o.json);
    app.add_flag("--quiet", o.quiet);
    app.add_option("input", g.inputs)->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);

    auto cli = prepared(app, args);
    if (const auto* error = std::get_if<UsageError>(&cli))
        return *error;
    try {
        app.parse(std::get<std::vector<std::string>>(cli));
    } catch (const CLI::CallForHelp&) {
        o.help = true;
        return o;
    } catch (const CLI::CallForVersion&) {
        o.version = true;
        return o;
    } catch (const CLI::ExtrasError& e) {
        const std::vector<std::string> extras = app.remaining();
        return UsageError{Msg::UnknownOption, {extras.empty() ? e.what() : extras.front()}};
    } catch (const CLI::ArgumentMismatch&) {
        // An option that takes a value takes the next argument whatever it is: only the last
        // one can go without.
        return UsageError{Msg::MissingValue, {args.back()}};
    } catch (const CLI::ParseError& e) {
        return UsageError{Msg::UnknownOption, {e.what()}};
    }
    if (auto error = check(o, g, app))
        return *error;
    return o;
}

} // namespace sendtool
