#include "frames/FrameDecoder.h"
#include "frames/Frames.h"

#include "TestFrames.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <random>
#include <string_view>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;
using Kind = DecodedFrame::Kind;
using Font = std::array<std::uint8_t, FontTableSize>;

Bytes bytesOf(std::string_view text) {
    return Bytes(text.begin(), text.end());
}

Bytes cat(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const auto& p : parts)
        out.insert(out.end(), p.begin(), p.end());
    return out;
}

// What the sign should see of a text: control codes as blanks, nothing else changed.
Bytes mapped(Bytes text) {
    for (auto& c : text)
        if (c < 0x20)
            c = 0x20;
    return text;
}

Bytes randomText(std::mt19937& rng, bool heavyFF) {
    std::uniform_int_distribution<std::size_t> length(0, 3000);
    std::uniform_int_distribution<int> byte(0, 255);
    std::bernoulli_distribution ff(heavyFF ? 0.6 : 0.0);
    Bytes text(length(rng));
    for (auto& c : text)
        c = ff(rng) ? 0xFF : static_cast<std::uint8_t>(byte(rng));
    return text;
}

Font randomFont(std::mt19937& rng, double ffShare) {
    std::uniform_int_distribution<int> byte(0, 255);
    std::bernoulli_distribution ff(ffShare);
    Font font;
    for (auto& c : font)
        c = ff(rng) ? 0xFF : static_cast<std::uint8_t>(byte(rng));
    return font;
}

Bytes sentSymbols(const Font& font) {
    return Bytes(font.begin() + 256, font.end());
}

// Feeds the stream in pieces of the given size and collects everything, finish() included.
std::vector<DecodedFrame> decodeInChunks(const Bytes& stream, std::size_t chunk) {
    FrameDecoder decoder;
    std::vector<DecodedFrame> all;
    for (std::size_t at = 0; at < stream.size(); at += chunk) {
        const auto n = std::min(chunk, stream.size() - at);
        auto got = decoder.feed(std::span(stream).subspan(at, n));
        all.insert(all.end(), got.begin(), got.end());
    }
    auto rest = decoder.finish();
    all.insert(all.end(), rest.begin(), rest.end());
    return all;
}

bool sameFrame(const DecodedFrame& a, const DecodedFrame& b) {
    return a.kind == b.kind && a.payload == b.payload && a.type == b.type &&
           a.byteCount == b.byteCount && a.preambleLength == b.preambleLength &&
           a.shortPreamble == b.shortPreamble && a.skipped == b.skipped && a.error == b.error;
}

TEST(FrameDecoder, RoundTripsRandomTexts) {
    std::mt19937 rng(20240611);
    for (int i = 0; i < 200; ++i) {
        const Bytes text = randomText(rng, i % 2 == 1);
        const Bytes frame = textFrame(text);
        const auto frames = decodeFrames(frame);
        ASSERT_EQ(frames.size(), 1u) << "text " << i;
        EXPECT_EQ(frames[0].kind, Kind::Text);
        EXPECT_EQ(frames[0].payload, mapped(text)) << "text " << i;
        EXPECT_EQ(frames[0].byteCount, frame.size());
        EXPECT_EQ(frames[0].preambleLength, 200u);
        EXPECT_FALSE(frames[0].shortPreamble);
        EXPECT_EQ(frames[0].skipped, 0u);
        EXPECT_TRUE(frames[0].error.empty());
    }
}

TEST(FrameDecoder, RoundTripsRandomFonts) {
    std::mt19937 rng(77);
    const double shares[] = {0.0, 0.1, 0.5, 0.9, 1.0};
    for (const double share : shares) {
        for (int i = 0; i < 20; ++i) {
            const Font font = randomFont(rng, share);
            const Bytes frame = fontFrame(font);
            const auto frames = decodeFrames(frame);
            ASSERT_EQ(frames.size(), 1u);
            EXPECT_EQ(frames[0].kind, Kind::Font) << frames[0].error;
            EXPECT_EQ(frames[0].payload, sentSymbols(font));
            EXPECT_EQ(frames[0].byteCount, frame.size());
        }
    }
}

TEST(FrameDecoder, LargestTextFrameRoundTrips) {
    // Two letters ya at the end take four bytes once escaped.
    Bytes text(MaxTextPayload - 2, 0xFF);
    std::fill(text.begin(), text.end() - 2, 0x41);
    const auto frames = decodeFrames(textFrame(text));
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(frames[0].kind, Kind::Text) << frames[0].error;
    EXPECT_EQ(frames[0].byteCount, TxBufferSize);
    EXPECT_EQ(frames[0].payload, text);
}

TEST(FrameDecoder, ChunkingDoesNotChangeTheResult) {
    std::mt19937 rng(5);
    Font font = randomFont(rng, 0.3);
    // A stream with good frames, garbage, a cut frame and an unknown type between them.
    const Bytes text = bytesOf("/S5 Hello\r\n/W3");
    const Bytes good = textFrame(text);
    const Bytes cut(good.begin(), good.begin() + 215); // text without its end marks
    const Bytes stream = cat({bytesOf("noise"),
                              good,
                              fontFrame(font),
                              cut,
                              Bytes(50, 0xFF),
                              {0x33, 0x01},
                              good,
                              {0xFF, 0xF1, 'x'}});
    const auto whole = decodeInChunks(stream, stream.size());
    ASSERT_EQ(whole.size(), 6u);
    for (const std::size_t chunk : {1, 2, 3, 7, 199, 200, 201, 1000}) {
        const auto pieces = decodeInChunks(stream, chunk);
        ASSERT_EQ(pieces.size(), whole.size()) << "chunk " << chunk;
        for (std::size_t i = 0; i < whole.size(); ++i)
            EXPECT_TRUE(sameFrame(pieces[i], whole[i])) << "chunk " << chunk << " frame " << i;
    }
    // Each good frame is found however the stream around it went wrong.
    EXPECT_EQ(whole[0].kind, Kind::Text);
    EXPECT_EQ(whole[0].skipped, 5u);
    EXPECT_EQ(whole[1].kind, Kind::Font);
    EXPECT_EQ(whole[1].payload, sentSymbols(font));
    EXPECT_EQ(whole[2].kind, Kind::Malformed); // the cut frame runs into the 0xFF run
    EXPECT_EQ(whole[3].kind, Kind::Malformed); // 0xFF run with type 0x33
    EXPECT_EQ(whole[3].error, "unknown frame type 0x33");
    EXPECT_EQ(whole[4].kind, Kind::Text);
    EXPECT_EQ(whole[4].payload, mapped(text));
    EXPECT_EQ(whole[4].skipped, 1u); // the 0x01 after the unknown type byte
    EXPECT_EQ(whole.back().kind, Kind::Malformed);
    EXPECT_EQ(whole.back().error, "stream ended inside the frame (truncated)");
}

// A broken frame followed by a good one: the broken one is reported with this error, the good
// one comes through whole.
struct Recovery {
    const char* name;
    Bytes broken;
    std::string error; // empty: the broken part yields no report of its own
    std::size_t goodSkipped;
    std::size_t goodPreamble;
};

TEST(FrameDecoder, RecoversAndKeepsTheNextGoodFrame) {
    const Bytes good = textFrame(bytesOf("OK"));
    const Bytes pre(200, 0xFF);
    const Bytes goodText = bytesOf("OK");
    const Bytes t = {0xF1};
    const Bytes endMarks(5, 0x08);
    const Bytes term = {0xFF, 0xF0, 0xFF};
    Font zero{};
    const Bytes zeroFont = fontFrame(zero);

    const std::vector<Recovery> cases = {
        {"garbage only", bytesOf("\x01\x02garbage\xFE\xF1"), "", 11, 200},
        {"ya pair without a frame", {0x41, 0xFF, 0xFE, 0x42}, "", 4, 200},
        {"unknown type", cat({pre, {0xF5, 'a', 'b'}}), "unknown frame type 0xF5", 2, 200},
        {"unknown type after two 0xFF", {0xFF, 0xFF, 0x10}, "unknown frame type 0x10", 0, 200},
        {"bad escape", cat({pre, t, {'a', 0xFF, 0x41, 'b'}, endMarks, term}),
         "0xFF followed by 0x41 inside the frame", 10, 201},
        {"cut short by the next preamble", cat({pre, t, bytesOf("half a te")}),
         "a new preamble began inside the frame (frame cut short)", 0, 200},
        {"cut inside an escape", cat({pre, t, {'a', 0xFF}}),
         "a new preamble began inside the frame (frame cut short)", 0, 201},
        {"missing end marks", cat({pre, t, bytesOf("abc"), term}),
         "end of text (five 0x08) missing", 0, 200},
        {"four end marks", cat({pre, t, bytesOf("abc"), Bytes(4, 0x08), term}),
         "end of text (five 0x08) missing", 0, 200},
        {"control code in the text", cat({pre, t, bytesOf("ab"), Bytes(6, 0x08), term}),
         "control code 0x08 in the text at offset 2", 0, 200},
        {"carriage return in the text", cat({pre, t, bytesOf("a\rb"), endMarks, term}),
         "control code 0x0D in the text at offset 1", 0, 200},
        {"terminator without its last 0xFF",
         cat({pre, t, bytesOf("ab"), endMarks, {0xFF, 0xF0}, bytesOf("zz")}),
         "terminator 0xFF 0xF0 not followed by 0xFF", 2, 200},
        {"short font", cat({pre, {0xF8}, Bytes(1791, 0x11), term}),
         "font payload of 1791 bytes, expected 1792", 0, 200},
        {"long font", cat({pre, {0xF8}, Bytes(1793, 0x11), term}),
         "font payload of 1793 bytes, expected 1792", 0, 200},
        {"font with end marks", cat({pre, {0xF8}, Bytes(1792, 0x00), endMarks, term}),
         "font payload of 1797 bytes, expected 1792", 0, 200},
        {"font cut short", Bytes(zeroFont.begin(), zeroFont.begin() + 1000),
         "a new preamble began inside the frame (frame cut short)", 0, 200},
        {"font body far too long", cat({pre, {0xF8}, Bytes(4000, 0x00)}),
         "frame longer than the largest frame the uploader sends", 413, 200},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const Bytes stream = cat({c.broken, good});
        for (const std::size_t chunk : {std::size_t{1}, stream.size()}) {
            const auto frames = decodeInChunks(stream, chunk);
            const std::size_t reports = c.error.empty() ? 0 : 1;
            ASSERT_EQ(frames.size(), reports + 1);
            if (reports) {
                EXPECT_EQ(frames[0].kind, Kind::Malformed);
                EXPECT_EQ(frames[0].error, c.error);
            }
            const auto& last = frames.back();
            EXPECT_EQ(last.kind, Kind::Text) << last.error;
            EXPECT_EQ(last.payload, goodText);
            EXPECT_EQ(last.skipped, c.goodSkipped);
            EXPECT_EQ(last.preambleLength, c.goodPreamble);
            EXPECT_FALSE(last.shortPreamble);
        }
    }
}

TEST(FrameDecoder, MalformedFrameKeepsWhatWasRead) {
    const Bytes stream = cat({Bytes(200, 0xFF), {0xF1, 'a', 0xFF, 0xFE, 'b', 0xFF, 0x41}});
    const auto frames = decodeFrames(stream);
    ASSERT_EQ(frames.size(), 2u);
    EXPECT_EQ(frames[0].type, 0xF1);
    EXPECT_EQ(frames[0].payload, (Bytes{'a', 0xFF, 'b'}));
    // Preamble, type and the bytes up to (not including) the 0xFF read again.
    EXPECT_EQ(frames[0].byteCount, 205u);
    EXPECT_EQ(frames[0].error, "0xFF followed by 0x41 inside the frame");
    EXPECT_EQ(frames[1].error, "2 stray bytes outside any frame");
}

TEST(FrameDecoder, ShortPreambleIsAcceptedAndFlagged) {
    const Bytes good = textFrame(bytesOf("Hi"));
    for (const std::size_t lost : {1, 50, 199}) {
        SCOPED_TRACE(lost);
        const Bytes shortened(good.begin() + static_cast<std::ptrdiff_t>(lost), good.end());
        const auto frames = decodeFrames(shortened);
        ASSERT_EQ(frames.size(), 1u);
        EXPECT_EQ(frames[0].kind, Kind::Text);
        EXPECT_EQ(frames[0].payload, bytesOf("Hi"));
        EXPECT_TRUE(frames[0].shortPreamble);
        EXPECT_EQ(frames[0].preambleLength, 200 - lost);
        EXPECT_EQ(frames[0].byteCount, good.size() - lost);
    }
    // A longer run counts whole and is not short.
    const auto frames = decodeFrames(cat({Bytes(40, 0xFF), good}));
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(frames[0].preambleLength, 240u);
    EXPECT_FALSE(frames[0].shortPreamble);
}

TEST(FrameDecoder, FrameWithoutPreambleIsNotRecognised) {
    const Bytes good = textFrame(bytesOf("Hi"));
    const Bytes headless(good.begin() + 200, good.end());
    const auto frames = decodeFrames(headless);
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(frames[0].kind, Kind::Malformed);
    // The type byte and text are stray; the terminator's FF F0 FF is too.
    EXPECT_EQ(frames[0].byteCount, headless.size());
}

TEST(FrameDecoder, BackToBackFramesAllCome) {
    std::mt19937 rng(9);
    Bytes stream;
    std::vector<Bytes> texts;
    for (int i = 0; i < 30; ++i) {
        texts.push_back(randomText(rng, true));
        stream = cat({stream, textFrame(texts.back()), fontFrame(randomFont(rng, 0.5))});
    }
    const auto frames = decodeInChunks(stream, 64);
    ASSERT_EQ(frames.size(), 60u);
    for (int i = 0; i < 30; ++i) {
        EXPECT_EQ(frames[2 * i].kind, Kind::Text);
        EXPECT_EQ(frames[2 * i].payload, mapped(texts[i]));
        EXPECT_EQ(frames[2 * i + 1].kind, Kind::Font);
        EXPECT_FALSE(frames[2 * i + 1].shortPreamble);
    }
}

TEST(FrameDecoder, FinishReportsWhatIsLeft) {
    struct Case {
        const char* name;
        Bytes stream;
        std::string error;
        std::size_t byteCount;
    };
    const Bytes good = textFrame(bytesOf("abc"));
    const std::vector<Case> cases = {
        {"open frame", Bytes(good.begin(), good.end() - 1),
         "stream ended inside the frame (truncated)", good.size() - 1},
        {"stray bytes", bytesOf("xyz"), "3 stray bytes outside any frame", 3},
        {"preamble only", Bytes(120, 0xFF), "stream ended after 120 bytes 0xFF with no frame type",
         120},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        FrameDecoder decoder;
        EXPECT_TRUE(decoder.feed(c.stream).empty());
        EXPECT_TRUE(decoder.pending());
        const auto rest = decoder.finish();
        ASSERT_EQ(rest.size(), 1u);
        EXPECT_EQ(rest[0].kind, Kind::Malformed);
        EXPECT_EQ(rest[0].error, c.error);
        EXPECT_EQ(rest[0].byteCount, c.byteCount);
        // Nothing is left, and the decoder takes a new stream.
        EXPECT_FALSE(decoder.pending());
        EXPECT_TRUE(decoder.finish().empty());
        const auto next = decoder.feed(good);
        ASSERT_EQ(next.size(), 1u);
        EXPECT_EQ(next[0].kind, Kind::Text);
        EXPECT_EQ(next[0].skipped, 0u);
    }
    FrameDecoder clean;
    EXPECT_EQ(clean.feed(good).size(), 1u);
    EXPECT_FALSE(clean.pending());
    EXPECT_TRUE(clean.finish().empty());
}

} // namespace
