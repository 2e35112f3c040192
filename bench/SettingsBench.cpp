// The settings file at its size limit: 16 MiB of blank lines (the worst case for a reader that
// keeps every line) with the entries at the end, read as the main window reads it at start and
// written as a port choice writes it.

#include "base/IniFile.h"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <string>

namespace {

struct LargeSettings {
    std::filesystem::path path =
        std::filesystem::temp_directory_path() / "lumetra-bench-Kesmar.ini";
    LargeSettings() {
        const std::string tail = "[ComPort]\nAktive=COM 3\n";
        std::string data(IniFile::MaxFileBytes - tail.size() - 16, '\n');
        data += tail;
        std::ofstream(path, std::ios::binary) << data;
    }
    ~LargeSettings() { std::filesystem::remove(path); }
};

void SettingsReadAtTheLimit(benchmark::State& state) {
    const LargeSettings file;
    const IniFile ini(file.path.string());
    for (auto _ : state)
        benchmark::DoNotOptimize(ini.ReadString("ComPort", "Aktive", "COM 1"));
}
BENCHMARK(SettingsReadAtTheLimit)->Unit(benchmark::kMillisecond);

void SettingsWriteAtTheLimit(benchmark::State& state) {
    const LargeSettings file;
    IniFile ini(file.path.string());
    for (auto _ : state)
        ini.WriteString("ComPort", "Aktive", "COM 4");
}
BENCHMARK(SettingsWriteAtTheLimit)->Unit(benchmark::kMillisecond);

} // namespace
