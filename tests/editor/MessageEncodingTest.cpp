#include "editor/MessageEncoding.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

const std::string Bom = "\xEF\xBB\xBF";

// Real Windows-1251 texts beside their UTF-8 spelling: pangrams in both cases (every letter,
// Ё included), sign texts with codes and CR LF, and the punctuation of 0x80-0xBF.
struct Text {
    std::string utf8;
    std::string cp1251;
};
const std::vector<Text> Corpus = {
    {"Съешь же ещё этих мягких французских булок, да выпей чаю.",
     "\xD1\xFA\xE5\xF8\xFC \xE6\xE5 \xE5\xF9\xB8 \xFD\xF2\xE8\xF5 \xEC\xFF\xE3\xEA\xE8\xF5 "
     "\xF4\xF0\xE0\xED\xF6\xF3\xE7\xF1\xEA\xE8\xF5 \xE1\xF3\xEB\xEE\xEA, \xE4\xE0 "
     "\xE2\xFB\xEF\xE5\xE9 \xF7\xE0\xFE."},
    {"ЭХ, ЧУЖАК! ОБЩИЙ СЪЁМ ЦЕН ШЛЯП (ЮФТЬ) — ВДРЫЗГ!",
     "\xDD\xD5, \xD7\xD3\xC6\xC0\xCA! \xCE\xC1\xD9\xC8\xC9 \xD1\xDA\xA8\xCC \xD6\xC5\xCD "
     "\xD8\xCB\xDF\xCF (\xDE\xD4\xD2\xDC) \x97 \xC2\xC4\xD0\xDB\xC7\xC3!"},
    {"/S5 Добро пожаловать!\r\n/W4 Цена 100 € — скидка 5 %",
     "/S5 \xC4\xEE\xE1\xF0\xEE \xEF\xEE\xE6\xE0\xEB\xEE\xE2\xE0\xF2\xFC!\r\n/W4 \xD6\xE5\xED\xE0 "
     "100 \x88 \x97 \xF1\xEA\xE8\xE4\xEA\xE0 5 %"},
    {"№ 7 «Ёлочка» … “я” ‘Ё’ ±§©®°µ¶·",
     "\xB9 7 \xAB\xA8\xEB\xEE\xF7\xEA\xE0\xBB \x85 \x93\xFF\x94 \x91\xA8\x92 "
     "\xB1\xA7\xA9\xAE\xB0\xB5\xB6\xB7"},
    {"«ДА»", "\xAB\xC4\xC0\xBB"},
    {"я", "\xFF"},
    {"Ё", "\xA8"},
};

void expectBytes(const DecodedMessage& d, const std::string& cp1251, std::size_t replaced,
                 bool converted, const std::string& what) {
    EXPECT_EQ(d.cp1251, cp1251) << what;
    EXPECT_EQ(d.replaced, replaced) << what;
    EXPECT_EQ(d.converted, converted) << what;
}

TEST(MessageEncoding, Windows1251CorpusReadsByteForByte) {
    for (const auto& t : Corpus)
        expectBytes(decodeMessage(t.cp1251), t.cp1251, 0, false, t.utf8);
    // Every byte above ASCII alone, between Latin letters, and all of them in a row.
    std::string all;
    for (int b = 0x80; b < 0x100; ++b) {
        const std::string one(1, static_cast<char>(b));
        all += one;
        expectBytes(decodeMessage(one), one, 0, false, std::to_string(b));
        expectBytes(decodeMessage("a" + one + "b"), "a" + one + "b", 0, false, std::to_string(b));
    }
    expectBytes(decodeMessage(all), all, 0, false, "0x80-0xFF");
}

TEST(MessageEncoding, Utf8CorpusIsConverted) {
    for (const auto& t : Corpus) {
        expectBytes(decodeMessage(t.utf8), t.cp1251, 0, true, t.utf8);
        expectBytes(decodeMessage(Bom + t.utf8), t.cp1251, 0, true, "BOM " + t.utf8);
        expectBytes(decodeMessage(t.utf8, MessageEncoding::Utf8), t.cp1251, 0, true, t.utf8);
    }
}

TEST(MessageEncoding, EdgeCases) {
    struct Case {
        std::string bytes;
        MessageEncoding encoding;
        std::string cp1251;
        std::size_t replaced;
        bool converted;
    };
    const auto Auto = MessageEncoding::Auto;
    const std::vector<Case> cases = {
        {"", Auto, "", 0, false},
        {"Demo /S5\r\n", Auto, "Demo /S5\r\n", 0, false}, // ASCII: nothing to convert
        {Bom, Auto, "", 0, true},
        {Bom + "Demo\r\n", Auto, "Demo\r\n", 0, true},
        // What Windows-1251 cannot hold: one "?" per character, astral ones included.
        {"日本 é 😀 я", Auto, "?? ? ? \xFF", 4, true},
        {"\u0098", Auto, "\x98", 0, true},
        // Not valid UTF-8 without a mark: overlong, surrogate, truncated, above U+10FFFF.
        {"\xC0\xAF", Auto, "\xC0\xAF", 0, false},
        {"\xED\xA0\x80", Auto, "\xED\xA0\x80", 0, false},
        {"\xD0", Auto, "\xD0", 0, false},
        {"\xF4\x90\x80\x80", Auto, "\xF4\x90\x80\x80", 0, false},
        {"я\xFF", Auto, "\xD1\x8F\xFF", 0, false},
        // With the mark the file is UTF-8 all the same; a broken byte becomes "?".
        {Bom + "я\xFFя", Auto, "\xFF?\xFF", 1, true},
        {Bom + "\xD0", Auto, "?", 1, true},
        // A choice made by the caller wins.
        {"я", MessageEncoding::Cp1251, "\xD1\x8F", 0, false},
        {"\xFF", MessageEncoding::Utf8, "?", 1, true},
        {"abc", MessageEncoding::Utf8, "abc", 0, true},
    };
    for (const auto& c : cases)
        expectBytes(decodeMessage(c.bytes, c.encoding), c.cp1251, c.replaced, c.converted, c.bytes);
}

} // namespace
