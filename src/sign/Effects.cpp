#include "sign/Effects.h"

namespace sign {
namespace {

using Surprise = CodeReading::Surprise;

bool isCapital(std::uint8_t c) {
    return c >= 'A' && c <= 'Z';
}
bool isDigit(std::uint8_t c) {
    return c >= '0' && c <= '9';
}
bool endsLine(std::span<const std::uint8_t> text, std::size_t i) {
    return i >= text.size() || text[i] == '\r' || text[i] == '\n';
}

struct Variant {
    std::string_view russian;
    std::string_view english;
};

// The fill patterns 1..5; any other digit fills fully.
constexpr Variant FillPatterns[] = {
    {"полностью", "full"},
    {"пустотой", "empty"},
    {"линией внизу", "a line at the bottom"},
    {"линией в середине", "a line in the middle"},
    {"четырьмя линиями", "four lines"},
};

Variant fillPattern(int value) {
    return value >= 1 && value <= 5 ? FillPatterns[value - 1] : FillPatterns[0];
}

Variant shiftFilling(int value) {
    return value == 2 ? FillPatterns[1] : FillPatterns[0];
}

} // namespace

const EffectType* effectType(char letter) {
    for (const EffectType& type : EffectTypes)
        if (type.letter == letter)
            return &type;
    return nullptr;
}

std::string CodeReading::code() const {
    return {'/', letter, static_cast<char>('0' + value)};
}

CodeReading readCodeAt(std::span<const std::uint8_t> text, std::size_t at) {
    CodeReading r;
    r.at = at;
    std::size_t i = at + 1;
    const auto note = [&r](Surprise s) {
        if (r.surprise == Surprise::None)
            r.surprise = s;
    };
    if (i < text.size() && isCapital(text[i])) {
        r.letter = static_cast<char>(text[i++]);
        if (!effectType(r.letter))
            note(Surprise::UnknownLetter);
    } else {
        note(endsLine(text, i) ? Surprise::LineEnd : Surprise::NoLetter);
    }
    if (i < text.size() && isDigit(text[i])) {
        r.value = text[i++] - '0';
        const EffectType* type = effectType(r.letter);
        if (type && (r.value < type->lowest || r.value > type->highest)) {
            note(Surprise::DigitNotTaken);
            r.value = type->otherwise;
        }
    } else {
        note(endsLine(text, i) ? Surprise::LineEnd : Surprise::NoDigit);
    }
    r.length = i - at;
    return r;
}

std::vector<CodeReading> readCodes(std::span<const std::uint8_t> text) {
    std::vector<CodeReading> codes;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '/')
            continue;
        codes.push_back(readCodeAt(text, i));
        i += codes.back().length - 1;
    }
    return codes;
}

std::size_t writtenLength(std::span<const std::uint8_t> text, const CodeReading& code) {
    std::size_t end = code.at + code.length;
    while (end < text.size() && end < code.at + 3) {
        const std::uint8_t c = text[end];
        const bool letterOrDigit =
            isDigit(c) || isCapital(c) || (c >= 'a' && c <= 'z') || c >= 0xC0;
        if (!letterOrDigit)
            break;
        ++end;
    }
    return end - code.at;
}

std::string digitsTaken(const EffectType& type, Language language) {
    const bool russian = language == Language::Russian;
    const std::string lowest = std::to_string(type.lowest), highest = std::to_string(type.highest);
    if (type.highest == type.lowest + 1)
        return lowest + (russian ? " или " : " or ") + highest;
    return russian ? "от " + lowest + " до " + highest : lowest + " to " + highest;
}

std::string_view slashNote(Language language) {
    // Every "/" starts a code, "//" included, and the code page has no other slash nor a half.
    return language == Language::Russian
               ? "Знак «/» табло не показывает никак: с него всегда начинается код. Дробь "
                 "пишите словами: «1 к 2», «пол»."
               : "The sign cannot show a \"/\" at all: every \"/\" starts a code. Write a "
                 "fraction in words: \"1 к 2\", \"пол\".";
}

std::string effectDoes(char letter, int value, Language language) {
    const EffectType* type = effectType(letter);
    const bool russian = language == Language::Russian;
    if (!type)
        return russian ? "ничего не делает" : "does nothing";
    const std::string_view pattern = russian ? type->russian : type->english;
    std::string out;
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        if (pattern[i] != '%' || i + 1 == pattern.size()) {
            out += pattern[i];
            continue;
        }
        switch (pattern[++i]) {
        case 'd':
            out += std::to_string(letter == 'S' && value > HighestSpeed ? HighestSpeed : value);
            break;
        case 'f': {
            const Variant v = fillPattern(value);
            out += russian ? v.russian : v.english;
            break;
        }
        case 'u': {
            const Variant v = shiftFilling(value);
            out += russian ? v.russian : v.english;
            break;
        }
        default:
            out += pattern[i];
        }
    }
    return out;
}

Json effectJson(const CodeReading& code) {
    return {{"at", code.at},
            {"code", code.code()},
            {"type", effectType(code.letter)->name},
            {"value", code.value}};
}

Json effectsJson(std::span<const std::uint8_t> text) {
    Json effects = Json::array();
    for (const CodeReading& code : readCodes(text))
        if (code.carriedOut())
            effects.push_back(effectJson(code));
    return effects;
}

} // namespace sign
