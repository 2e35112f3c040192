#pragma once

#include "base/Language.h"

#include <initializer_list>
#include <span>
#include <string>
#include <string_view>

// Everything lumetra-send tells its user, in English and in Russian, from one table.
namespace sendtool {

enum class Msg {
    Usage,
    TryHelp,
    UnknownOption,
    MissingValue,
    BadPort,
    BadEncoding,
    NoInput,
    TwoInputs,
    Conflict,
    CannotRead,
    FontTooShort,
    Replaced,
    TooLong,
    CannotWrite,
    NoLetter,
    UnknownLetter,
    NoDigit,
    LineEnd,
    DigitNotTaken,
    StandardInput,
    Bytes,
    Left,
    EmptyValue,
    BadMaxLength,
    OverLimit,
    OverMaxLength,
    DumpIsInput,
    BadBrokerUrl,
    Unreachable,
    NoSigns,
    Online,
    Offline,
    Count
};

// The text of `id`; UTF-8.
std::string_view text(Msg id, Language language);

// `pattern` with %1..%9 replaced by `args` in order.
std::string format(std::string_view pattern, std::span<const std::string_view> args);

// text() and format() in one.
std::string say(Language language, Msg id, std::initializer_list<std::string_view> args = {});

} // namespace sendtool
