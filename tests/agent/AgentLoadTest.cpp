// One agent with many signs under a stream of texts, twice: every command gets its one result,
// every sign ends with its last text, and a second round leaves the agent no bigger.

#include "AgentRig.h"
#include "fleet/Digest.h"
#include "frames/FrameDecoder.h"

#include <gtest/gtest.h>

#include <atomic>
#include <map>

namespace {

using namespace rig;

constexpr std::size_t SignCount = 20;
constexpr std::size_t CommandsPerRound = 1000;
constexpr auto RoundTime = 10s;
// What the agent may grow by from one round to the next: allocator noise, not a leak.
constexpr long SlackKb = 1024;

std::vector<std::string> signIds() {
    std::vector<std::string> ids;
    for (std::size_t i = 0; i < SignCount; ++i)
        ids.push_back("load" + std::to_string(i));
    return ids;
}

class AgentLoad : public ::testing::Test, protected AgentRig {
protected:
    AgentLoad() : AgentRig(signIds()), m_lines(SignCount) {}

    void SetUp() override {
        ASSERT_NO_THROW(start()) << logs();
        m_reader = std::thread([this] { readLines(); });
    }
    void TearDown() override {
        m_reading = false;
        m_reader.join();
        stop();
        if (HasFailure())
            std::printf("%s", logs().c_str());
    }

    // Every sign's line, drained as a sign would, into one buffer per sign.
    void readLines() {
        std::vector<pollfd> fds(SignCount);
        std::uint8_t buffer[4096];
        while (m_reading) {
            for (std::size_t i = 0; i < SignCount; ++i)
                fds[i] = {m_signs[i].master(), POLLIN, 0};
            if (::poll(fds.data(), fds.size(), 50) > 0)
                for (std::size_t i = 0; i < SignCount; ++i) {
                    const ssize_t n = fds[i].revents & POLLIN ? ::read(fds[i].fd, buffer, 4096) : 0;
                    std::lock_guard lock(m_linesMutex);
                    m_lines[i].insert(m_lines[i].end(), buffer, buffer + std::max<ssize_t>(n, 0));
                }
        }
    }
    Bytes line(std::size_t sign) {
        std::lock_guard lock(m_linesMutex);
        return m_lines[sign];
    }
    // The outcomes each job named `stem`... has been given so far.
    std::map<std::string, std::vector<std::string>> outcomes(const std::string& stem) {
        std::map<std::string, std::vector<std::string>> out;
        for (const auto& [topic, payload] : m_operator->messages()) {
            const json r = json::parse(payload, nullptr, false);
            if (topic.ends_with("/upload/result") && r.is_object() && r["job"].is_string() &&
                r["job"].get<std::string>().starts_with(stem))
                out[r["job"]].push_back(r["outcome"]);
        }
        return out;
    }

    // One round of texts spread evenly over the signs and the time; checks what came of them.
    void round(int number) {
        std::vector<std::size_t> lineStart(SignCount);
        for (std::size_t s = 0; s < SignCount; ++s)
            lineStart[s] = line(s).size();
        const std::string stem = "r" + std::to_string(number) + "-";
        std::vector<std::string> lastText(SignCount), lastJob(SignCount);
        const auto begin = std::chrono::steady_clock::now();
        for (std::size_t i = 0; i < CommandsPerRound; ++i) {
            std::this_thread::sleep_until(begin + RoundTime * i / CommandsPerRound);
            const std::size_t s = i % SignCount;
            lastText[s] = "round " + std::to_string(number) + " text " + std::to_string(i);
            lastJob[s] = stem + std::to_string(i);
            m_operator->publish("lumetra/" + m_ids[s] + "/cmd/text",
                                json{{"text", lastText[s]}, {"job", lastJob[s]}}.dump());
        }
        const auto deadline = std::chrono::steady_clock::now() + 60s;
        while (outcomes(stem).size() < CommandsPerRound &&
               std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(200ms);
        std::this_thread::sleep_for(500ms); // a second result for any of them would come by now
        auto got = outcomes(stem);

        ASSERT_EQ(got.size(), CommandsPerRound);
        std::vector<std::size_t> sent(SignCount);
        for (std::size_t i = 0; i < CommandsPerRound; ++i) {
            const auto& job = got[stem + std::to_string(i)];
            ASSERT_EQ(job.size(), 1u) << "job " << stem << i;
            EXPECT_TRUE(job[0] == "sent" || job[0] == "superseded") << job[0];
            sent[i % SignCount] += job[0] == "sent";
        }

        Client late(m_port, "operator", {"lumetra/+/state"});
        for (std::size_t s = 0; s < SignCount; ++s) {
            const std::string& sign = m_ids[s];
            EXPECT_EQ(got[lastJob[s]].front(), "sent") << sign;
            // Whole frames one after another, as many as went, the last one the last text.
            const Bytes bytes = line(s);
            const std::vector<DecodedFrame> frames =
                decodeFrames(std::span(bytes).subspan(lineStart[s]));
            ASSERT_EQ(frames.size(), sent[s]) << sign;
            for (const DecodedFrame& f : frames)
                EXPECT_EQ(f.kind, DecodedFrame::Kind::Text) << sign << ": " << f.error;
            const Bytes expected = textFrame(lastText[s]);
            ASSERT_GE(bytes.size(), lineStart[s] + expected.size()) << sign;
            EXPECT_TRUE(std::ranges::equal(std::span(bytes).last(expected.size()), expected))
                << sign;
            const auto state = late.awaitJson("lumetra/" + sign + "/state");
            ASSERT_TRUE(state) << sign;
            EXPECT_EQ((*state)["job"], lastJob[s]) << sign;
            EXPECT_EQ((*state)["text"], lastText[s]) << sign;
            EXPECT_EQ(fleet::fromBase64((*state)["frame_b64"].get<std::string>()), expected)
                << sign;
        }
    }

    std::deque<Bytes> m_lines;
    std::mutex m_linesMutex;
    std::atomic<bool> m_reading{true};
    std::thread m_reader;
};

TEST_F(AgentLoad, ThousandTextsOnTwentySignsEachGetOneResultTheLastOneWinsNothingGrows) {
    ASSERT_NO_FATAL_FAILURE(round(1));
    const long rss = statusKb(m_agent, "VmRSS"), peak = statusKb(m_agent, "VmHWM");
    ASSERT_GT(rss, 0);
    ASSERT_NO_FATAL_FAILURE(round(2));
    EXPECT_LE(statusKb(m_agent, "VmRSS"), rss + SlackKb) << "after round 1: " << rss << " kB";
    EXPECT_LE(statusKb(m_agent, "VmHWM"), peak + SlackKb) << "after round 1: " << peak << " kB";
}

} // namespace
