#include "fleet/Digest.h"
#include "fleet/SignDirectory.h"
#include "fleet/SignState.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using namespace fleet;

TEST(Fleet, Digests) {
    const std::vector<std::uint8_t> abc = {'a', 'b', 'c'};
    EXPECT_EQ(sha256Hex(abc), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
    for (const std::string text : {"", "a", "ab", "abc", "abcd"}) {
        const std::vector<std::uint8_t> bytes(text.begin(), text.end());
        EXPECT_EQ(fromBase64(toBase64(bytes)), bytes) << text;
    }
    std::vector<std::uint8_t> every(256);
    for (int i = 0; i < 256; ++i)
        every[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(255 - i);
    EXPECT_EQ(fromBase64(toBase64(every)), every);
    EXPECT_EQ(toBase64(abc), "YWJj");
    for (const char* bad : {"YWJ", "YW=j", "YW J", "Y===", "YWJj\n"})
        EXPECT_FALSE(fromBase64(bad)) << bad;
}

TEST(Fleet, IsoTimeIsUtc) {
    using namespace std::chrono;
    EXPECT_EQ(isoTime(sys_days{2024y / 2 / 29} + 23h + 59min + 58s + 999ms),
              "2024-02-29T23:59:58Z");
    EXPECT_EQ(isoTime(system_clock::time_point{}), "1970-01-01T00:00:00Z");
}

// What the list says after the retained messages of `heard`, in order; one line per sign as
// "id|name|online|result|text", "|bad" after a state that does not read, signs by id.
struct DirectoryCase {
    const char* what;
    std::string sign; // the directory's one sign; empty for all
    std::vector<std::pair<std::string, std::string>> heard;
    std::vector<std::string> expected;
    int ignored = 0; // messages that were none of the directory's
};

std::string line(const SignEntry& e) {
    return e.id + "|" + e.name + "|" + (e.online ? "online" : "offline") + "|" + e.state.result +
           "|" + e.state.text + (e.badState ? "|bad" : "");
}

TEST(Fleet, TheDirectoryFoldsRetainedAvailabilityAndStateIntoSigns) {
    const std::string state =
        R"({"text":"Привет","result":"sent","uploaded_at":"2024-06-10T08:00:00Z","name":"Витрина",)"
        R"("frame_b64":"//8=","font_sha256":"ab","font_frame_b64":"+P8="})";
    const std::vector<DirectoryCase> cases = {
        {"a sign with both",
         "",
         {{"lumetra/shop-1/availability", "online"}, {"lumetra/shop-1/state", state}},
         {"shop-1|Витрина|online|sent|Привет"}},
        {"availability alone names the sign by its id",
         "",
         {{"lumetra/b/availability", "offline"}, {"lumetra/a/availability", "online"}},
         {"a|a|online||", "b|b|offline||"}},
        {"a state without availability is offline",
         "",
         {{"lumetra/s/state", state}},
         {"s|Витрина|offline|sent|Привет"}},
        {"the last availability wins",
         "",
         {{"lumetra/s/availability", "online"}, {"lumetra/s/availability", "offline"}},
         {"s|s|offline||"}},
        {"an empty retained message clears; with nothing left the sign is gone",
         "",
         {{"lumetra/s/availability", "online"},
          {"lumetra/s/state", state},
          {"lumetra/s/state", ""},
          {"lumetra/t/availability", "online"},
          {"lumetra/t/availability", ""}},
         {"s|s|online||"}},
        {"a state that is no JSON object is no state, and a bad one",
         "",
         {{"lumetra/s/availability", "online"},
          {"lumetra/s/state", "{not json"},
          {"lumetra/t/state", "[1]"},
          {"lumetra/u/state", "{}"},
          {"lumetra/u/state", "{"},
          {"lumetra/u/state", ""}},
         {"s|s|online|||bad", "t|t|offline|||bad"}},
        {"other topics, prefixes and signs are not the directory's",
         "s",
         {{"lumetra/s/upload/result", "{}"},
          {"lumetra2/s/availability", "online"},
          {"lumetra//availability", "online"},
          {"lumetra/t/availability", "online"},
          {"lumetra/s/availability", "online"}},
         {"s|s|online||"},
         4},
    };
    for (const DirectoryCase& c : cases) {
        SignDirectory directory("lumetra", c.sign);
        int ignored = 0;
        for (const auto& [topic, payload] : c.heard)
            ignored += directory.take(topic, payload) ? 0 : 1;
        std::vector<std::string> lines;
        for (const SignEntry& e : directory.signs())
            lines.push_back(line(e));
        EXPECT_EQ(lines, c.expected) << c.what;
        EXPECT_EQ(ignored, c.ignored) << c.what;
    }

    SignDirectory one("shops/north", "s1");
    EXPECT_EQ(one.patterns(),
              (std::vector<std::string>{"shops/north/s1/availability", "shops/north/s1/state"}));
    EXPECT_EQ(SignDirectory().patterns().front(), "lumetra/+/availability");
    ASSERT_TRUE(one.take("shops/north/s1/state", state));
    const SignState& s = one.find("s1")->state;
    EXPECT_EQ(s.uploadedAt, "2024-06-10T08:00:00Z");
    EXPECT_EQ(s.frameB64, "//8=");
    EXPECT_EQ(s.fontFrameB64, "+P8=");
    EXPECT_EQ(one.find("s2"), nullptr);
}

TEST(Fleet, TheStartOfATextIsOneLineOfWholeCharacters) {
    EXPECT_EQ(textStart("Привет, мир", 6), "Привет…");
    EXPECT_EQ(textStart("Привет", 6), "Привет");
    EXPECT_EQ(textStart("a\tb\x01", 10), "a b ");
    EXPECT_EQ(textStart("", 3), "");
}

} // namespace
