// lumetra-agent itself against a mosquitto of the test's own (127.0.0.1, a free port, its own
// password file and ACL), with its signs on pseudo-terminals.

#include "AgentRig.h"
#include "fleet/Digest.h"

#include <gtest/gtest.h>

namespace {

using namespace rig;

const std::vector<std::string> Signs = {"s1", "s2", "s3"};

class AgentBroker : public ::testing::Test, protected AgentRig {
protected:
    AgentBroker() : AgentRig(Signs) {}
    void SetUp() override { ASSERT_NO_THROW(start()) << logs(); }
    void TearDown() override {
        stop();
        if (HasFailure())
            std::printf("%s", logs().c_str());
    }
};

TEST_F(AgentBroker, TextFontAndFrameArriveExactlyAsBuiltHereWithTheirStateAndDiscovery) {
    const Bytes text = textFrame("\xCF\xF0\xE8\xE2\xE5\xF2 /S3");
    Bytes table(agent::FontTableBytes);
    for (std::size_t i = 0; i < table.size(); ++i)
        table[i] = static_cast<std::uint8_t>(i * 7);
    const Bytes font = agent::buildFontFrame(std::span<const std::uint8_t, 2048>(table));
    const Bytes frame = textFrame("exact frame");

    MasterReader lines[] = {MasterReader(m_signs[0], text.size()),
                            MasterReader(m_signs[1], font.size()),
                            MasterReader(m_signs[2], frame.size())};
    m_operator->publish("lumetra/s1/cmd/text", R"({"text": "Привет /S3", "job": "t"})");
    m_operator->publish("lumetra/s2/cmd/font", std::string(table.begin(), table.end()));
    m_operator->publish("lumetra/s3/cmd/frame", std::string(frame.begin(), frame.end()));
    EXPECT_EQ(lines[0].bytes(), text);
    EXPECT_EQ(lines[2].bytes(), frame);
    EXPECT_EQ(lines[1].bytes(), font);
    const auto sent = [&](const std::string& sign) {
        return m_operator->awaitJson(
            "lumetra/" + sign + "/upload/result",
            [](const json& r) { return r["outcome"] == "sent"; }, 30s);
    };
    for (const std::string& s : Signs)
        EXPECT_TRUE(sent(s)) << s;
    EXPECT_EQ((*sent("s1"))["job"], "t");

    // What a client that comes later is told, from the retained messages alone.
    Client late(m_port, "operator", {"lumetra/#", "homeassistant/#"});
    const auto state = late.awaitJson("lumetra/s1/state");
    ASSERT_TRUE(state);
    EXPECT_EQ((*state)["text"], "Привет /S3");
    EXPECT_EQ((*state)["port"], m_signs[0].slaveName());
    EXPECT_EQ(fleet::fromBase64((*state)["frame_b64"].get<std::string>()), text);
    const auto fontState = late.awaitJson("lumetra/s2/state");
    ASSERT_TRUE(fontState);
    EXPECT_EQ((*fontState)["font_sha256"], fleet::sha256Hex(std::span(table).subspan(256)));
    EXPECT_TRUE(late.await("lumetra/s3/availability", "online"));
    EXPECT_EQ(late.count("homeassistant/", 6 * Signs.size()), 6 * Signs.size());
}

TEST_F(AgentBroker, NoOneButTheAgentsOwnUsersCommandsASignAndJunkIsRefused) {
    Client anonymous(m_port, "");
    EXPECT_NE(anonymous.connack(), 0);
    anonymous.publish("lumetra/s1/cmd/text", "anonymous");
    Client intruder(m_port, "intruder");
    ASSERT_EQ(intruder.connack(), 0);
    intruder.publish("lumetra/s1/cmd/text", "{\"text\": \"intruder\", \"job\": \"x\"}");
    // Junk through the broker as it comes: binary, huge, half a frame.
    const std::vector<std::tuple<std::string, std::string, std::string>> junk = {
        {"text", std::string(16 << 20, '\x01'), "16777216 bytes"},
        {"text", "\xC0\xAF", "not UTF-8"},
        {"text", "{\"text\": 5}", "no \"text\""},
        {"font", std::string(100, '\xFF'), "not 100"},
        {"frame", std::string(300, '\xFF'), "does not decode"},
    };
    for (const auto& [verb, payload, error] : junk)
        m_operator->publish("lumetra/s1/cmd/" + verb, payload);
    for (const auto& [verb, payload, error] : junk)
        EXPECT_TRUE(m_operator->awaitJson("lumetra/s1/upload/result", [&](const json& r) {
            return r["outcome"] == "bad-input" &&
                   r["error"].get<std::string>().find(error) != std::string::npos;
        })) << error;
    EXPECT_TRUE(lineWithin(m_signs[0], 1s).empty());
    EXPECT_FALSE(result("s1", "x", 100ms));

    const Bytes frame = textFrame("operator");
    MasterReader line(m_signs[0], frame.size());
    m_operator->publish("lumetra/s1/cmd/text", "{\"text\": \"operator\", \"job\": \"o\"}");
    EXPECT_EQ(line.bytes(), frame);
    EXPECT_TRUE(result("s1", "o"));
    EXPECT_EQ(m_operator->count("lumetra/s1/upload/result", junk.size() + 1), junk.size() + 1);
}

TEST_F(AgentBroker, AfterKillNineTheWillSaysOfflineAndARestartBringsTheStateBack) {
    const Bytes frame = textFrame("kept");
    MasterReader line(m_signs[0], frame.size());
    m_operator->publish("lumetra/s1/cmd/text", "{\"text\": \"kept\", \"job\": \"k\"}");
    EXPECT_EQ(line.bytes(), frame);
    ASSERT_TRUE(result("s1", "k"));
    const auto state =
        m_operator->awaitJson("lumetra/s1/state", [](const json& s) { return s["job"] == "k"; });
    ASSERT_TRUE(state);

    end(m_agent, SIGKILL);
    EXPECT_TRUE(m_operator->await("lumetra/s1/availability", "offline"));
    // The broker forgets the state; the agent's file remembers it.
    m_operator->publish("lumetra/s1/state", "", true);
    Client fresh(m_port, "operator", {"lumetra/s1/#"});
    startAgent();
    const auto again =
        fresh.awaitJson("lumetra/s1/state", [](const json& s) { return s["job"] == "k"; });
    ASSERT_TRUE(again);
    EXPECT_EQ(*again, *state);
    EXPECT_TRUE(fresh.await("lumetra/s1/availability", "online"));

    // A clean stop says offline itself.
    end(m_agent, SIGTERM);
    EXPECT_TRUE(fresh.await("lumetra/s1/availability", "offline"));
}

TEST_F(AgentBroker, TheBrokerGoneMidUploadTheUploadEndsAndItsResultArrivesLater) {
    const std::string text(300, 'x');
    const Bytes frame = textFrame(text);
    MasterReader line(m_signs[0], frame.size());
    m_operator->publish("lumetra/s1/cmd/text", "{\"text\": \"" + text + "\", \"job\": \"long\"}");
    ASSERT_TRUE(m_operator->awaitJson("lumetra/s1/upload/progress"));
    m_operator.reset();
    end(m_broker, SIGTERM);
    // The frame goes on while no broker is there to hear of it.
    EXPECT_EQ(line.bytes(), frame);
    ASSERT_NO_THROW(startBroker());
    const auto done = result("s1", "long");
    ASSERT_TRUE(done);
    EXPECT_EQ((*done)["outcome"], "sent");
    EXPECT_TRUE(online("s1"));
}

} // namespace
