#include "frames/Frames.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <string_view>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes bytesOf(std::string_view text) {
    return Bytes(text.begin(), text.end());
}

Bytes framed(std::uint8_t type, const Bytes& body) {
    Bytes frame(200, 0xFF);
    frame.push_back(type);
    frame.insert(frame.end(), body.begin(), body.end());
    frame.insert(frame.end(), {0xFF, 0xF0, 0xFF});
    return frame;
}

// The golden text frame for a payload written out by hand.
Bytes textFrame(const Bytes& payload) {
    Bytes body = payload;
    body.insert(body.end(), 5, 0x08);
    return framed(0xF1, body);
}

Bytes sent(const TxFrame& tx) {
    return Bytes(tx.frame().begin(), tx.frame().end());
}

using Font = std::array<std::uint8_t, FontTableSize>;

TEST(TextFrame, GoldenBytes) {
    struct Case {
        const char* name;
        Bytes text;
        Bytes payload;
    };
    const std::vector<Case> cases = {
        {"empty", {}, {}},
        {"line break", bytesOf("AB\r\nC"), {0x41, 0x42, 0x20, 0x20, 0x43}},
        {"tab", bytesOf("a\tb"), {0x61, 0x20, 0x62}},
        {"every control code", {0x00, 0x01, 0x08, 0x0A, 0x0D, 0x1B, 0x1F}, Bytes(7, 0x20)},
        {"0xFE is not escaped", {0xFE, 0x41, 0xFE}, {0xFE, 0x41, 0xFE}},
        {"effect code", bytesOf("/S5"), {0x2F, 0x53, 0x35}},
        {"ya between letters", {0x41, 0xFF, 0x42}, {0x41, 0xFF, 0xFE, 0x42}},
        {"blank and top codes",
         {0x20, 0x7F, 0x80, 0xF0, 0xF1, 0xF8},
         {0x20, 0x7F, 0x80, 0xF0, 0xF1, 0xF8}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TxFrame tx;
        ASSERT_TRUE(tx.BuildTextFrame(c.text));
        EXPECT_EQ(sent(tx), textFrame(c.payload));
        EXPECT_EQ(tx.TxCount(), 209 + c.payload.size());
        EXPECT_EQ(textFrameSize(c.text), tx.TxCount());
        EXPECT_EQ(tx.TxBuffer()[tx.TxCount() - 1], 0xFF);
    }
}

TEST(TextFrame, EmptyTextIs209Bytes) {
    TxFrame tx;
    ASSERT_TRUE(tx.BuildTextFrame({}));
    ASSERT_EQ(tx.TxCount(), 209u);
    const Bytes frame = sent(tx);
    EXPECT_EQ(Bytes(frame.begin(), frame.begin() + 200), Bytes(200, 0xFF));
    EXPECT_EQ(Bytes(frame.begin() + 200, frame.end()),
              (Bytes{0xF1, 0x08, 0x08, 0x08, 0x08, 0x08, 0xFF, 0xF0, 0xFF}));
}

TEST(TextFrame, LineBreakGives214) {
    TxFrame tx;
    ASSERT_TRUE(tx.BuildTextFrame(bytesOf("AB\r\nC")));
    EXPECT_EQ(tx.TxCount(), 214u);
    EXPECT_EQ(Bytes(tx.TxBuffer() + 201, tx.TxBuffer() + 206),
              (Bytes{0x41, 0x42, 0x20, 0x20, 0x43}));
}

TEST(TextFrame, TenLettersYaGiveTwentyBytes) {
    TxFrame tx;
    ASSERT_TRUE(tx.BuildTextFrame(Bytes(10, 0xFF)));
    EXPECT_EQ(tx.TxCount(), 229u);
    Bytes pairs;
    for (int i = 0; i < 10; ++i)
        pairs.insert(pairs.end(), {0xFF, 0xFE});
    EXPECT_EQ(sent(tx), textFrame(pairs));
}

TEST(TextFrame, ShortFrameAfterLongKeepsTheTail) {
    TxFrame tx;
    ASSERT_TRUE(tx.BuildTextFrame(Bytes(300, 'x')));
    ASSERT_EQ(tx.TxCount(), 509u);
    ASSERT_TRUE(tx.BuildTextFrame(bytesOf("AB\r\nC")));
    ASSERT_EQ(tx.TxCount(), 214u);
    EXPECT_EQ(sent(tx), textFrame({0x41, 0x42, 0x20, 0x20, 0x43}));
    // Beyond TxCount the longer frame's bytes remain: its text, its end marks, its terminator.
    EXPECT_EQ(tx.TxBuffer()[214], 'x');
    EXPECT_EQ(tx.TxBuffer()[500], 'x');
    EXPECT_EQ(Bytes(tx.TxBuffer() + 501, tx.TxBuffer() + 509),
              (Bytes{0x08, 0x08, 0x08, 0x08, 0x08, 0xFF, 0xF0, 0xFF}));
}

TEST(TextFrame, BufferLimit) {
    TxFrame tx;
    // The largest payload fills the buffer to its last byte.
    Bytes largest(MaxTextPayload, 'A');
    ASSERT_EQ(MaxTextPayload, 65291u);
    ASSERT_TRUE(tx.BuildTextFrame(largest));
    EXPECT_EQ(tx.TxCount(), 65500u);
    EXPECT_EQ(tx.TxBuffer()[65499], 0xFF);
    EXPECT_EQ(tx.TxBuffer()[65498], 0xF0);
    EXPECT_EQ(tx.TxBuffer()[65497], 0xFF);
    EXPECT_EQ(tx.TxBuffer()[65492], 0x08);
    EXPECT_EQ(tx.TxBuffer()[65491], 'A');

    // Also with escapes making up the size: 65289 letters and one ya.
    Bytes withYa(MaxTextPayload - 2, 'B');
    withYa.push_back(0xFF);
    ASSERT_TRUE(tx.BuildTextFrame(withYa));
    EXPECT_EQ(tx.TxCount(), 65500u);
    EXPECT_EQ(tx.TxBuffer()[201], 'B');

    ASSERT_TRUE(tx.BuildTextFrame(bytesOf("AB\r\nC")));
    const Bytes before(tx.TxBuffer(), tx.TxBuffer() + TxBufferSize);

    const std::vector<Bytes> refused = {
        Bytes(MaxTextPayload + 1, 'A'),
        Bytes(32646, 0xFF), // 65292 bytes once escaped
        Bytes(70000, 'C'),
    };
    for (const auto& text : refused) {
        EXPECT_GT(textFrameSize(text), TxBufferSize);
        EXPECT_FALSE(tx.BuildTextFrame(text));
        EXPECT_EQ(tx.TxCount(), 214u);
        EXPECT_EQ(Bytes(tx.TxBuffer(), tx.TxBuffer() + TxBufferSize), before);
    }
    EXPECT_EQ(textFrameSize(Bytes(32646, 0xFF)), 65501u);
    EXPECT_EQ(textFrameSize(Bytes(32645, 0xFF)), 65499u);
}

TEST(FontFrame, ZeroFontIs1996Bytes) {
    TxFrame tx;
    Font font{};
    tx.BuildFontFrame(font);
    EXPECT_EQ(tx.TxCount(), 1996u);
    EXPECT_EQ(sent(tx), framed(0xF8, Bytes(1792, 0x00)));
}

TEST(FontFrame, AllFFFontIs3788Bytes) {
    TxFrame tx;
    Font font;
    font.fill(0xFF);
    tx.BuildFontFrame(font);
    EXPECT_EQ(tx.TxCount(), 3788u);
    Bytes pairs;
    for (int i = 0; i < 1792; ++i)
        pairs.insert(pairs.end(), {0xFF, 0xFE});
    EXPECT_EQ(sent(tx), framed(0xF8, pairs));
}

TEST(FontFrame, SendsSymbols32To255InTableOrder) {
    TxFrame tx;
    Font font{};
    // Symbol 32 column 0, symbol 65 ('A') columns 0..7, symbol 255 column 7.
    font[256] = 0x81;
    const std::array<std::uint8_t, 8> letterA = {0x7C, 0x12, 0x11, 0x12, 0x7C, 0x00, 0xFF, 0x01};
    std::memcpy(&font[65 * 8], letterA.data(), 8);
    font[2047] = 0x80;
    tx.BuildFontFrame(font);

    Bytes body(1792, 0x00);
    body[0] = 0x81;
    std::copy(letterA.begin(), letterA.end(), body.begin() + (65 - 32) * 8);
    body[1791] = 0x80;
    // The one 0xFF in column 6 of 'A' goes out as a pair.
    body.insert(body.begin() + (65 - 32) * 8 + 7, 0xFE);
    EXPECT_EQ(tx.TxCount(), 1997u);
    EXPECT_EQ(sent(tx), framed(0xF8, body));
}

TEST(FontFrame, SymbolsBelow32DoNotMatter) {
    TxFrame tx;
    Font font{};
    for (std::size_t i = 300; i < FontTableSize; i += 7)
        font[i] = static_cast<std::uint8_t>(i * 31);
    tx.BuildFontFrame(font);
    const Bytes reference = sent(tx);
    for (std::size_t i = 0; i < 256; ++i)
        font[i] = static_cast<std::uint8_t>(0xFF - i);
    tx.BuildFontFrame(font);
    EXPECT_EQ(sent(tx), reference);
}

TEST(Frames, FontAfterLongTextKeepsTheTail) {
    TxFrame tx;
    ASSERT_TRUE(tx.BuildTextFrame(Bytes(5000, 'z')));
    Font font{};
    tx.BuildFontFrame(font);
    EXPECT_EQ(tx.TxCount(), 1996u);
    EXPECT_EQ(tx.TxBuffer()[1995], 0xFF);
    EXPECT_EQ(tx.TxBuffer()[1996], 'z');
    EXPECT_EQ(tx.TxBuffer()[5200], 'z');
    // And a text frame built after the font one starts again from the first byte.
    ASSERT_TRUE(tx.BuildTextFrame(bytesOf("Q")));
    EXPECT_EQ(sent(tx), textFrame({'Q'}));
}

} // namespace
