#include "base/QtAdapt.h"

#include "base/Cp1251.h"

#include <array>
#include <unordered_map>

namespace qtadapt {
namespace {

// The core's table, with a reverse lookup for the editor's characters.
struct Cp1251Tables {
    std::array<char16_t, 256> toUnicode{};
    std::unordered_map<char16_t, std::uint8_t> fromUnicode;

    Cp1251Tables() {
        for (int b = 0; b < 256; ++b) {
            const auto byte = static_cast<std::uint8_t>(b);
            toUnicode[b] = static_cast<char16_t>(cp1251::cp1251ToUnicode(byte));
            fromUnicode.emplace(toUnicode[b], byte);
        }
    }
};

const Cp1251Tables& tables() {
    static const Cp1251Tables instance;
    return instance;
}

} // namespace

std::string toCp1251(const QString& text, int* replaced) {
    const auto& map = tables().fromUnicode;
    std::string out;
    out.reserve(static_cast<std::size_t>(text.size()));
    int count = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        const auto it = map.find(c.unicode());
        if (it != map.end()) {
            out.push_back(static_cast<char>(it->second));
            continue;
        }
        // A surrogate pair is one character on screen and one "?" in the text.
        if (c.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate())
            ++i;
        out.push_back('?');
        ++count;
    }
    if (replaced)
        *replaced = count;
    return out;
}

QString fromCp1251(std::string_view bytes) {
    const auto& table = tables().toUnicode;
    QString out;
    out.reserve(static_cast<qsizetype>(bytes.size()));
    for (const char b : bytes)
        out.append(QChar(table[static_cast<std::uint8_t>(b)]));
    return out;
}

bool inCp1251(QChar c) {
    return tables().fromUnicode.count(c.unicode()) != 0;
}

QString nativePath(const QString& heldName) {
#ifdef Q_OS_WIN
    return heldName;
#else
    QString path = heldName;
    path.replace(QLatin1Char('\\'), QLatin1Char('/'));
    return path;
#endif
}

} // namespace qtadapt
