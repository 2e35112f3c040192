#include "program/Program.h"
#include "program/ProgramFields.h"
#include "program/Week.h"

#include <gtest/gtest.h>

#include <numeric>

using namespace program;
using namespace std::chrono;

namespace {

const ZoneinfoSource Zones;

// The shop of the issue that asked for programs: four entries, one of them an announcement.
constexpr const char* Shop = R"({"timezone": "Europe/Moscow",
 "default": "Добро пожаловать!",
 "entries": [
  {"name": "утро",  "text": "/S3Доброе утро! Сегодня {date}", "days": "mon-fri", "from": "08:00", "to": "12:00"},
  {"name": "акция", "text": "Скидки до 50%", "dates": ["2026-12-20..2026-12-31"]},
  {"name": "вечер", "text": "Работаем до {var:close}", "from": "18:00", "to": "23:00"},
  {"name": "объявление", "text": "Касса 3 закрыта", "priority": 10, "until": "2026-12-09T15:00:00+03:00"}]})";

constexpr local_days Wednesday9 = local_days(2026y / December / 9);

Loaded load(const std::string& json) {
    return loadProgram(json, Zones, parseMoment("2026-12-09T08:00:00Z", nullptr));
}

} // namespace

TEST(ProgramFields, RoundTripKeepsWhatWasTypedAndRunsTheSame) {
    const ProgramFields read = readProgramFields(Shop);
    ASSERT_EQ(read.entries.size(), 4u);
    EXPECT_EQ(read.entries[1].dates, "2026-12-20..2026-12-31"); // a list, as one text
    EXPECT_EQ(read.entries[3].priority, "10");
    EXPECT_EQ(read.entries[0].days, "mon-fri");
    EXPECT_FALSE(read.clear);
    const std::string written = writeProgramFields(read);
    EXPECT_EQ(readProgramFields(written), read);
    EXPECT_NE(written.find("\"priority\": 10"), std::string::npos) << written;
    EXPECT_EQ(written.find("\"days\": \"\""), std::string::npos); // empty fields left out

    const auto a = load(Shop), b = load(written);
    for (const char* moment :
         {"2026-12-09T10:00:00+03:00", "2026-12-21T09:00:00+03:00", "2026-12-21T19:00:00+03:00"})
        EXPECT_EQ(a.schedule->compose(parseMoment(moment, nullptr), {}).utf8,
                  b.schedule->compose(parseMoment(moment, nullptr), {}).utf8)
            << moment;

    // What the operator typed wrong stays, for the program's reading to say why.
    ProgramFields typo = read;
    typo.entries[3].priority = "высокий";
    typo.clear = "";
    EXPECT_EQ(readProgramFields(writeProgramFields(typo)), typo);
    try {
        parseProgram(writeProgramFields(typo));
        ADD_FAILURE();
    } catch (const ProgramError& e) {
        EXPECT_NE(std::string(e.what()).find("\"priority\": not a whole number"), std::string::npos)
            << e.what();
    }
}

TEST(ProgramFields, RefusesWhatIsNoProgramFile) {
    const struct {
        const char* json;
        const char* says;
    } cases[] = {
        {R"({"entries": [)", "not valid JSON"},
        {R"([1])", "not a JSON object"},
        {R"({"entries": [{"text": 5}]})", "entry 1: \"text\": not a string"},
        {R"({"entries": [{"text": "x", "colour": "red"}]})", "\"colour\": unknown field"},
        {R"({"entries": {}})", "\"entries\": not a list"},
        {R"({"zone": "UTC"})", "\"zone\": unknown field"},
    };
    for (const auto& c : cases) {
        try {
            readProgramFields(c.json);
            ADD_FAILURE() << c.json;
        } catch (const ProgramError& e) {
            EXPECT_NE(std::string(e.what()).find(c.says), std::string::npos) << e.what();
        }
    }
}

TEST(ProgramWeek, SpansOfFourEntriesFallOnTheirDaysAndHours) {
    const auto loaded = load(Shop);
    const struct {
        local_days first;
        int day;
        std::vector<std::pair<int, std::vector<std::size_t>>> hours; // from hour: entries
    } cases[] = {
        // Wednesday: the announcement until 15:00 over the morning, then the evening.
        {Wednesday9, 0, {{0, {3}}, {15, {}}, {18, {2}}, {23, {}}}},
        {Wednesday9, 1, {{0, {}}, {8, {0}}, {12, {}}, {18, {2}}, {23, {}}}},
        {Wednesday9, 3, {{0, {}}, {18, {2}}, {23, {}}}}, // Saturday: no morning
        // From Friday the 18th: the sale all day from Sunday, rotating with the others.
        {local_days(2026y / December / 18), 2, {{0, {1}}, {18, {1, 2}}, {23, {1}}}},
        {local_days(2026y / December / 18),
         3,
         {{0, {1}}, {8, {0, 1}}, {12, {1}}, {18, {1, 2}}, {23, {1}}}},
    };
    for (const auto& c : cases) {
        const Week week = weekOf(*loaded.schedule, c.first);
        std::vector<std::pair<int, std::vector<std::size_t>>> got;
        for (const WeekSpan& s : week.shown)
            if (s.day == c.day)
                got.push_back({s.from / 3600, s.entries});
        EXPECT_EQ(got, c.hours) << "day " << c.day;
        // Every day fully covered.
        for (int day = 0; day < WeekDays; ++day) {
            int covered = 0;
            for (const WeekSpan& s : week.shown)
                covered += s.day == day ? s.to - s.from : 0;
            EXPECT_EQ(covered, DaySeconds) << day;
        }
    }
}

TEST(ProgramWeek, BusyMarksEachChangeForItsLineTime) {
    const auto loaded = load(Shop);
    const Week week = weekOf(*loaded.schedule, Wednesday9);
    ASSERT_GE(week.busy.size(), 4u);
    // "Добро пожаловать!" at 15:00: 226 bytes, 2.07 s on the line.
    EXPECT_EQ(week.busy[0].day, 0);
    EXPECT_EQ(week.busy[0].from, 15 * 3600);
    EXPECT_EQ(week.busy[0].to, 15 * 3600 + 3);
    EXPECT_TRUE(week.busy[0].entries.empty());
    EXPECT_EQ(week.busy[1].from, 18 * 3600);
    EXPECT_EQ(week.busy[1].entries, std::vector<std::size_t>{2});
    EXPECT_EQ(week.busy[3].day, 1);
    EXPECT_EQ(week.busy[3].from, 8 * 3600);

    // An hour's clock field: a change, and its line time, every hour of the window.
    const auto clock = load(R"({"timezone": "UTC", "entries": [
        {"name": "часы", "text": "{time:HH}", "from": "10:00", "to": "14:00"}]})");
    const Week hours = weekOf(*clock.schedule, Wednesday9);
    std::vector<int> onDay0;
    for (const WeekSpan& s : hours.busy)
        if (s.day == 0)
            onDay0.push_back(s.from / 3600);
    EXPECT_EQ(onDay0, (std::vector<int>{10, 11, 12, 13, 14}));
    EXPECT_EQ(weekMoment(*clock.schedule, Wednesday9, 3, 19 * 3600),
              parseMoment("2026-12-12T19:00:00Z", nullptr));
}

TEST(ProgramWeek, DaylightSavingDayKeepsClockHours) {
    const auto berlin = load(R"({"timezone": "Europe/Berlin", "entries": [
        {"name": "a", "text": "A", "from": "08:00", "to": "09:00"}]})");
    const Week week = weekOf(*berlin.schedule, local_days(2026y / March / 28));
    std::vector<std::pair<int, int>> mornings;
    for (const WeekSpan& s : week.shown)
        if (!s.entries.empty() && s.day < 3)
            mornings.push_back({s.day, s.from / 3600});
    EXPECT_EQ(mornings, (std::vector<std::pair<int, int>>{{0, 8}, {1, 8}, {2, 8}}));
    // 19:00 on Sunday the 29th is 17:00 UTC in summer time.
    EXPECT_EQ(weekMoment(*berlin.schedule, local_days(2026y / March / 28), 1, 19 * 3600),
              parseMoment("2026-03-29T17:00:00Z", nullptr));
}
