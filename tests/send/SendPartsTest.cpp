// The pieces of lumetra-send that need no port: the command line, the
// progress line, the dump and the JSON line.

#include "SendOptions.h"
#include "SendReport.h"
#include "SendTexts.h"
#include "editor/MessageFile.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace sendtool;

namespace {

using Args = std::vector<std::string>;

TEST(SendOptions, ReadsWhatScriptsWrite) {
    const auto parsed = parseOptions({"--port", "3", "--encoding=utf-8", "--json", "--quiet",
                                      "--dump", "f.hex", "--hex", "--", "-odd name.txt"});
    ASSERT_TRUE(std::holds_alternative<Options>(parsed));
    const auto& o = std::get<Options>(parsed);
    EXPECT_EQ(o.port, 3);
    EXPECT_EQ(o.encoding, Encoding::Utf8);
    EXPECT_TRUE(o.json && o.quiet && o.hex && !o.font && !o.check);
    EXPECT_EQ(o.dump, "f.hex");
    EXPECT_EQ(o.input, "-odd name.txt");

    const auto font = std::get<Options>(parseOptions({"--font", "Guard.zg", "--device", "/x"}));
    EXPECT_TRUE(font.font);
    EXPECT_EQ(font.input, "Guard.zg");
    EXPECT_EQ(font.device, "/x");
    EXPECT_EQ(std::get<Options>(parseOptions({"-"})).input, "-");
    // A value given twice: the last one counts.
    EXPECT_EQ(std::get<Options>(parseOptions({"--port", "1", "a.txt", "--port=2"})).port, 2);
    // --help wins over whatever follows it.
    EXPECT_TRUE(std::get<Options>(parseOptions({"--help", "--bogus"})).help);
}

TEST(SendOptions, RefusesWhatItCannotDo) {
    const struct {
        Args args;
        Msg error;
    } cases[] = {
        {{"--bogus", "a.txt"}, Msg::UnknownOption},
        {{"--json=1", "a.txt"}, Msg::UnknownOption},
        {{"a.txt", "--port"}, Msg::MissingValue},
        {{"--port", "0", "a.txt"}, Msg::BadPort},
        {{"--port", "256", "a.txt"}, Msg::BadPort},
        {{"--port", "07", "a.txt"}, Msg::BadPort},
        {{"--port", "1x", "a.txt"}, Msg::BadPort},
        {{"--encoding", "koi8-r", "a.txt"}, Msg::BadEncoding},
        {{}, Msg::NoInput},
        {{"--json"}, Msg::NoInput},
        {{"a.txt", "b.txt"}, Msg::TwoInputs},
        {{"a.txt", "--font", "f.zg"}, Msg::TwoInputs},
        {{"--font", "f.zg", "a.txt"}, Msg::TwoInputs},
        {{"--font", "f.zg", "--font", "g.zg"}, Msg::TwoInputs},
        {{"--port", "1", "--device", "/x", "a.txt"}, Msg::Conflict},
        {{"--font", "f.zg", "--check"}, Msg::Conflict},
        {{"--font", "f.zg", "--encoding", "auto"}, Msg::Conflict},
        {{"--check", "--dump", "-", "a.txt"}, Msg::Conflict},
        {{"--check", "--hex", "a.txt"}, Msg::Conflict},
        {{"--json", "--hex", "a.txt"}, Msg::Conflict},
        {{"--json", "--dump", "-", "a.txt"}, Msg::Conflict},
        // An unset shell variable: never taken for "the default".
        {{"--device", "", "a.txt"}, Msg::EmptyValue},
        {{"--dump=", "a.txt"}, Msg::EmptyValue},
        {{"--port=", "a.txt"}, Msg::EmptyValue},
        {{"--encoding=", "a.txt"}, Msg::EmptyValue},
        {{"--font="}, Msg::EmptyValue},
        {{"--max-length=", "a.txt"}, Msg::EmptyValue},
        {{"--max-length", "0", "a.txt"}, Msg::BadMaxLength},
        {{"--max-length", "65501", "a.txt"}, Msg::BadMaxLength},
        {{"--font", "f.zg", "--max-length", "9"}, Msg::Conflict},
    };
    for (const auto& c : cases) {
        const auto parsed = parseOptions(c.args);
        ASSERT_TRUE(std::holds_alternative<UsageError>(parsed)) << ::testing::PrintToString(c.args);
        EXPECT_EQ(std::get<UsageError>(parsed).id, c.error) << ::testing::PrintToString(c.args);
    }
}

TEST(MessageBytes, EveryLineBreakBecomesCrLf) {
    EXPECT_EQ(messagefile::withCrLfBreaks("a\r\nb\nc\rd\n\r\r\n"), "a\r\nb\r\nc\r\nd\r\n\r\n\r\n");
    EXPECT_EQ(messagefile::withCrLfBreaks(std::string("\0\t\xFF", 3)), std::string("\0\t\xFF", 3));
}

TEST(SendReport, ProgressLineCountsUpToTheLastByte) {
    using std::chrono::milliseconds;
    const struct {
        std::size_t sent, total;
        milliseconds left;
        Language language;
        std::string line;
    } cases[] = {
        {0, 2740, milliseconds(25117), Language::English,
         "[------------------------------]   0%  0/2740 bytes  0:26 left"},
        {1370, 2740, milliseconds(12559), Language::English,
         "[###############---------------]  50%  1370/2740 bytes  0:13 left"},
        {2739, 2740, milliseconds(10), Language::Russian,
         "[#############################-]  99%  2739/2740 байт  0:01 осталось"},
        {2740, 2740, milliseconds(0), Language::English,
         "[##############################] 100%  2740/2740 bytes  0:00 left"},
        {10, 65500, milliseconds(600000), Language::English,
         "[------------------------------]   0%  10/65500 bytes  10:00 left"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(progressLine(c.sent, c.total, c.left, c.language), c.line);
}

TEST(SendReport, HexDumpAndJsonLine) {
    std::vector<std::uint8_t> bytes(17, 0xFF);
    bytes[16] = 'A';
    bytes[1] = 0x41;
    EXPECT_EQ(hexDump(bytes),
              "00000000  ff 41 ff ff ff ff ff ff  ff ff ff ff ff ff ff ff  |.A..............|\n"
              "00000010  41                                                |A|\n"
              "00000011\n");
    EXPECT_EQ(hexDump({}), "00000000\n");

    JsonResult r;
    r.outcome = "cancelled";
    r.bytes = 2740;
    r.sent = 123;
    r.seconds = 1.234;
    r.device = "/dev/ttyS0";
    r.error = "say \"no\"\\\n";
    EXPECT_EQ(jsonLine(r),
              "{\"outcome\":\"cancelled\",\"bytes\":2740,\"sent\":123,\"seconds\":1.23,"
              "\"device\":\"/dev/ttyS0\",\"error\":\"say \\\"no\\\"\\\\\\n\"}");
    // A device named in another code page still gives a line of valid JSON.
    r = {"sent", 10, 10, 0, "/dev/\xE7\xED\xE0\xEA", {}};
    EXPECT_EQ(jsonLine(r), "{\"outcome\":\"sent\",\"bytes\":10,\"sent\":10,\"seconds\":0.0,"
                           "\"device\":\"/dev/\uFFFD\uFFFD\uFFFD\uFFFD\"}");
}

TEST(SendTexts, BothLanguagesFillTheirPlaceholders) {
    EXPECT_EQ(say(Language::English, Msg::FontTooShort, {"a.zg", "12"}),
              "a.zg holds 12 bytes; a font file holds 2048");
    EXPECT_EQ(say(Language::Russian, Msg::FontTooShort, {"a.zg", "12"}),
              "в a.zg 12 байт, а в файле шрифта их 2048");
    // Every message has both texts, and both use the same placeholders.
    for (int i = 0; i < static_cast<int>(Msg::Count); ++i) {
        const auto id = static_cast<Msg>(i);
        const auto en = text(id, Language::English), ru = text(id, Language::Russian);
        EXPECT_FALSE(en.empty() || ru.empty()) << i;
        for (const char* p : {"%1", "%2", "%3", "%4", "%5"})
            EXPECT_EQ(en.find(p) == std::string_view::npos, ru.find(p) == std::string_view::npos)
                << i << p;
    }
}

} // namespace
