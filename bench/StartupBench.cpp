// Start-up to the main window on screen, all five windows created, against a bare Qt window
// with a menu, a tool bar and an editor, as a ratio.
//
// StartupProcess* start this program again as a child that builds one or the other and exits
// after the first paint: the whole start of a process (loading, the toolkit, the windows), as
// the operator waits for it. Startup* build them again and again in this process, where the
// toolkit and its caches are warm: the windows' own share alone. Both run in a fresh scratch
// folder (no settings, no last files). `--turns N` runs N of each process in turns and prints
// the medians of their times and peak memories.

#include "app/Application.h"
#include "app/Desktop.h"
#include "app/MainForm.h"
#include "base/LazyIcon.h"

#include <QApplication>
#include <QDir>
#include <QMainWindow>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <QToolBar>
#include <QTranslator>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <spawn.h>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

// Lets the shown window be laid out and painted.
void firstPaint(QWidget& window) {
    window.show();
    QCoreApplication::processEvents();
    window.repaint();
}

Clock::duration startLumetra() {
    QTemporaryDir folder;
    QDir(folder.path()).mkpath(QStringLiteral("config"));
    QDir::setCurrent(folder.path());
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(folder.path() + QStringLiteral("/config")));
    const auto start = Clock::now();
    Application lumetra(Application::systemServices());
    firstPaint(lumetra.mainForm());
    const auto shown = Clock::now();
    QDir::setCurrent(QDir::tempPath());
    return shown - start;
}

Clock::duration startBareWindow() {
    const auto start = Clock::now();
    QMainWindow window;
    QMenu* menu = window.menuBar()->addMenu(QStringLiteral("File"));
    QToolBar* bar = window.addToolBar(QStringLiteral("Tools"));
    for (const char* name : {"New", "Open", "Save", "Exit"}) {
        QAction* action = menu->addAction(QString::fromLatin1(name));
        bar->addAction(action);
    }
    window.setCentralWidget(new QPlainTextEdit(QStringLiteral("Demo File"), &window));
    window.resize(592, 440);
    firstPaint(window);
    return Clock::now() - start;
}

double ms(Clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

void StartupLumetra(benchmark::State& state) {
    for (auto _ : state) {
        const auto taken = startLumetra();
        state.SetIterationTime(std::chrono::duration<double>(taken).count());
    }
}
BENCHMARK(StartupLumetra)->UseManualTime()->Unit(benchmark::kMillisecond);

void StartupBareWindow(benchmark::State& state) {
    for (auto _ : state) {
        const auto taken = startBareWindow();
        state.SetIterationTime(std::chrono::duration<double>(taken).count());
    }
}
BENCHMARK(StartupBareWindow)->UseManualTime()->Unit(benchmark::kMillisecond);

// Both in turns within one run, so drifting caches and load touch both alike; the counter
// "ratio" is the figure to watch (the aim: 1.3 or less).
void StartupRatio(benchmark::State& state) {
    double lumetra = 0;
    double bare = 0;
    for (auto _ : state) {
        lumetra += ms(startLumetra());
        bare += ms(startBareWindow());
    }
    const auto rounds = static_cast<double>(state.iterations());
    state.counters["lumetra_ms"] = lumetra / rounds;
    state.counters["bare_ms"] = bare / rounds;
    state.counters["ratio"] = lumetra / bare;
}
BENCHMARK(StartupRatio)->Unit(benchmark::kMillisecond)->MinTime(3.0);

std::string self; // this program, by a path that holds in any working folder
constexpr const char* ChildLumetra = "--child-lumetra";
constexpr const char* ChildBare = "--child-bare";

// One child process from its start to its exit; `peakKiB`, when given, gets its peak resident
// memory.
Clock::duration startProcess(const char* which, long* peakKiB = nullptr) {
    char* argv[] = {self.data(), const_cast<char*>(which), nullptr};
    const auto start = Clock::now();
    posix_spawn_file_actions_t quiet;
    posix_spawn_file_actions_init(&quiet);
    posix_spawn_file_actions_addopen(&quiet, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    pid_t pid = 0;
    const int rc = ::posix_spawn(&pid, self.c_str(), &quiet, nullptr, argv, environ);
    posix_spawn_file_actions_destroy(&quiet);
    if (rc != 0)
        return Clock::duration::zero();
    int status = 0;
    rusage usage{};
    ::wait4(pid, &status, 0, &usage);
    if (peakKiB)
        *peakKiB = usage.ru_maxrss;
    return Clock::now() - start;
}

void processBenchmark(benchmark::State& state, const char* which) {
    for (auto _ : state) {
        const auto taken = startProcess(which);
        if (taken == Clock::duration::zero()) {
            state.SkipWithError("the child could not be started");
            break;
        }
        state.SetIterationTime(std::chrono::duration<double>(taken).count());
    }
}

void StartupProcessLumetra(benchmark::State& state) {
    processBenchmark(state, ChildLumetra);
}
BENCHMARK(StartupProcessLumetra)->UseManualTime()->Unit(benchmark::kMillisecond);

void StartupProcessBareWindow(benchmark::State& state) {
    processBenchmark(state, ChildBare);
}
BENCHMARK(StartupProcessBareWindow)->UseManualTime()->Unit(benchmark::kMillisecond);

// Whole processes, in turns; "ratio" is the figure the aim (1.3 or less) is about.
void StartupProcessRatio(benchmark::State& state) {
    double lumetra = 0;
    double bare = 0;
    for (auto _ : state) {
        lumetra += ms(startProcess(ChildLumetra));
        bare += ms(startProcess(ChildBare));
    }
    const auto rounds = static_cast<double>(state.iterations());
    state.counters["lumetra_ms"] = lumetra / rounds;
    state.counters["bare_ms"] = bare / rounds;
    state.counters["ratio"] = lumetra / bare;
}
BENCHMARK(StartupProcessRatio)->Unit(benchmark::kMillisecond)->MinTime(5.0);

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const std::size_t middle = values.size() / 2;
    return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

// `--turns N`: N whole processes of each, bare window and Lumetra in turns, and the medians of
// their times and peak memories; the figures the goal (1.2x time, 1.3x memory) is about.
int takeTurns(int rounds) {
    std::vector<double> times[2];
    std::vector<double> peaks[2];
    const char* which[2] = {ChildBare, ChildLumetra};
    for (int round = 0; round < rounds; ++round)
        for (int side = 0; side < 2; ++side) {
            long peak = 0;
            const auto taken = startProcess(which[side], &peak);
            if (taken == Clock::duration::zero()) {
                std::fprintf(stderr, "the child could not be started\n");
                return 1;
            }
            times[side].push_back(ms(taken));
            peaks[side].push_back(static_cast<double>(peak) / 1024.0);
        }
    const double time[2] = {median(times[0]), median(times[1])};
    const double peak[2] = {median(peaks[0]), median(peaks[1])};
    std::printf("medians of %d runs in turns\n", rounds);
    std::printf("%-8s %10s %10s\n", "", "time ms", "peak MiB");
    std::printf("%-8s %10.1f %10.1f\n", "bare", time[0], peak[0]);
    std::printf("%-8s %10.1f %10.1f\n", "lumetra", time[1], peak[1]);
    std::printf("%-8s %10.2f %10.2f\n", "ratio", time[1] / time[0], peak[1] / peak[0]);
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    self = QCoreApplication::applicationFilePath().toStdString();
    if (argc == 2 && std::strcmp(argv[1], ChildLumetra) == 0) {
        // As the program itself starts: Qt's Russian texts, the palette, the picture style.
        QApplication::setApplicationName(QStringLiteral("Lumetra"));
        QApplication::setWindowIcon(lazyWindowIcon(QStringLiteral(":/icons/lumetra")));
        QTranslator translator;
        desktop::installQtTranslations(app, translator);
        desktop::applyPalette(app);
        desktop::usePictureStyle();
        return startLumetra() > Clock::duration::zero() ? 0 : 1;
    }
    if (argc == 2 && std::strcmp(argv[1], ChildBare) == 0)
        return startBareWindow() > Clock::duration::zero() ? 0 : 1;
    if (argc == 3 && std::strcmp(argv[1], "--turns") == 0)
        return takeTurns(std::max(1, std::atoi(argv[2])));
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
