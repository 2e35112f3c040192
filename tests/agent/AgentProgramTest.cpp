// Programs run by lumetra-agent itself, under a private mosquitto and with no broker, on the
// agent's clock set by LUMETRA_AGENT_CLOCK; what reaches the signs is held against what
// --print and --week say of the same moments.

#include "AgentRig.h"
#include "editor/MessageEncoding.h"
#include "editor/MessageFile.h"

#include <gtest/gtest.h>

#include <cstdio>

namespace {

using namespace rig;

// What the agent prints, and its exit status.
std::pair<std::string, int> agentOutput(const std::string& arguments) {
    FILE* pipe = ::popen((std::string(LUMETRA_AGENT_PATH) + " " + arguments).c_str(), "r");
    std::string out;
    char buffer[4096];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;)
        out.append(buffer, n);
    const int status = ::pclose(pipe);
    return {out, WIFEXITED(status) ? WEXITSTATUS(status) : -1};
}

std::string cp1251(const std::string& utf8) {
    return messagefile::withCrLfBreaks(decodeMessage(utf8, MessageEncoding::Utf8).cp1251);
}

// The frames one after another on a line.
std::vector<Bytes> framesOf(const Bytes& line) {
    std::vector<Bytes> frames;
    const Bytes end = {0xFF, 0xF0, 0xFF};
    for (auto from = line.begin(); from != line.end();) {
        const auto at = std::search(from, line.end(), end.begin(), end.end());
        if (at == line.end())
            break;
        frames.emplace_back(from, at + 3);
        from = at + 3;
    }
    return frames;
}

// The cells of each line of --week: when, entries, "N bytes", "T s", the text in JSON.
std::vector<std::vector<std::string>> weekOf(const std::string& out) {
    std::vector<std::vector<std::string>> lines;
    std::istringstream in(out);
    for (std::string line; std::getline(in, line);) {
        std::istringstream cells(line);
        auto& row = lines.emplace_back();
        for (std::string cell; std::getline(cells, cell, '\t');)
            row.push_back(cell);
    }
    return lines;
}

class AgentProgram : public ::testing::Test, protected AgentRig {
protected:
    AgentProgram() : AgentRig({"p1", "p2"}) {}
    ~AgentProgram() override { end(m_alone, SIGTERM); }
    void TearDown() override {
        end(m_alone, SIGTERM);
        stop();
        if (HasFailure())
            std::printf("%s--- alone ---\n%s", logs().c_str(), m_dir.read("alone.log").c_str());
    }
    // The agent's clock starts at `clock` ("<moment>[*<rate>]"), with the program at hand.
    void begin(const std::string& clock, const std::string& program) {
        ::setenv("LUMETRA_AGENT_CLOCK", clock.c_str(), 1);
        m_dir.write("shop.lprog", program);
        ASSERT_NO_THROW(start()) << logs();
    }
    std::pair<std::string, int> print(const std::string& arguments) {
        return agentOutput("--program " + m_dir.path("shop.lprog") + " " + arguments);
    }
    std::size_t programUploads() {
        std::size_t n = 0;
        for (const auto& [topic, payload] : m_operator->messages())
            if (topic == "lumetra/p1/upload/result") {
                const json r = json::parse(payload);
                n += r["command"] == "program" && r["outcome"] == "sent";
            }
        return n;
    }

    pid_t m_alone = -1;
};

TEST_F(AgentProgram, SettingAVariableUploadsOnceTheFramePrintGivesAndTheSameValueNothing) {
    const std::string program = R"({"timezone": "Europe/Moscow", "entries": [
        {"name": "вечер", "text": "{date} {time:HH} до {var:close}"}]})";
    begin("2026-12-09T08:30:00+03:00", program);
    const auto [unset, unsetStatus] = print("--at 2026-12-09T08:30 --print");
    ASSERT_EQ(unsetStatus, 0);
    ASSERT_EQ(unset, "09.12.2026 08 до ?\n");
    const auto [set, setStatus] = print("--at 2026-12-09T08:30 --print --var close=21:00");
    ASSERT_EQ(setStatus, 0);
    const Bytes first = textFrame(cp1251(unset.substr(0, unset.size() - 1)));
    const Bytes second = textFrame(cp1251(set.substr(0, set.size() - 1)));

    {
        MasterReader line(m_signs[0], first.size());
        m_operator->publish("lumetra/p1/cmd/program", program, true);
        EXPECT_EQ(line.bytes(), first);
    }
    const auto loaded = m_operator->awaitJson(
        "lumetra/p1/upload/result", [](const json& r) { return r["outcome"] == "loaded"; });
    ASSERT_TRUE(loaded);
    EXPECT_NE((*loaded)["warnings"].dump().find("{var:close}"), std::string::npos) << *loaded;
    {
        MasterReader line(m_signs[0], second.size());
        m_operator->publish("lumetra/vars/close", "21:00", true);
        EXPECT_EQ(line.bytes(), second);
    }
    EXPECT_EQ(m_operator->count("lumetra/p1/upload/result", 3), 3u);
    m_operator->publish("lumetra/vars/close", "21:00", true);
    EXPECT_TRUE(lineWithin(m_signs[0], 3s).empty());
    EXPECT_EQ(programUploads(), 2u);
    const auto state = m_operator->awaitJson(
        "lumetra/p1/state", [](const json& s) { return s["text"] == "09.12.2026 08 до 21:00"; });
    ASSERT_TRUE(state);
    EXPECT_EQ((*state)["program"]["entries"], json::array({"вечер"}));
}

// Three hours in about ten seconds, under the broker and with none: each sign gets the
// week's changes in order, byte for byte.
TEST_F(AgentProgram, OnAFastClockTheUploadsAreTheChangesWeekNames) {
    const std::string program = R"({"timezone": "Europe/Moscow", "default": "Закрыто",
        "entries": [{"name": "часы", "text": "Час {time:HH}", "from": "10:00", "to": "13:00"}]})";
    const std::string clock = "2026-12-09T09:30:00+03:00*1200";
    begin(clock, program);
    const auto [out, status] = print("--at 2026-12-09T09:30 --week");
    ASSERT_EQ(status, 0);
    const auto week = weekOf(out);
    ASSERT_GE(week.size(), 5u) << out;
    EXPECT_EQ(week[1], (std::vector<std::string>{"2026-12-09T10:00:00+03:00", "часы", "215 bytes",
                                                 "2.0 s", "\"Час 10\""}));
    EXPECT_EQ(week[4][3], "2.0 s");
    std::vector<Bytes> expected;
    std::size_t expectedBytes = 0;
    for (std::size_t i = 0; i < 5; ++i) {
        expected.push_back(textFrame(cp1251(json::parse(week[i][4]).get<std::string>())));
        expectedBytes += expected.back().size();
        EXPECT_EQ(std::to_string(expected.back().size()) + " bytes", week[i][2]);
    }

    MasterReader brokered(m_signs[0], expectedBytes), alone(m_signs[1], expectedBytes);
    m_operator->publish("lumetra/p1/cmd/program", program, true);
    m_alone = spawn({LUMETRA_AGENT_PATH, "--program", m_dir.path("shop.lprog"), "--port",
                     m_signs[1].slaveName()},
                    m_dir.path("alone.log"));
    EXPECT_EQ(framesOf(brokered.bytes()), expected);
    EXPECT_EQ(framesOf(alone.bytes()), expected);
    // The day's last change named, the state tells the next day's first.
    const auto state = m_operator->awaitJson("lumetra/p1/state", [](const json& s) {
        return s["text"] == "Закрыто" && s.contains("program") &&
               s["program"]["next_change"]["at"] == "2026-12-10T10:00:00+03:00";
    });
    ASSERT_TRUE(state);
    EXPECT_EQ((*state)["program"]["next_change"]["entries"], json::array({"часы"}));
    EXPECT_EQ((*state)["program"]["entries"], json::array());
    EXPECT_NE(m_dir.read("alone.log").find("next change 2026-12-10T10:00:00+03:00"),
              std::string::npos);
}

TEST_F(AgentProgram, PrintAndWeekSayWhatIsWrongWithExitStatusTwo) {
    const std::string good =
        R"({"timezone": "UTC", "entries": [{"name": "a", "text": "{time:HH:mm} {var:x}"}]})";
    // Without --at, the moment is the agent's clock.
    ::setenv("LUMETRA_AGENT_CLOCK", "2026-12-09T08:30:00+03:00", 1);
    const struct {
        std::string program, arguments;
        int status;
        std::string out; // the start of what it prints, on either stream
    } cases[] = {
        {good, "--print --var x=1", 0, "05:30 1\n"},
        {good, "--print", 0, "lumetra-agent: warning: {var:x} has never been set"},
        {good, "--week --at 2026-12-09T23:59:30Z", 0, "2026-12-09T23:59:30+00:00\ta\t"},
        {R"({"entries": [{"name": "a", "text": "{temp}"}]})", "--print", 2,
         "lumetra-agent: " + m_dir.path("shop.lprog") + ": entry 1 \"a\": \"text\": unknown field"},
        {good, "--at 2026-12-09 --print", 2,
         "lumetra-agent: " + m_dir.path("shop.lprog") + ": \"2026-12-09\" is not a moment"},
        {good, "--print --week", 2, "--print excludes --week"},
        {good, "", 2, "lumetra-agent: --program needs --port, --print or --week\n"},
        {good, "--print --var =x", 2, "lumetra-agent: --var =x: expected NAME=VALUE"},
        {good, "--port /dev/null --at 2026-12-09T08:30:00Z", 2, "--port excludes --at"},
        {"", "--print", 2, "lumetra-agent: " + m_dir.path("shop.lprog") + ": not valid JSON"},
    };
    for (const auto& c : cases) {
        m_dir.write("shop.lprog", c.program);
        const auto [out, status] = print(c.arguments + " 2>&1");
        EXPECT_EQ(status, c.status) << c.arguments << "\n" << out;
        EXPECT_TRUE(out.starts_with(c.out)) << c.arguments << "\n" << out;
    }
    EXPECT_EQ(agentOutput("--program " + m_dir.path("none.lprog") + " --print 2>&1"),
              std::make_pair("lumetra-agent: " + m_dir.path("none.lprog") +
                                 ": No such file or directory\n",
                             2));
}

} // namespace
