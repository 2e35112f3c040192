#pragma once

#include <cstddef>
#include <string_view>
#include <vector>

// The effect codes the sign understands inside a message: "/", a Latin capital letter of
// EffectLetters, a digit "0".."7". The editor never changes a code; this only finds those the
// sign would misread, for the operator to look at.
namespace effectcodes {

inline constexpr std::string_view EffectLetters = "SWQFUDJIN";

struct Misread {
    enum class Kind {
        BadLetter, // "/" and a letter the sign knows no effect for (a Cyrillic look-alike too)
        BadDigit,  // a known letter not followed by "0".."7"
    };
    Kind kind;
    std::size_t offset; // of the "/" in the text
    std::size_t line;   // from 1; CR LF, LF and CR each end a line, as in the editor
    std::size_t column; // from 1: characters since the start of the line, plus 1
};

// Every misread code of a Windows-1251 text, first to last. A "/" followed by anything but a
// letter (a blank, a digit, the end) is no code and is left alone.
std::vector<Misread> findMisread(std::string_view cp1251);

// Whether a Windows-1251 byte is a letter (Latin, Cyrillic with the Ukrainian, Belarusian,
// Serbian and Macedonian ones).
bool isLetter(unsigned char byte);

} // namespace effectcodes
