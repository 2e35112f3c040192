#include "frames/FrameDecoder.h"
#include "frames/Frames.h"

#include <benchmark/benchmark.h>

#include <array>
#include <random>
#include <vector>

namespace {

// Shown as seconds per byte (a value like 780p is 0.78 ns per byte).
void reportPerByte(benchmark::State& state, std::size_t frameBytes) {
    const auto bytes = static_cast<double>(state.iterations()) * static_cast<double>(frameBytes);
    state.SetBytesProcessed(static_cast<std::int64_t>(bytes));
    state.counters["per_byte"] =
        benchmark::Counter(bytes, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

// The largest text the buffer takes, with Cyrillic letters and line breaks as in real texts.
std::vector<std::uint8_t> largestText() {
    std::mt19937 rng(1);
    std::uniform_int_distribution<int> letter(0xC0, 0xFE);
    std::vector<std::uint8_t> text(MaxTextPayload);
    for (std::size_t i = 0; i < text.size(); ++i)
        text[i] = i % 60 == 58   ? '\r'
                  : i % 60 == 59 ? '\n'
                                 : static_cast<std::uint8_t>(letter(rng));
    return text;
}

void BuildLargestTextFrame(benchmark::State& state) {
    const auto text = largestText();
    TxFrame tx;
    for (auto _ : state) {
        benchmark::DoNotOptimize(tx.BuildTextFrame(text));
        benchmark::ClobberMemory();
    }
    reportPerByte(state, tx.TxCount());
    state.counters["TxCount"] = tx.TxCount();
}
BENCHMARK(BuildLargestTextFrame);

void BuildFontFrame(benchmark::State& state) {
    std::array<std::uint8_t, FontTableSize> font{};
    std::mt19937 rng(2);
    // A quarter of the bytes 0xFF, so the escape path runs too.
    for (auto& b : font)
        b = rng() % 4 == 0 ? 0xFF : static_cast<std::uint8_t>(rng() & 0x7F);
    TxFrame tx;
    for (auto _ : state) {
        tx.BuildFontFrame(font);
        benchmark::ClobberMemory();
    }
    reportPerByte(state, tx.TxCount());
    state.counters["TxCount"] = tx.TxCount();
}
BENCHMARK(BuildFontFrame);

void DecodeLargestTextFrame(benchmark::State& state) {
    TxFrame tx;
    tx.BuildTextFrame(largestText());
    for (auto _ : state) {
        FrameDecoder decoder;
        benchmark::DoNotOptimize(decoder.feed(tx.frame()));
    }
    reportPerByte(state, tx.TxCount());
}
BENCHMARK(DecodeLargestTextFrame);

} // namespace
