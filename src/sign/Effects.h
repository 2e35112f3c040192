#pragma once

// The effect codes as the sign reads them: one table of the vocabulary, and the reading of a
// text into codes with where each one differs from how it is written. The player, the
// command-line check, the editor's marks and the preview all go by this reading.

#include "base/Json.h"
#include "base/Language.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace sign {

struct EffectType {
    char letter;
    std::string_view name;       // as reports name the type: "WAIT", "SPEED", ...
    std::string_view russian;    // what it does, %d the digit; for the windows
    std::string_view english;    // the same for the command line
    std::string_view digitMeans; // what the digit stands for, in Russian
    // The digits the sign takes as written; any other runs as `otherwise`.
    int lowest = 0;
    int highest = 9;
    int otherwise = 1;
};

inline constexpr int DefaultValue = 1;
inline constexpr int HighestSpeed = 7;
inline constexpr char DefaultLetter = 'W';

// clang-format off
inline constexpr EffectType EffectTypes[] = {
    {'S', "SPEED",  "скорость %d",            "speed %d",                    "0 медленнее всего, 7 быстрее всего", 0, HighestSpeed, HighestSpeed},
    {'W', "WAIT",   "пауза %d с",             "pause %d s",                  "секунды паузы"},
    {'Q', "QWUKLY", "очистка, пауза %d с",    "clear, then pause %d s",      "секунды паузы после очистки"},
    {'F', "FILL",   "заполнение %f, пауза 1 с", "fill %f, then pause 1 s",   "1 полностью, 2 пустотой, 3 линией внизу, 4 линией в середине, 5 четырьмя линиями", 1, 5},
    {'U', "UP",     "сдвиг вверх, заполнение %u", "shift up, filling %u",    "2 пустотой, иначе полностью", 1, 2},
    {'D', "DOWN",   "сдвиг вниз, заполнение %u",  "shift down, filling %u",  "2 пустотой, иначе полностью", 1, 2},
    // The digit changes nothing: every one is taken as written.
    {'J', "APART",  "разбежка в разные стороны", "the text moves apart to both sides", "не важна"},
    {'I', "INVERT", "инверсия включена",      "inversion on",                "не важна"},
    {'N', "NORMAL", "инверсия выключена",     "inversion off",               "не важна"},
};
// clang-format on

// The row of a letter; nullptr for a letter the sign does nothing with.
const EffectType* effectType(char letter);

// How the sign reads one "/" of a text and what follows it.
struct CodeReading {
    enum class Surprise {
        None,          // "/", a known Latin capital, a digit the type takes: as written
        NoLetter,      // no Latin capital after "/": WAIT ("/5", "1/2", "//S3", "/С1")
        UnknownLetter, // a capital with no effect: the sign does nothing ("/X1")
        NoDigit,       // no digit after the letter: 1 ("/W" then a blank)
        LineEnd,       // the line or the text ends within the code: the rest is cut off
        DigitNotTaken, // a digit the type has no use for: "/S8" runs as /S7, "/F7" as /F1
    };
    std::size_t at = 0;     // of the "/"
    std::size_t length = 1; // characters the sign takes as the code, "/" included
    char letter = DefaultLetter;
    int value = DefaultValue;
    Surprise surprise = Surprise::None;

    bool carriedOut() const { return effectType(letter) != nullptr; }
    // A "/" with no effect letter after it ("1/2", "//", "/" at the end of a line).
    bool loneSlash() const {
        return surprise == Surprise::NoLetter || (surprise == Surprise::LineEnd && length == 1);
    }
    // As the sign runs it, e.g. "/W5" for "/5".
    std::string code() const;
    bool operator==(const CodeReading&) const = default;
};

// Every "/" of a text in the order the sign meets them. Control characters (line breaks
// included) read as the blank the text frame turns them into.
std::vector<CodeReading> readCodes(std::span<const std::uint8_t> text);
// The reading of the "/" at `at`.
CodeReading readCodeAt(std::span<const std::uint8_t> text, std::size_t at);

// How many characters from the "/" the operator reads as the code: what the sign takes, and
// the letters and digits right after a lone "/" ("/С1" rather than "/"), three at most.
std::size_t writtenLength(std::span<const std::uint8_t> text, const CodeReading& code);

// The digits a type takes as written: "от 1 до 5", "1 или 2"; "1 to 5", "1 or 2".
std::string digitsTaken(const EffectType& type, Language language);
// Said after a lone "/": the sign has no way to show the character itself.
std::string_view slashNote(Language language);

// What the sign does, e.g. "пауза 5 с", "скорость 7"; the speed is the one it runs.
std::string effectDoes(char letter, int value, Language language);
inline std::string effectDoes(const CodeReading& code, Language language) {
    return effectDoes(code.letter, code.value, language);
}

// One JSON object of an effect the sign carries out:
// {"at":7,"code":"/S5","type":"SPEED","value":5}
Json effectJson(const CodeReading& code);
// The effects of a text the sign carries out, as a JSON array.
Json effectsJson(std::span<const std::uint8_t> text);

} // namespace sign
