// Start-up to the main window on screen, all five windows created, against a bare Qt window
// with a menu, a tool bar and an editor, as a ratio.
//
// StartupProcess* start this program again as a child that builds one or the other and exits
// after the first paint: the whole start of a process (loading, the toolkit, the windows), as
// the operator waits for it. Startup* build them again and again in this process, where the
// toolkit and its caches are warm: the windows' own share alone. Both run in a fresh scratch
// folder (no settings, no last files).

#include "app/Application.h"
#include "app/MainForm.h"

#include <QApplication>
#include <QDir>
#include <QMainWindow>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <QToolBar>

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

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

// One child process from its start to its exit.
Clock::duration startProcess(const char* which) {
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
    ::waitpid(pid, &status, 0);
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

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    self = QCoreApplication::applicationFilePath().toStdString();
    if (argc == 2 && std::strcmp(argv[1], ChildLumetra) == 0)
        return startLumetra() > Clock::duration::zero() ? 0 : 1;
    if (argc == 2 && std::strcmp(argv[1], ChildBare) == 0)
        return startBareWindow() > Clock::duration::zero() ? 0 : 1;
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
