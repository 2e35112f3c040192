#include "editor/MessageText.h"

#include "base/QtAdapt.h"

namespace messagetext {
namespace {

constexpr char16_t FirstPicture = 0x2400; // SYMBOL FOR NULL; the 32 C0 controls follow it
constexpr char16_t DeletePicture = 0x2421;
constexpr char16_t Unassigned = 0x0098; // what the code page table gives for byte 0x98
constexpr char16_t UnassignedShown = 0xFFFD;

bool isControl(char16_t c) {
    return c < 0x20 || c == 0x7F;
}
bool keepsItsByte(char16_t c) {
    return c == u'\t' || c == u'\n';
}

char16_t pictureOf(char16_t control) {
    return control == 0x7F ? DeletePicture : static_cast<char16_t>(FirstPicture + control);
}

// The pictures the editor uses, that is all but those of TAB, LF and CR.
bool isPicture(char16_t c) {
    if (c == DeletePicture)
        return true;
    if (c < FirstPicture || c >= FirstPicture + 0x20)
        return false;
    const char16_t control = c - FirstPicture;
    return !keepsItsByte(control) && control != u'\r';
}

} // namespace

QString fromFileBytes(std::string_view bytes) {
    QString text = qtadapt::fromCp1251(bytes);
    for (QChar& c : text) {
        const char16_t u = c.unicode();
        if (isControl(u) && !keepsItsByte(u))
            c = QChar(pictureOf(u));
        else if (u == Unassigned)
            c = QChar(UnassignedShown);
    }
    return text;
}

std::string toFileBytes(QStringView raw) {
    QString text;
    text.reserve(raw.size());
    qsizetype breaks = 0;
    for (const QChar c : raw) {
        const char16_t u = c.unicode();
        if (u == QChar::ParagraphSeparator || u == QChar::LineSeparator || u == u'\n') {
            text.append(QLatin1Char('\n'));
            ++breaks;
        } else if (u == DeletePicture) {
            text.append(QChar(0x7F));
        } else if (isPicture(u)) {
            text.append(QChar(static_cast<char16_t>(u - FirstPicture)));
        } else if (u == UnassignedShown) {
            text.append(QChar(Unassigned));
        } else {
            text.append(c);
        }
    }
    const std::string lf = qtadapt::toCp1251(text);
    std::string out;
    out.reserve(lf.size() + static_cast<std::size_t>(breaks));
    for (const char b : lf) {
        if (b == '\n')
            out.push_back('\r');
        out.push_back(b);
    }
    return out;
}

QString clean(QStringView text, int* replaced) {
    QString out;
    out.reserve(text.size());
    int count = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        const char16_t u = c.unicode();
        if (u == u'\r') {
            out.append(QLatin1Char('\n'));
            if (i + 1 < text.size() && text.at(i + 1) == u'\n')
                ++i;
        } else if (u == QChar::ParagraphSeparator || u == QChar::LineSeparator) {
            out.append(QLatin1Char('\n'));
        } else if (keepsItsByte(u) || isPicture(u) || u == UnassignedShown) {
            out.append(c);
        } else if (isControl(u)) {
            out.append(QChar(pictureOf(u)));
        } else if (u == Unassigned) {
            out.append(QChar(UnassignedShown));
        } else if (qtadapt::inCp1251(c)) {
            out.append(c);
        } else {
            // A surrogate pair is one character on screen and one "?" in the text.
            if (c.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate())
                ++i;
            out.append(QLatin1Char('?'));
            ++count;
        }
    }
    if (replaced)
        *replaced = count;
    return out;
}

} // namespace messagetext
