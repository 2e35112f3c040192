#include "editor/EffectCodes.h"

namespace effectcodes {
namespace {

// The Windows-1251 letters between 0x80 and 0xBF: Ђ Ѓ ѓ Љ Њ Ќ Ћ Џ ђ љ њ ќ ћ џ Ў ў Ј Ґ Ё Є Ї
// І і ґ ё є ј Ѕ ѕ ї.
constexpr std::string_view ExtraLetters = "\x80\x81\x83\x8A\x8C\x8D\x8E\x8F\x90\x9A\x9C\x9D\x9E"
                                          "\x9F\xA1\xA2\xA3\xA5\xA8\xAA\xAF\xB2\xB3\xB4\xB8\xBA"
                                          "\xBC\xBD\xBE\xBF";

} // namespace

bool isLetter(unsigned char byte) {
    if ((byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z') || byte >= 0xC0)
        return true;
    return ExtraLetters.find(static_cast<char>(byte)) != std::string_view::npos;
}

std::vector<Misread> findMisread(std::string_view text) {
    std::vector<Misread> found;
    std::size_t line = 1;
    std::size_t lineStart = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\r' || c == '\n') {
            if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
                ++i;
            ++line;
            lineStart = i + 1;
            continue;
        }
        if (c != '/' || i + 1 >= text.size())
            continue;
        const auto letter = static_cast<unsigned char>(text[i + 1]);
        if (!isLetter(letter))
            continue;
        const Misread at{Misread::Kind::BadLetter, i, line, i - lineStart + 1};
        if (EffectLetters.find(static_cast<char>(letter)) == std::string_view::npos) {
            found.push_back(at);
            continue;
        }
        const bool digit = i + 2 < text.size() && text[i + 2] >= '0' && text[i + 2] <= '7';
        if (!digit)
            found.push_back({Misread::Kind::BadDigit, at.offset, at.line, at.column});
    }
    return found;
}

} // namespace effectcodes
