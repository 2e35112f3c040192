#include "program/Program.h"
#include "program/Fields.h"

#include <gtest/gtest.h>

using namespace program;
using namespace std::chrono;

namespace {

const ZoneinfoSource Zones;

Seconds at(const char* moment) {
    return parseMoment(moment, nullptr);
}

std::string composed(const char* json, const char* moment, const Vars& vars = {}) {
    const Loaded loaded = loadProgram(json, Zones, at(moment), vars);
    return loaded.schedule->compose(at(moment), vars).utf8;
}

constexpr const char* Shop = R"({"timezone": "Europe/Moscow", "default": "Добро пожаловать!",
 "entries": [
  {"name": "утро", "text": "Утро {date} {weekday}", "days": "mon-fri", "from": "08:00", "to": "12:00"},
  {"name": "акция", "text": "Скидки", "dates": "2026-12-20..2026-12-31"},
  {"name": "ночь", "text": "Ночь {time:HH}", "from": "22:00", "to": "06:00"},
  {"name": "вечер", "text": "До {var:close}", "from": "18:00", "to": "00:00"},
  {"name": "касса", "text": "Касса 3", "priority": 10, "until": "2026-12-09T15:00:00+03:00"}]})";

} // namespace

TEST(Program, ComposesByDaysDatesWindowsPrioritiesAndUntil) {
    const struct {
        const char* moment;
        const char* text;
    } cases[] = {
        {"2026-12-09T09:00:00+03:00", "Касса 3"},           // priority over the morning
        {"2026-12-09T15:00:00+03:00", "Добро пожаловать!"}, // past until, never again
        {"2026-12-10T09:00:00+03:00", "Утро 10.12.2026 четверг"},
        {"2026-12-12T09:00:00+03:00", "Добро пожаловать!"}, // Saturday
        {"2026-12-10T19:00:00+03:00", "До 21:00"},
        {"2026-12-10T23:30:00+03:00", "Ночь 23/Q1До 21:00"}, // rotation in program order
        {"2026-12-11T00:30:00+03:00", "Ночь 00"},            // "to" 00:00 ended at midnight
        {"2026-12-11T05:59:00+03:00", "Ночь 05"},
        {"2026-12-11T06:00:00+03:00", "Добро пожаловать!"},
        {"2026-12-21T09:00:00+03:00", "Утро 21.12.2026 понедельник/Q1Скидки"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(composed(Shop, c.moment, {{"close", "21:00"}}), c.text) << c.moment;
}

TEST(Program, VariableNeverSetIsAQuestionMarkWithAWarning) {
    const Loaded loaded = loadProgram(Shop, Zones, at("2026-12-10T19:00:00+03:00"));
    const Composition c = loaded.schedule->compose(at("2026-12-10T19:00:00+03:00"), {});
    EXPECT_EQ(c.utf8, "До ?");
    ASSERT_EQ(c.warnings.size(), 1u);
    EXPECT_NE(c.warnings[0].find("close"), std::string::npos);
}

TEST(Program, RefusesWithTheEntryAndField) {
    const struct {
        const char* json;
        const char* says;
    } cases[] = {
        {R"({"entries": [)", "not valid JSON"},
        {R"({"entries": [{"name": "a", "text": "x", "days": "mon-fry"}]})",
         "entry 1 \"a\": \"days\": unknown day \"fry\""},
        {R"({"entries": [{"name": "a", "text": "x", "from": "10:00", "to": "08:00"}]})",
         "\"to\": 08:00 is before"},
        {R"({"entries": [{"name": "a", "text": "{temp}"}]})", "unknown field {temp}"},
        {R"({"entries": [{"name": "a", "text": "x", "colour": 1}]})", "\"colour\": unknown field"},
        {R"({"entries": [{"text": "x", "until": "2026-12-09T15:00"}]})", "\"until\""},
        {R"({"timezone": "Mars/Base", "entries": []})", "unknown time zone"},
    };
    for (const auto& c : cases) {
        try {
            loadProgram(c.json, Zones, at("2026-12-09T08:00:00Z"));
            ADD_FAILURE() << c.json;
        } catch (const ProgramError& error) {
            EXPECT_NE(std::string(error.what()).find(c.says), std::string::npos) << error.what();
        }
    }
}

TEST(Program, DaylightSavingMovesTheWindowInUtc) {
    constexpr const char* Berlin = R"({"timezone": "Europe/Berlin", "entries": [
        {"name": "a", "text": "A {time:HH:mm}", "from": "08:00", "to": "09:00"}]})";
    EXPECT_EQ(composed(Berlin, "2026-03-28T07:30:00Z"), "A 08:30"); // CET, +1
    EXPECT_EQ(composed(Berlin, "2026-03-30T06:30:00Z"), "A 08:30"); // CEST, +2
    EXPECT_EQ(composed(Berlin, "2026-03-30T07:30:00Z"), "");
    const auto zone = Zones.zone("Europe/Berlin");
    // 02:30 on the spring day does not exist: it is the moment the gap ends.
    EXPECT_EQ(parseMoment("2026-03-29T02:30", zone.get()), at("2026-03-29T01:00:00Z"));
    EXPECT_EQ(formatMoment(at("2026-10-25T00:30:00Z"), *zone), "2026-10-25T02:30:00+02:00");
    EXPECT_EQ(formatMoment(at("2026-10-25T01:30:00Z"), *zone), "2026-10-25T02:30:00+01:00");
}

TEST(Program, UploadsOnlyWhenBytesChangeAndNextChangeNamesEntries) {
    constexpr const char* Clock = R"({"timezone": "UTC", "entries": [
        {"name": "часы", "text": "{time:HH}", "from": "10:00", "to": "14:00"}]})";
    const Loaded loaded = loadProgram(Clock, Zones, at("2026-12-09T10:00:00Z"));
    const auto changes = loaded.schedule->changes(at("2026-12-09T10:00:00Z"), hours(5), {});
    ASSERT_EQ(changes.size(), 5u); // 10, 11, 12, 13, then the empty default
    EXPECT_EQ(changes[1].when, at("2026-12-09T11:00:00Z"));
    EXPECT_EQ(changes[4].utf8, "");
    EXPECT_EQ(changes[0].frameBytes, 211u);
    const auto next = loaded.schedule->nextChange(at("2026-12-09T10:00:00Z"));
    ASSERT_TRUE(next);
    EXPECT_EQ(next->when, at("2026-12-09T14:00:00Z"));
    EXPECT_TRUE(next->entries.empty());
}

TEST(Program, LineBudgetRefusesAndWarns) {
    const std::string longText(4000, 'x'), midText(700, 'x');
    const std::string refused =
        R"({"entries": [{"name": "часы", "text": "{time:HH:mm})" + longText + R"("}]})";
    try {
        loadProgram(refused, Zones, at("2026-12-09T10:00:00Z"));
        ADD_FAILURE();
    } catch (const ProgramError& error) {
        EXPECT_NE(std::string(error.what()).find("entry \"часы\": the text takes 38.6 s"),
                  std::string::npos)
            << error.what();
    }
    const std::string warned =
        R"({"entries": [{"name": "часы", "text": "{time:HH:mm})" + midText + R"("}]})";
    const Loaded loaded = loadProgram(warned, Zones, at("2026-12-09T10:00:00Z"));
    ASSERT_EQ(loaded.warnings.size(), 1u);
    EXPECT_NE(loaded.warnings[0].find("busy 14%"), std::string::npos) << loaded.warnings[0];
}

TEST(Program, PosixRulesAndFormatsPastTheTable) {
    const struct {
        const char* rule;
        const char* utc;
        long offset;
    } cases[] = {
        {"CET-1CEST,M3.5.0,M10.5.0/3", "2100-07-01T00:00:00Z", 7200},
        {"CET-1CEST,M3.5.0,M10.5.0/3", "2100-12-01T00:00:00Z", 3600},
        {"AEST-10AEDT,M10.1.0,M4.1.0/3", "2100-01-15T00:00:00Z", 39600}, // southern summer
        {"AEST-10AEDT,M10.1.0,M4.1.0/3", "2100-07-15T00:00:00Z", 36000},
        {"<-03>3", "2100-07-15T00:00:00Z", -10800},
    };
    for (const auto& c : cases)
        EXPECT_EQ(posixZone("z", c.rule)->offsetAt(at(c.utc)).count(), c.offset) << c.rule;
    EXPECT_EQ(Zones.zone("Europe/Berlin")->offsetAt(at("2100-07-01T00:00:00Z")).count(), 7200);
    EXPECT_THROW(posixZone("z", "CET-1CEST,M13.5.0,M10.5.0"), ZoneError);
    std::vector<std::string> unset;
    const auto local = fixedZone("+03:00")->toLocal(at("2026-01-02T00:04:05Z"));
    EXPECT_EQ(fillFields("{date:d.M.yy} {time:H:m:ss} {{x}", local, {}, unset),
              "2.1.26 3:4:05 {x}");
}
