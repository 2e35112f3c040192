// lumetra-agent's configuration and password files.

#include "AgentConfig.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace {

using namespace agent;

const std::string Good = "\xEF\xBB\xBF; the example\n"
                         "[Broker]\n"
                         "Url=mqtts://[::1]:8884/        ; TLS\n"
                         "user=shop1\n"
                         "PasswordFile=/etc/lumetra/agent.pass\n"
                         "CaFile=/\n"
                         "Prefix=shops/north\n"
                         "Discovery=\n"
                         "[Sign shop-1]\n"
                         "Port=/dev/ttyUSB0\n"
                         "MaxLength=6000\n"
                         "Name=Витрина ; main window\n"
                         "[sign b_2]\r\n"
                         "PORT=rfc2217://192.168.1.50:2217\r\n";

TEST(AgentConfig, TheExampleReadsAsWritten) {
    const AgentConfig c = parseAgentConfig("agent.ini", Good);
    EXPECT_EQ(c.host, "::1");
    EXPECT_EQ(c.port, 8884);
    EXPECT_TRUE(c.tls);
    EXPECT_EQ(c.user, "shop1");
    EXPECT_EQ(c.caFile, "/");
    EXPECT_EQ(c.prefix, "shops/north");
    EXPECT_EQ(c.discovery, "");
    ASSERT_EQ(c.signs.size(), 2u);
    EXPECT_EQ(c.signs[0].name, "Витрина");
    EXPECT_EQ(c.signs[0].maxLength, 6000u);
    EXPECT_EQ(c.signs[1].id, "b_2");
    EXPECT_EQ(c.signs[1].name, "b_2");
    EXPECT_EQ(c.signs[1].maxLength, DefaultMaxLength);
    EXPECT_EQ(c.signs[1].port, "rfc2217://192.168.1.50:2217");

    const AgentConfig plain =
        parseAgentConfig("a", "[Broker]\nUrl=mqtt://broker\n[Sign s]\nPort=COM 2\n");
    EXPECT_EQ(plain.port, 1883);
    EXPECT_FALSE(plain.tls);
    EXPECT_EQ(plain.prefix, "lumetra");
    EXPECT_EQ(plain.discovery, "homeassistant");
}

TEST(AgentConfig, AFaultIsOneLineNamingTheFileTheLineAndTheKey) {
    const std::string sign = "[Sign s]\nPort=/dev/ttyS0\n";
    const std::string broker = "[Broker]\nUrl=mqtt://h\n";
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"[Broker]\nUrl=http://h\n" + sign, "a.ini:2: Url: expected mqtt://"},
        {"[Broker]\nUrl=mqtt://u:p@h\n" + sign, "a.ini:2: Url: no user or password"},
        {"[Broker]\nUrl=mqtt://h:70000\n" + sign, "a.ini:2: Url: the port is a number"},
        {"[Broker]\nUrl=mqtt://h\nurl=mqtt://g\n" + sign,
         "a.ini:3: url: given twice (first on line 2)"},
        {"[Broker]\nUrl=mqtt://h\nPrefix=a/#\n" + sign, "a.ini:3: Prefix: no + or #"},
        {"[Broker]\nUrl=mqtt://h\nPasswort=x\n" + sign, "a.ini:3: Passwort: unknown in [Broker]"},
        {"[Broker]\nUrl=mqtt://h\nPasswordFile=/p\n" + sign,
         "a.ini:3: PasswordFile: a password needs a User"},
        {"[Broker]\nUrl=mqtt://h\nCaFile=/\n" + sign, "a.ini:3: CaFile: only for mqtts://"},
        {"[Broker]\nUrl=mqtts://h\nCaFile=/no/ca\n" + sign,
         "a.ini:3: CaFile: /no/ca: No such file"},
        {"[Broker]\n" + sign, "a.ini:1: Url: missing in [Broker]"},
        {broker + "[Sign s]\nPort=socket://h\n", "a.ini:4: Port: the port number is missing"},
        {broker + "[Sign s]\nPort=mqtt://h/s\n",
         "a.ini:4: Port: the agent drives a sign on its own"},
        {broker + "[Sign s]\nPort=/dev/ttyS0\nMaxLength=70000\n", "a.ini:5: MaxLength: a number"},
        {broker + "[Sign s]\nName=x\n", "a.ini:3: Port: missing in [Sign s]"},
        {broker + "[Sign a/b]\nPort=/dev/x\n", "a.ini:3: sign id \"a/b\""},
        {broker + sign + sign, "a.ini:5: [Sign s] given twice (first on line 3)"},
        {broker + "[Signs]\n", "a.ini:3: unknown section [Signs]"},
        {broker + sign + "Port\n", "a.ini:5: expected KEY=VALUE"},
        {"Url=mqtt://h\n", "a.ini:1: Url: outside any section"},
        {broker + sign + "Name=\xC2\xE8\n", "a.ini:5: not UTF-8"},
        {broker, "a.ini: no [Sign <id>] section"},
        {sign, "a.ini: no [Broker] section"},
    };
    for (const auto& [text, message] : cases) {
        try {
            parseAgentConfig("a.ini", text);
            ADD_FAILURE() << "taken: " << text;
        } catch (const ConfigError& e) {
            EXPECT_EQ(std::string(e.what()).rfind(message, 0), 0u) << e.what();
            EXPECT_EQ(std::string(e.what()).find('\n'), std::string::npos);
        }
    }
}

TEST(AgentConfig, APasswordFileOpenToOthersIsRefused) {
    TempDir dir;
    const std::vector<std::tuple<mode_t, std::string, std::string>> cases = {
        {0600, "secret\nignored\n", ""},
        {0400, "secret\r\n", ""},
        {0640, "secret\n", "open to group or others (mode 0640)"},
        {0604, "secret\n", "open to group or others (mode 0604)"},
        {0600, "\nsecret\n", "no password on the first line"},
    };
    for (const auto& [mode, text, refusal] : cases) {
        dir.write("pass", text);
        ::chmod(dir.path("pass").c_str(), mode);
        try {
            EXPECT_EQ(readPasswordFile(dir.path("pass")), "secret");
            EXPECT_EQ(refusal, "");
        } catch (const ConfigError& e) {
            EXPECT_NE(std::string(e.what()).find(refusal), std::string::npos) << e.what();
            EXPECT_NE(refusal, "");
        }
    }
    EXPECT_THROW(readPasswordFile(dir.path("missing")), ConfigError);
    EXPECT_THROW(readAgentConfig(dir.path("missing.ini")), ConfigError);
}

TEST(AgentConfig, Loopback) {
    for (const char* host : {"localhost", "127.0.0.1", "127.1.2.3", "::1"})
        EXPECT_TRUE(isLoopback(host)) << host;
    for (const char* host : {"127.example.com", "10.0.0.1", "broker"})
        EXPECT_FALSE(isLoopback(host)) << host;
}

} // namespace
