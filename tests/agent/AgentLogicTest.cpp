// The agent's logic for one sign, with a broker and a port that the test drives.

#include "SignAgent.h"
#include "TempDir.h"
#include "base/Cp1251.h"
#include "fleet/Digest.h"

#include <gtest/gtest.h>

#include <deque>
#include <map>

namespace {

using namespace agent;
using namespace fleet;
using nlohmann::json;
using namespace std::chrono_literals;

class FakeBroker : public Broker {
public:
    struct Published {
        std::string topic, payload;
        bool retain = false;
        std::chrono::steady_clock::time_point at;
    };
    explicit FakeBroker(const std::chrono::steady_clock::time_point* clock = nullptr)
        : m_clock(clock) {}
    void start(Events events) override { m_events = std::move(events); }
    void publish(const std::string& topic, std::string_view payload, int, bool retain) override {
        published.push_back({topic, std::string(payload), retain,
                             m_clock ? *m_clock : std::chrono::steady_clock::time_point{}});
    }
    void subscribe(const std::string& pattern, int) override { subscriptions.push_back(pattern); }
    void stop(std::chrono::milliseconds) override {}

    void connect() { m_events.connected(); }
    void send(const std::string& topic, const std::string& payload, bool retained = false) {
        m_events.message({topic, payload, payload.size(), retained});
    }
    std::vector<json> all(const std::string& topic) const {
        std::vector<json> out;
        for (const Published& p : published)
            if (p.topic == topic)
                out.push_back(json::parse(p.payload));
        return out;
    }

    std::vector<Published> published;
    std::vector<std::string> subscriptions;

private:
    const std::chrono::steady_clock::time_point* m_clock;
    Events m_events;
};

// A port whose uploads take one second of the test's clock each, telling progress every
// 100 ms; it gives up when cancelled.
class FakePort : public SignPort {
public:
    explicit FakePort(std::chrono::steady_clock::time_point& clock) : m_clock(clock) {}
    PortResult send(const std::string& port, std::span<const std::uint8_t> frame,
                    const ProgressFn& progress, const std::atomic<bool>& cancel) override {
        frames.emplace_back(frame.begin(), frame.end());
        ports.push_back(port);
        if (cancel.load())
            return {PortResult::Outcome::Cancelled, "", 0, frame.size()};
        for (int tick = 1; tick <= 10; ++tick) {
            m_clock += 100ms;
            progress({frame.size() * tick / 10, frame.size(), 1000ms - tick * 100ms});
        }
        const bool sent = outcome == PortResult::Outcome::Sent;
        return {outcome, error, sent ? frame.size() : sentOnFailure, frame.size()};
    }

    PortResult::Outcome outcome = PortResult::Outcome::Sent;
    std::string error;
    std::size_t sentOnFailure = 0;
    std::vector<Bytes> frames;
    std::vector<std::string> ports;

private:
    std::chrono::steady_clock::time_point& m_clock;
};

Bytes textFrame(const std::string& cp1251) {
    return *buildTextFrame({reinterpret_cast<const std::uint8_t*>(cp1251.data()), cp1251.size()});
}

std::string asString(const Bytes& bytes) {
    return {bytes.begin(), bytes.end()};
}

class AgentLogic : public ::testing::Test {
protected:
    AgentLogic() { restart(); }

    // A new agent over the same state file, as after a restart of the program.
    void restart(std::size_t maxLength = 10) {
        agent.reset();
        broker = FakeBroker(&steady);
        SignSetup setup{{"shop-1", "/dev/ttyUSB0", maxLength, "Витрина", 1},
                        "lumetra",
                        "homeassistant",
                        "2.9",
                        dir.path("shop-1.json")};
        SignEnv env{broker,
                    port,
                    [this](std::function<void()> task) {
                        fireTimers();
                        task();
                    },
                    [this](std::chrono::milliseconds wait, std::function<void()> task) {
                        timers.emplace(steady + wait, std::move(task));
                    },
                    [this](std::function<void()> job) { uploads.push_back(std::move(job)); },
                    [this]() -> std::chrono::system_clock::time_point {
                        if (wall)
                            return *wall + steady.time_since_epoch();
                        return std::chrono::sys_days(std::chrono::June / 10 / 2024) + 8h;
                    },
                    [this] { return steady; },
                    {},
                    1.0};
        agent = std::make_unique<SignAgent>(setup, env);
        agent->start();
        broker.connect();
    }

    // Runs the upload under way to its end, and the timers due by then.
    void finishUpload() {
        ASSERT_FALSE(uploads.empty());
        auto job = std::move(uploads.front());
        uploads.pop_front();
        job();
        steady += 1s;
        fireTimers();
    }
    void fireTimers() {
        while (!timers.empty() && timers.begin()->first <= steady) {
            auto task = std::move(timers.begin()->second);
            timers.erase(timers.begin());
            task();
        }
    }

    void command(const std::string& verb, const std::string& payload) {
        broker.send("lumetra/shop-1/cmd/" + verb, payload);
    }
    std::vector<json> results() const { return broker.all("lumetra/shop-1/upload/result"); }
    json lastRetained(const std::string& topic) const {
        for (auto it = broker.published.rbegin(); it != broker.published.rend(); ++it)
            if (it->topic == topic) {
                EXPECT_TRUE(it->retain) << topic;
                return json::parse(it->payload);
            }
        return nullptr;
    }
    // Each job has exactly one result.
    void expectOneResultEach(const std::vector<std::string>& jobs) const {
        std::map<std::string, int> count;
        for (const json& r : results())
            if (r["command"] != "cancel")
                ++count[r["job"].dump()];
        for (const std::string& job : jobs)
            EXPECT_EQ(count[json(job).dump()], 1) << job;
    }

    // Runs the clock to `end` a minute at a time, with the timers and uploads due on the way.
    void runUntil(std::chrono::steady_clock::time_point end,
                  const std::function<void()>& everyMinute = {}) {
        while (steady < end) {
            steady = std::min(end, steady + 1min);
            fireTimers();
            while (!uploads.empty())
                finishUpload();
            if (everyMinute)
                everyMinute();
        }
    }
    void program(const std::string& text, bool retained = true) {
        broker.send("lumetra/shop-1/cmd/program", text, retained);
    }
    std::vector<std::string> texts() const {
        std::vector<std::string> out;
        for (const Bytes& frame : port.frames)
            out.push_back(asString(std::get<FrameContent>(readFrame(frame)).payload));
        return out;
    }

    TempDir dir;
    // Set: the wall clock runs with the steady one from this moment.
    std::optional<std::chrono::sys_seconds> wall;
    std::chrono::steady_clock::time_point steady{};
    std::multimap<std::chrono::steady_clock::time_point, std::function<void()>> timers;
    std::deque<std::function<void()>> uploads;
    FakeBroker broker;
    FakePort port{steady};
    std::unique_ptr<SignAgent> agent;
};

TEST_F(AgentLogic, OnConnectItIsOnlineDiscoverableAndListensToItsOwnCommandsOnly) {
    EXPECT_EQ(broker.subscriptions,
              (std::vector<std::string>{"lumetra/shop-1/cmd/+", "lumetra/vars/+"}));
    EXPECT_EQ(broker.published.front().topic, "lumetra/shop-1/availability");
    EXPECT_EQ(broker.published.front().payload, "online");
    // component, object, a key of its own and its value.
    const std::vector<std::tuple<std::string, std::string, std::string, json>> entities = {
        {"text", "message", "max", 255},
        {"text", "message", "command_topic", "lumetra/shop-1/cmd/text"},
        {"button", "resend", "command_topic", "lumetra/shop-1/cmd/resend"},
        {"sensor", "progress", "unit_of_measurement", "%"},
        {"sensor", "uploaded_at", "device_class", "timestamp"},
        {"binary_sensor", "problem", "device_class", "problem"},
        {"sensor", "text", "state_topic", "lumetra/shop-1/state"},
    };
    for (const auto& [component, object, key, value] : entities) {
        const json config =
            lastRetained("homeassistant/" + component + "/lumetra_shop-1/" + object + "/config");
        ASSERT_TRUE(config.is_object()) << component << "/" << object;
        EXPECT_EQ(config[key], value) << object;
        EXPECT_EQ(config["availability_topic"], "lumetra/shop-1/availability");
        EXPECT_EQ(config["device"]["identifiers"], json::array({"lumetra_shop-1"}));
        EXPECT_EQ(config["device"]["name"], "Витрина");
        EXPECT_EQ(config["unique_id"], "lumetra_shop-1_" + object);
    }
    EXPECT_EQ(lastRetained("homeassistant/text/lumetra_shop-1/message/config")["name"],
              "Сообщение");
    EXPECT_EQ(lastRetained("homeassistant/binary_sensor/lumetra_shop-1/problem/config")["name"],
              "Ошибка передачи");

    // A command left retained on the broker is not carried out again.
    broker.send("lumetra/shop-1/cmd/text", "old", true);
    EXPECT_TRUE(uploads.empty());
    EXPECT_TRUE(results().empty());
}

TEST_F(AgentLogic, EveryBadPayloadGetsItsResultAndNothingGoesToTheLine) {
    const Bytes frame = textFrame("abc");
    Bytes shortPreamble(frame.begin() + 100, frame.end());
    const std::string longFrame = std::string(70000, '\xFF') + asString(frame).substr(200);
    const std::vector<std::tuple<std::string, std::string, std::string, std::string>> cases = {
        {"text", "\xD0\xBF\xFF", "bad-input", "not UTF-8"},
        {"text", "{\"text\":", "bad-input", "not valid JSON"},
        {"text", "{\"txt\":\"a\"}", "bad-input", "no \"text\""},
        {"text", "{\"text\":\"a\",\"job\":[1]}", "bad-input", "\"job\""},
        {"text", "aaaaaaaaaaa", "too-long", "11 characters; this sign takes at most 10"},
        {"text", "aaaa\nbbbbb", "too-long", "11 characters"}, // the line break counts two
        {"text", std::string(16 << 20, 'x'), "bad-input", "at most 262144"},
        {"font", std::string(2047, '\0'), "bad-input", "2048 bytes, not 2047"},
        {"font", "{\"base64\":\"AA!A\"}", "bad-input", "not base64"},
        {"font", "{\"base64\":\"AAAA\"}", "bad-input", "2048 bytes, not 3"},
        {"frame", "junk", "bad-input", "does not decode"},
        {"frame", asString(frame) + asString(frame), "bad-input", "more than one frame"},
        {"frame", asString(frame).substr(0, frame.size() - 1), "bad-input", "truncated"},
        {"frame", "xy" + asString(frame), "bad-input", "2 stray bytes"},
        {"frame", asString(shortPreamble), "bad-input", "preamble is 100 bytes"},
        {"frame", asString(textFrame("aaaaaaaaaaa")), "too-long", "at most 10"},
        {"frame", longFrame, "too-long", "at most 65500"},
        {"frame", "{\"job\":1}", "bad-input", "no \"base64\""},
        {"resend", "", "bad-input", "no text was sent yet"},
        {"reboot", "", "bad-input", "unknown command \"reboot\""},
    };
    for (std::size_t i = 0; i < cases.size(); ++i) {
        const auto& [verb, payload, outcome, error] = cases[i];
        command(verb, payload);
        ASSERT_EQ(results().size(), i + 1) << verb << " case " << i;
        const json r = results().back();
        EXPECT_EQ(r["outcome"], outcome) << r << " case " << i;
        EXPECT_NE(r["error"].get<std::string>().find(error), std::string::npos) << r;
        EXPECT_EQ(r["command"], verb) << r;
        EXPECT_FALSE(r["job"].is_null()) << r;
    }
    EXPECT_TRUE(uploads.empty());
    EXPECT_TRUE(port.frames.empty());
}

TEST_F(AgentLogic, AnUploadedTextIsConvertedAsTheWindowDoesAndBecomesTheRetainedState) {
    restart(6000);
    command("text", "Я ✓\nok");
    finishUpload();
    const Bytes frame = textFrame("\xDF ?\r\nok");
    ASSERT_EQ(port.frames, std::vector<Bytes>{frame});
    EXPECT_EQ(port.ports, std::vector<std::string>{"/dev/ttyUSB0"});
    const json r = results().back();
    EXPECT_EQ(r["outcome"], "sent");
    EXPECT_EQ(r["replaced"], 1);
    EXPECT_EQ(r["sent"], frame.size());

    const json state = lastRetained("lumetra/shop-1/state");
    const Bytes sentText = {0xDF, ' ', '?', ' ', ' ', 'o', 'k'};
    EXPECT_EQ(state["text"], "Я ?  ok");
    EXPECT_EQ(state["name"], "Витрина");
    EXPECT_EQ(state["sha256"], sha256Hex(sentText));
    EXPECT_EQ(state["frame_bytes"], frame.size());
    EXPECT_EQ(state["uploaded_at"], "2024-06-10T08:00:00Z");
    EXPECT_EQ(state["result"], "sent");
    EXPECT_EQ(state["port"], "/dev/ttyUSB0");
    EXPECT_EQ(fromBase64(state["frame_b64"].get<std::string>()), frame);
    EXPECT_EQ(state["job"], r["job"]);
    EXPECT_FALSE(state.contains("font_sha256"));

    // A font and a frame given as JSON, with their jobs.
    Bytes table(FontTableBytes, 0x11);
    command("font", "{\"base64\":\"" + toBase64(table) + "\",\"job\":7}");
    finishUpload();
    command("frame", "{\"base64\":\"" + toBase64(frame) + "\",\"job\":\"again\"}");
    finishUpload();
    EXPECT_EQ(port.frames.at(1), buildFontFrame(std::span<const std::uint8_t, 2048>(table)));
    EXPECT_EQ(port.frames.at(2), frame);
    EXPECT_EQ(results().at(1)["job"], 7);
    EXPECT_EQ(results().at(2)["job"], "again");
    EXPECT_EQ(lastRetained("lumetra/shop-1/state")["font_sha256"],
              sha256Hex(Bytes(FontTableBytes - 256, 0x11)));

    // The state and the frame to send again outlive the program.
    const json before = lastRetained("lumetra/shop-1/state");
    restart(6000);
    EXPECT_EQ(lastRetained("lumetra/shop-1/state"), before);
    command("resend", "");
    finishUpload();
    EXPECT_EQ(port.frames.back(), frame);
}

TEST_F(AgentLogic, ANewerWaitingCommandSupersedesTheOlderAndEveryCommandGetsOneResult) {
    command("text", "{\"text\":\"A\",\"job\":\"a\"}");
    command("font", std::string(FontTableBytes, '\0'));
    command("text", "{\"text\":\"B\",\"job\":\"b\"}");
    command("text", "{\"text\":\"C\",\"job\":\"c\"}");
    ASSERT_EQ(results().size(), 1u);
    EXPECT_EQ(results()[0]["job"], "b");
    EXPECT_EQ(results()[0]["outcome"], "superseded");
    EXPECT_NE(results()[0]["error"].get<std::string>().find("\"c\""), std::string::npos);
    // The font waits apart, and what waits goes in the order it came.
    finishUpload();
    finishUpload();
    finishUpload();
    EXPECT_TRUE(uploads.empty());
    ASSERT_EQ(port.frames.size(), 3u);
    EXPECT_EQ(port.frames[0], textFrame("A"));
    EXPECT_EQ(port.frames[1][200], 0xF8);
    EXPECT_EQ(port.frames[2], textFrame("C"));
    const std::string font = results()[2]["job"].get<std::string>();
    expectOneResultEach({"a", "b", "c", font});
}

TEST_F(AgentLogic, CancelStopsTheJobNamedOrEverythingAndSaysWhenThereWasNothing) {
    command("text", "{\"text\":\"A\",\"job\":\"a\"}");
    command("text", "{\"text\":\"B\",\"job\":\"b\"}");
    command("cancel", "{\"job\":\"b\"}");
    ASSERT_EQ(results().size(), 2u);
    EXPECT_EQ(results()[0]["job"], "b");
    EXPECT_EQ(results()[0]["outcome"], "cancelled");
    EXPECT_EQ(results()[1]["command"], "cancel");
    EXPECT_EQ(results()[1]["error"], "");

    command("cancel", "");
    finishUpload();
    EXPECT_EQ(results().back()["job"], "a");
    EXPECT_EQ(results().back()["outcome"], "cancelled");
    command("cancel", "{\"job\":\"a\"}");
    EXPECT_EQ(results().back()["error"], "nothing to cancel");
    expectOneResultEach({"a", "b"});
    EXPECT_TRUE(lastRetained("lumetra/shop-1/state").is_null()); // nothing left the line
}

TEST_F(AgentLogic, AFailingPortIsReportedAndResendTriesTheSameFrameAgain) {
    port.outcome = PortResult::Outcome::OpenFailed;
    port.error = "No such file or directory";
    command("text", "hello");
    finishUpload();
    EXPECT_EQ(results().back()["outcome"], "open-failed");
    EXPECT_EQ(results().back()["error"], "No such file or directory");
    EXPECT_TRUE(lastRetained("lumetra/shop-1/state").is_null());

    // Cut off halfway: the sign may have lost its text, and the state says so.
    port.outcome = PortResult::Outcome::WriteFailed;
    port.error = "Input/output error";
    port.sentOnFailure = 100;
    command("resend", "{}");
    finishUpload();
    EXPECT_EQ(results().back()["outcome"], "write-failed");
    EXPECT_EQ(lastRetained("lumetra/shop-1/state")["result"], "failed");
    EXPECT_EQ(lastRetained("lumetra/shop-1/state")["error"], "Input/output error");

    port.outcome = PortResult::Outcome::Sent;
    port.error.clear();
    command("resend", "PRESS");
    finishUpload();
    ASSERT_EQ(port.frames.size(), 3u);
    EXPECT_EQ(port.frames[0], textFrame("hello"));
    EXPECT_EQ(port.frames[2], port.frames[0]);
    EXPECT_EQ(lastRetained("lumetra/shop-1/state")["result"], "sent");
}

TEST_F(AgentLogic, ProgressGoesAtMostTwiceASecondAndItsLastWordAlwaysFollows) {
    command("text", "abc");
    finishUpload();
    command("text", "def");
    finishUpload();
    std::vector<FakeBroker::Published> progress;
    for (const FakeBroker::Published& p : broker.published)
        if (p.topic == "lumetra/shop-1/upload/progress")
            progress.push_back(p);
    ASSERT_GE(progress.size(), 6u); // two uploads of one second, ten steps each
    for (std::size_t i = 1; i < progress.size(); ++i)
        EXPECT_GE(progress[i].at - progress[i - 1].at, ProgressInterval) << i;
    const json first = json::parse(progress.front().payload);
    const json last = json::parse(progress.back().payload);
    EXPECT_EQ(first["sent"], 0);
    EXPECT_DOUBLE_EQ(first["seconds_left"].get<double>(), 1.9); // 210 bytes at 1200 baud
    EXPECT_EQ(last["sent"], last["total"]);
    EXPECT_EQ(last["job"], results().back()["job"]);
}

TEST_F(AgentLogic, StopCancelsWhatWaitsAndRunsThenGoesOffline) {
    command("text", "{\"text\":\"A\",\"job\":\"a\"}");
    command("text", "{\"text\":\"B\",\"job\":\"b\"}");
    bool stopped = false;
    agent->stop([&] { stopped = true; });
    command("text", "{\"text\":\"C\",\"job\":\"c\"}");
    EXPECT_FALSE(stopped);
    finishUpload();
    EXPECT_TRUE(stopped);
    EXPECT_EQ(broker.published.back().topic, "lumetra/shop-1/availability");
    EXPECT_EQ(broker.published.back().payload, "offline");
    for (const json& r : results())
        EXPECT_EQ(r["outcome"], "cancelled") << r;
    expectOneResultEach({"a", "b", "c"});
}

TEST_F(AgentLogic, AProgramUploadsOnlyWhenItsBytesChangeHourByHour) {
    wall = std::chrono::sys_days(std::chrono::December / 9 / 2026) + 10h;
    restart(100);
    program(R"({"timezone": "UTC", "entries": [{"name": "часы", "text": "{time:HH}"}]})");
    ASSERT_EQ(results().size(), 1u);
    EXPECT_EQ(results()[0]["outcome"], "loaded");
    EXPECT_EQ(results()[0]["warnings"], json::array());
    // A variable no text uses changes every minute: each change composes, none uploads.
    int minute = 0;
    runUntil(steady + 3h + 30min,
             [&] { broker.send("lumetra/vars/unused", std::to_string(++minute), true); });
    EXPECT_EQ(texts(), (std::vector<std::string>{"10", "11", "12", "13"}));
    for (const json& r : results()) {
        if (r["command"] == "program" && r.contains("sent")) {
            EXPECT_EQ(r["outcome"], "sent") << r;
        }
    }
    const json state = lastRetained("lumetra/shop-1/state");
    EXPECT_EQ(state["program"]["entries"], json::array({"часы"}));
    EXPECT_EQ(state["program"]["next_change"], nullptr); // the one entry holds all week
    EXPECT_EQ(state["text"], "13");
}

TEST_F(AgentLogic, AVariableUploadsOnceForEachNewValueAndNeverForTheSameOne) {
    wall = std::chrono::sys_days(std::chrono::December / 9 / 2026) + 10h;
    restart(100);
    program(R"({"timezone": "Europe/Moscow", "entries": [
        {"name": "до", "text": "До {var:close}", "from": "08:00", "to": "18:00"},
        {"name": "ночь", "text": "Ночь", "from": "18:00", "to": "08:00"}]})");
    EXPECT_NE(results().back()["warnings"].dump().find("{var:close} has never been set"),
              std::string::npos)
        << results().back();
    runUntil(steady + 1min);
    const struct {
        const char* value;
        const char* shown; // the last text on the sign
        std::size_t uploads;
    } steps[] = {
        {"21:00", "\xC4\xEE 21:00", 2}, {"21:00", "\xC4\xEE 21:00", 2},
        {"22:00", "\xC4\xEE 22:00", 3}, {"", "\xC4\xEE ?", 4}, // taken away
        {"", "\xC4\xEE ?", 4},
    };
    for (const auto& step : steps) {
        broker.send("lumetra/vars/close", step.value, true);
        runUntil(steady + 1min);
        ASSERT_EQ(texts().size(), step.uploads) << step.value;
        EXPECT_EQ(texts().back(), step.shown) << step.value;
    }
    const json state = lastRetained("lumetra/shop-1/state");
    EXPECT_EQ(state["program"]["entries"], json::array({"до"}));
    EXPECT_EQ(state["program"]["next_change"]["at"], "2026-12-09T18:00:00+03:00");
    EXPECT_EQ(state["program"]["next_change"]["entries"], json::array({"ночь"}));

    // After a restart the same program goes on from the state file and nothing is sent again,
    // also when the broker hands the retained program over once more.
    broker.send("lumetra/vars/close", "20:00", true);
    runUntil(steady + 1min);
    const std::size_t before = port.frames.size();
    restart(100);
    program(R"({"timezone": "Europe/Moscow", "entries": [
        {"name": "до", "text": "До {var:close}", "from": "08:00", "to": "18:00"},
        {"name": "ночь", "text": "Ночь", "from": "18:00", "to": "08:00"}]})");
    runUntil(steady + 1min);
    EXPECT_EQ(port.frames.size(), before);
    EXPECT_TRUE(results().empty()); // the broker of the new run heard nothing
    runUntil(steady + 8h);          // 18:00 Moscow
    EXPECT_EQ(texts().back(), "\xCD\xEE\xF7\xFC");

    // Taken away, the program changes nothing more.
    program("", false);
    EXPECT_EQ(results().back()["outcome"], "cleared");
    EXPECT_FALSE(lastRetained("lumetra/shop-1/state").contains("program"));
    const std::size_t cleared = port.frames.size();
    runUntil(steady + 16h);
    EXPECT_EQ(port.frames.size(), cleared);
}

TEST_F(AgentLogic, AProgramThatCannotRunSaysWhyAndTheRunningOneStays) {
    wall = std::chrono::sys_days(std::chrono::December / 9 / 2026) + 10h;
    restart(20);
    program(R"({"timezone": "UTC", "entries": [{"name": "a", "text": "Старая"}]})");
    runUntil(steady + 1min);
    ASSERT_EQ(texts().size(), 1u);
    const std::string longText(30, 'x');
    const std::vector<std::pair<std::string, std::string>> cases = {
        {R"({"entries": [)", "not valid JSON"},
        {R"({"entries": [{"name": "b", "text": "x", "days": "mon-fry"}]})", "unknown day \"fry\""},
        {R"({"entries": [{"name": "b", "text": "x", "from": "10:00", "to": "08:00"}]})",
         "\"to\": 08:00 is before"},
        {R"({"entries": [{"name": "b", "text": "{temp}"}]})", "unknown field {temp}"},
        {R"({"timezone": "UTC", "entries": [{"name": "b", "text": ")" + longText + R"("}]})",
         "the text is 30 characters; this sign takes at most 20"},
        {R"({"job": [1], "entries": []})", "\"job\""},
        {R"({"entries": [{"name": "b", "text": "{time:HH:mm})" + std::string(4000, 'x') + R"("}]})",
         "entry \"b\": the text takes 38.6 s on the line"},
        {"\xFF{", "not valid JSON"},
    };
    for (const auto& [text, why] : cases) {
        program(text, false);
        const json r = results().back();
        EXPECT_EQ(r["outcome"], "bad-input") << text;
        EXPECT_EQ(r["command"], "program");
        const std::string error = r["error"].get<std::string>();
        EXPECT_NE(error.find(why), std::string::npos) << error;
        if (!error.starts_with("\"job\"")) {
            EXPECT_TRUE(error.ends_with("; the program that ran goes on")) << error;
        }
    }
    runUntil(steady + 1h);
    EXPECT_EQ(texts().size(), 1u);
    EXPECT_EQ(lastRetained("lumetra/shop-1/state")["program"]["entries"], json::array({"a"}));

    // A job of the client's own is its result's.
    program(R"({"job": "p1", "timezone": "UTC", "entries": [{"name": "c", "text": "Новая"}]})");
    EXPECT_EQ(results().back()["job"], "p1");
    EXPECT_EQ(results().back()["outcome"], "loaded");
    runUntil(steady + 1min);
    EXPECT_EQ(texts().back(), "\xCD\xEE\xE2\xE0\xFF");
}

TEST_F(AgentLogic, AProgramTextThatFailsOnTheLineIsTriedAgainAMinuteLater) {
    wall = std::chrono::sys_days(std::chrono::December / 9 / 2026) + 10h;
    restart(100);
    port.outcome = PortResult::Outcome::OpenFailed;
    program(R"({"timezone": "UTC", "entries": [{"name": "a", "text": "A"}]})");
    runUntil(steady + 30s);
    EXPECT_EQ(port.frames.size(), 1u);
    port.outcome = PortResult::Outcome::Sent;
    runUntil(steady + 90s);
    EXPECT_EQ(port.frames.size(), 2u);
    runUntil(steady + 1h);
    EXPECT_EQ(port.frames.size(), 2u);
    EXPECT_EQ(lastRetained("lumetra/shop-1/state")["result"], "sent");
}

} // namespace
