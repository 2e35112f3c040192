// Start-up to the main window on screen, all five windows created, against a bare Qt window
// with a menu, a tool bar and an editor, as a ratio.
//
// StartupProcess* start this program again as a child that builds one or the other, tells its
// parent when the window's first frame is painted and exits: the whole start of a process
// (loading, the toolkit, the windows), as the operator waits for it. Startup* build them again
// and again in this process, where the toolkit and its caches are warm: the windows' own share
// alone. Lumetra runs in a fresh scratch folder (no settings, no last files). `--turns N` runs N
// of each process in turns and prints the medians of their times to the first frame and to the
// exit, and of their peak memories.

#include "app/Application.h"
#include "app/Desktop.h"
#include "app/MainForm.h"
#include "base/LazyIcon.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QEvent>
#include <QMainWindow>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolBar>
#include <QTranslator>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <future>
#include <memory>
#include <optional>
#include <spawn.h>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

// The descriptor a child tells its parent on that its first frame is painted, named to the
// child in this variable: a child run by hand has none, and its descriptor 3 is something else.
constexpr int PaintedFd = 3;
constexpr const char* PaintedFdVariable = "LUMETRA_BENCH_PAINTED_FD";

// Whether the window has had its first paint; the frame is on the screen once the events that
// brought it are handled.
class PaintWatch : public QObject {
public:
    explicit PaintWatch(QWidget& window) { window.installEventFilter(this); }
    bool painted = false;

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        painted = painted || event->type() == QEvent::Paint;
        return false;
    }
};

// Shows the window and returns when its first frame has been painted: as the window system asks
// for it, not by a paint forced ahead of that.
void firstPaint(QWidget& window) {
    PaintWatch watch(window);
    window.show();
    // Waits without spinning, which would take the processor from the display server; the
    // timer makes sure a lost expose ends in time.
    QTimer wake;
    wake.start(50);
    QDeadlineTimer limit(10000);
    while (!watch.painted && !limit.hasExpired())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

// Tells the parent, where there is one, that the first frame is on the screen.
void tellPainted() {
    if (qEnvironmentVariableIntValue(PaintedFdVariable) != PaintedFd)
        return;
    const char byte = 'p';
    if (::write(PaintedFd, &byte, 1) < 0)
        std::perror("the parent is not listening");
}

// A fresh scratch folder (no settings, no last files) to start Lumetra in: the working folder
// and, inside it, the settings folder.
class ScratchFolder {
public:
    ScratchFolder() { QDir(m_folder.path()).mkpath(QStringLiteral("config")); }
    QString path() const { return m_folder.path(); }
    QString settings() const { return m_folder.path() + QStringLiteral("/config"); }

private:
    QTemporaryDir m_folder;
};

// Lumetra in the working folder and settings this process has.
Clock::duration startLumetraHere() {
    const auto start = Clock::now();
    Application lumetra(Application::systemServices());
    firstPaint(lumetra.mainForm());
    const auto shown = Clock::now();
    tellPainted();
    return shown - start;
}

Clock::duration startLumetra() {
    const ScratchFolder folder;
    QDir::setCurrent(folder.path());
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(folder.settings()));
    const auto taken = startLumetraHere();
    QDir::setCurrent(QDir::tempPath());
    return taken;
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
    // Where the main window opens on a fresh start and as large, so the display's pointer is
    // over both alike.
    window.setGeometry(195, 109, 592, 440);
    firstPaint(window);
    const auto shown = Clock::now();
    tellPainted();
    return shown - start;
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
// "ratio" shows the windows' own share, with no start of a process in it.
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

struct ChildRun {
    Clock::duration painted{}; // from the start to the first frame on the screen
    Clock::duration ended{};   // from the start to the exit
    long peakKiB = 0;          // peak resident memory
};

// One child process from its start to its exit; nothing when it could not be started or ended
// without a first frame.
std::optional<ChildRun> startProcess(const char* which) {
    int painted[2];
    if (::pipe(painted) != 0)
        return std::nullopt;
    char* argv[] = {self.data(), const_cast<char*>(which), nullptr};
    // Made here, so the child's time is the program's alone. In the child's environment alone:
    // this process's own descriptor 3 is something else.
    const ScratchFolder folder;
    const std::string place = QFile::encodeName(folder.path()).toStdString();
    std::string named = std::string(PaintedFdVariable) + "=" + std::to_string(PaintedFd);
    std::string settings = "XDG_CONFIG_HOME=" + QFile::encodeName(folder.settings()).toStdString();
    std::vector<char*> env{named.data(), settings.data()};
    for (char** variable = environ; *variable; ++variable)
        if (std::strncmp(*variable, "XDG_CONFIG_HOME=", 16) != 0)
            env.push_back(*variable);
    env.push_back(nullptr);
    const auto start = Clock::now();
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, painted[1], PaintedFd);
    posix_spawn_file_actions_addclose(&actions, painted[0]);
    posix_spawn_file_actions_addchdir_np(&actions, place.c_str());
    pid_t pid = 0;
    const int rc = ::posix_spawn(&pid, self.c_str(), &actions, nullptr, argv, env.data());
    posix_spawn_file_actions_destroy(&actions);
    ::close(painted[1]);
    if (rc != 0) {
        ::close(painted[0]);
        return std::nullopt;
    }
    ChildRun run;
    char byte = 0;
    const bool told = ::read(painted[0], &byte, 1) == 1;
    run.painted = Clock::now() - start;
    ::close(painted[0]);
    int status = 0;
    rusage usage{};
    ::wait4(pid, &status, 0, &usage);
    run.ended = Clock::now() - start;
    run.peakKiB = usage.ru_maxrss;
    if (!told || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return std::nullopt;
    return run;
}

void processBenchmark(benchmark::State& state, const char* which) {
    for (auto _ : state) {
        const auto run = startProcess(which);
        if (!run) {
            state.SkipWithError("the child could not be started or painted nothing");
            break;
        }
        state.SetIterationTime(std::chrono::duration<double>(run->painted).count());
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

// Whole processes, in turns, to the first frame; "ratio" is the figure the goal (1.2) is about.
void StartupProcessRatio(benchmark::State& state) {
    double lumetra = 0;
    double bare = 0;
    for (auto _ : state) {
        const auto ours = startProcess(ChildLumetra);
        const auto theirs = startProcess(ChildBare);
        if (!ours || !theirs) {
            state.SkipWithError("a child could not be started or painted nothing");
            break;
        }
        lumetra += ms(ours->painted);
        bare += ms(theirs->painted);
    }
    const auto rounds = static_cast<double>(state.iterations());
    state.counters["lumetra_ms"] = lumetra / rounds;
    state.counters["bare_ms"] = bare / rounds;
    state.counters["ratio"] = lumetra / bare;
}
// In real time: this process only waits for its children, so its own processor time hardly grows.
BENCHMARK(StartupProcessRatio)->Unit(benchmark::kMillisecond)->MinTime(5.0)->UseRealTime();

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const std::size_t middle = values.size() / 2;
    return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

// `--turns N`: N whole processes of each, bare window and Lumetra in turns, and the medians of
// their times to the first frame (the figure the goal, 1.2x, is about) and to the exit, and of
// their peak memories (goal 1.3x).
int takeTurns(int rounds) {
    std::vector<double> painted[2];
    std::vector<double> ended[2];
    std::vector<double> peaks[2];
    const char* which[2] = {ChildBare, ChildLumetra};
    for (int round = 0; round < rounds; ++round)
        for (int side = 0; side < 2; ++side) {
            const auto run = startProcess(which[side]);
            if (!run) {
                std::fprintf(stderr, "the child could not be started or painted nothing\n");
                return 1;
            }
            painted[side].push_back(ms(run->painted));
            ended[side].push_back(ms(run->ended));
            peaks[side].push_back(static_cast<double>(run->peakKiB) / 1024.0);
        }
    double figures[2][3];
    for (int side = 0; side < 2; ++side) {
        figures[side][0] = median(painted[side]);
        figures[side][1] = median(ended[side]);
        figures[side][2] = median(peaks[side]);
    }
    std::printf("medians of %d runs in turns\n", rounds);
    std::printf("%-8s %12s %12s %10s\n", "", "painted ms", "ended ms", "peak MiB");
    const char* names[2] = {"bare", "lumetra"};
    for (int side = 0; side < 2; ++side)
        std::printf("%-8s %12.1f %12.1f %10.1f\n", names[side], figures[side][0], figures[side][1],
                    figures[side][2]);
    std::printf("%-8s %12.2f %12.2f %10.2f\n", "ratio", figures[1][0] / figures[0][0],
                figures[1][1] / figures[0][1], figures[1][2] / figures[0][2]);
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    const bool lumetraChild = argc == 2 && std::strcmp(argv[1], ChildLumetra) == 0;
    // As the program itself starts: the font configuration read while the toolkit starts, Qt's
    // Russian texts, the palette, the picture style.
    std::future<void> fonts =
        lumetraChild ? desktop::readFontConfigurationAhead() : std::future<void>();
    QApplication app(argc, argv);
    self = QCoreApplication::applicationFilePath().toStdString();
    if (lumetraChild) {
        QApplication::setApplicationName(QStringLiteral("Lumetra"));
        QApplication::setWindowIcon(lazyWindowIcon(QStringLiteral(":/icons/lumetra")));
        QTranslator translator;
        desktop::installQtTranslations(app, translator);
        desktop::applyPalette(app);
        desktop::usePictureStyle();
        if (fonts.valid())
            fonts.wait();
        return startLumetraHere() > Clock::duration::zero() ? 0 : 1;
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
