// lumetra-agent against a private mosquitto on the loopback, its sign on a pseudo-terminal:
// how soon a command's first byte is on the line (goal: median under 50 ms), and the agent's
// processor time over a run of uploads against the line time they take (goal: under 1 %).

#include "AgentRig.h"

#include <benchmark/benchmark.h>

namespace {

using namespace rig;

class OneSign : public AgentRig {
public:
    OneSign() : AgentRig({"bench"}) { start(); }
    PseudoTerminal& sign() { return m_signs[0]; }
    Client& operatorClient() { return *m_operator; }
    pid_t agentPid() const { return m_agent; }
};

OneSign& rigOnce() {
    static OneSign rig;
    return rig;
}

bool readable(int fd, int timeoutMs) {
    pollfd p{fd, POLLIN, 0};
    return ::poll(&p, 1, timeoutMs) > 0;
}

void drain(int fd) {
    std::uint8_t buffer[4096];
    while (readable(fd, 0) && ::read(fd, buffer, sizeof buffer) > 0) {
    }
}

// Publish a text, time until its first byte arrives, then cancel the rest (the line time of
// the frame is not what is measured) and wait for its result.
void BM_CommandToFirstByte(benchmark::State& state) {
    OneSign& rig = rigOnce();
    const int master = rig.sign().master();
    static int job = 0; // repetitions call again; ids stay unique
    for (auto _ : state) {
        const std::string id = "first-" + std::to_string(++job);
        drain(master);
        const auto begin = std::chrono::steady_clock::now();
        rig.operatorClient().publish("lumetra/bench/cmd/text",
                                     json{{"text", "first byte"}, {"job", id}}.dump());
        if (!readable(master, 5000)) {
            state.SkipWithError("nothing on the line within 5 s");
            return;
        }
        state.SetIterationTime(
            std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count());
        rig.operatorClient().publish("lumetra/bench/cmd/cancel", json{{"job", id}}.dump());
        // The cancel's own result carries the job too; the text's says the upload is over.
        if (!rig.operatorClient().awaitJson("lumetra/bench/upload/result", [&](const json& r) {
                return r["job"] == id && r["command"] == "text";
            })) {
            state.SkipWithError("no result");
            return;
        }
        drain(master);
    }
}
BENCHMARK(BM_CommandToFirstByte)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->Repetitions(25)
    ->ReportAggregatesOnly(true);

// Uploads of a few hundred bytes, each to its end; the sign's line drained as it comes.
void BM_ProcessorTimePerLineTime(benchmark::State& state) {
    OneSign& rig = rigOnce();
    const int master = rig.sign().master();
    const std::string text(static_cast<std::size_t>(state.range(0)), 'x');
    const auto line = agent::lineTime(textFrame(text).size());
    std::chrono::microseconds cpu{0};
    std::chrono::milliseconds lineTotal{0};
    static int job = 0; // repetitions call again; ids stay unique
    for (auto _ : state) {
        const std::string id = "cpu-" + std::to_string(++job);
        drain(master);
        const auto before = cpuTime(rig.agentPid());
        rig.operatorClient().publish("lumetra/bench/cmd/text",
                                     json{{"text", text}, {"job", id}}.dump());
        std::atomic<bool> done{false};
        std::thread reader([&] {
            std::uint8_t buffer[4096];
            while (!done)
                if (readable(master, 20))
                    (void)::read(master, buffer, sizeof buffer);
        });
        const auto result = rig.result("bench", id, line + 30s);
        done = true;
        reader.join();
        if (!result || (*result)["outcome"] != "sent") {
            state.SkipWithError("the upload did not go");
            return;
        }
        cpu +=
            std::chrono::duration_cast<std::chrono::microseconds>(cpuTime(rig.agentPid()) - before);
        lineTotal += line;
    }
    state.counters["cpu_ms"] = static_cast<double>(cpu.count()) / 1000.0;
    state.counters["line_ms"] = static_cast<double>(lineTotal.count());
    state.counters["cpu_percent_of_line"] =
        100.0 * static_cast<double>(cpu.count()) / 1000.0 / static_cast<double>(lineTotal.count());
}
BENCHMARK(BM_ProcessorTimePerLineTime)->Arg(300)->Iterations(6)->Unit(benchmark::kSecond);

} // namespace

BENCHMARK_MAIN();
