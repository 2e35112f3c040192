// The program's own cost of an upload (open, configure, write, drain, close) against a
// pseudo-terminal, which takes bytes as fast as they come: what is measured is everything but
// the line itself. It should stay far below one byte's line time at 1200 baud (9.2 ms).

#include "base/QtAdapt.h"
#include "frames/Frames.h"
#include "upload/PosixSerialLink.h"
#include "upload/Upload.h"

#include <benchmark/benchmark.h>

#include <atomic>
#include <chrono>
#include <stdexcept>
#include <string>
#include <thread>

#include <ctime>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

namespace {

// The editor's demo text, as the window starts with it.
const char16_t DemoText[] = u"               Demo File\n"
                            u"           \n"
                            u"   S=Speed скорость  /S5 \n"
                            u"   W=Wait   задержка  1 сек   /W1       \n"
                            u"   C=Clear    очистка          /С1       \n"
                            u"   F=Fill        заполнение   /F1       \n"
                            u"   U=Up       сдвиг вверх   /U1       \n"
                            u"   D=Down  сдвиг вниз   /D1   ";

// A pseudo-terminal whose master is read on a thread for as long as it lives, as a sign would.
class DrainedPty {
public:
    DrainedPty() {
        m_master = ::posix_openpt(O_RDWR | O_NOCTTY);
        if (m_master < 0 || ::grantpt(m_master) != 0 || ::unlockpt(m_master) != 0)
            throw std::runtime_error("no pseudo-terminal");
        m_name = ::ptsname(m_master);
        // Held open so the master never sees a hang-up between uploads.
        m_slave = ::open(m_name.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
        m_reader = std::thread([this] {
            char buffer[4096];
            while (!m_stop) {
                pollfd p{m_master, POLLIN, 0};
                if (::poll(&p, 1, 50) > 0)
                    benchmark::DoNotOptimize(::read(m_master, buffer, sizeof buffer));
            }
        });
    }
    ~DrainedPty() {
        m_stop = true;
        m_reader.join();
        ::close(m_slave);
        ::close(m_master);
    }
    const std::string& name() const { return m_name; }

private:
    int m_master = -1;
    int m_slave = -1;
    std::string m_name;
    std::atomic<bool> m_stop{false};
    std::thread m_reader;
};

void buildDemoFrame(TxFrame& tx) {
    const std::string text = qtadapt::toCp1251(QString::fromUtf16(DemoText));
    tx.BuildTextFrame({reinterpret_cast<const std::uint8_t*>(text.data()), text.size()});
}

void UploadDemoTextToPty(benchmark::State& state) {
    TxFrame tx;
    buildDemoFrame(tx);
    DrainedPty pty;
    PosixSerialLink link;
    Upload::Options options;
    options.waitLineTime = false; // the program's own cost, not the line's
    // As the window does it: every report of the progress is handed on.
    std::atomic<std::size_t> reports{0};
    Upload::ProgressFn progress;
    if (state.range(0) != 0)
        progress = [&reports](const UploadProgress&) { ++reports; };
    const auto start = std::chrono::steady_clock::now();
    for (auto _ : state) {
        Upload upload(link, options);
        const UploadResult result = upload.run(pty.name(), tx.frame(), progress);
        if (!result.completed()) {
            state.SkipWithError(result.failure.reason.c_str());
            break;
        }
    }
    const std::chrono::duration<double, std::milli> own = std::chrono::steady_clock::now() - start;
    const double lineMs = static_cast<double>(lineTime(tx.TxCount()).count());
    state.counters["TxCount"] = tx.TxCount();
    state.counters["line_time_ms"] = lineMs;
    // The program's own time for one upload against the time its bytes take on the line.
    state.counters["own_to_line"] = own.count() / static_cast<double>(state.iterations()) / lineMs;
    state.counters["reports"] =
        static_cast<double>(reports.load()) / static_cast<double>(state.iterations());
    state.counters["per_byte"] =
        benchmark::Counter(static_cast<double>(state.iterations()) * tx.TxCount(),
                           benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(UploadDemoTextToPty)->ArgName("progress")->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

// A paced upload as the operator runs it: the frame dealt out a quarter second ahead of the
// line over its whole line time. What counts is the processor time the uploading thread
// spends, against the line time; it should stay under 1 %.
void PacedUploadCpuShare(benchmark::State& state) {
    TxFrame tx;
    buildDemoFrame(tx);
    DrainedPty pty;
    PosixSerialLink link;
    double cpuMs = 0;
    for (auto _ : state) {
        timespec before{}, after{};
        ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &before);
        const UploadResult result = Upload(link).run(pty.name(), tx.frame());
        ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &after);
        if (!result.completed()) {
            state.SkipWithError(result.failure.reason.c_str());
            break;
        }
        cpuMs += static_cast<double>(after.tv_sec - before.tv_sec) * 1e3 +
                 static_cast<double>(after.tv_nsec - before.tv_nsec) / 1e6;
    }
    const double lineMs = static_cast<double>(lineTime(tx.TxCount()).count());
    state.counters["line_time_ms"] = lineMs;
    state.counters["cpu_percent_of_line"] =
        100.0 * cpuMs / static_cast<double>(state.iterations()) / lineMs;
}
BENCHMARK(PacedUploadCpuShare)->Iterations(2)->UseRealTime()->Unit(benchmark::kMillisecond);

// Opening and configuring alone: the part of the overhead paid before the first byte goes.
void OpenConfigureClose(benchmark::State& state) {
    DrainedPty pty;
    PosixSerialLink link;
    for (auto _ : state) {
        const auto status = link.open(pty.name());
        if (status.result != SerialLink::OpenResult::Opened) {
            state.SkipWithError(status.failure.reason.c_str());
            break;
        }
        link.close();
    }
}
BENCHMARK(OpenConfigureClose)->Unit(benchmark::kMicrosecond);

} // namespace
