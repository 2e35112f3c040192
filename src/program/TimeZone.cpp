#include "program/TimeZone.h"

#include <algorithm>
#include <cctype>
#include <fstream>
#include <optional>
#include <sstream>

namespace program {

using namespace std::chrono;

Seconds TimeZone::toUtc(LocalSeconds local) const {
    // The offsets a day either side cover every change a zone has made.
    const Seconds guess(local.time_since_epoch());
    const seconds before = offsetAt(guess - days(1));
    const seconds after = offsetAt(guess + days(1));
    for (const seconds offset : {std::max(before, after), std::min(before, after)}) {
        const Seconds utc(local.time_since_epoch() - offset);
        if (offsetAt(utc) == offset)
            return utc;
    }
    // In a gap: the moment the gap ends, the first whose local time has passed `local`.
    Seconds lo(local.time_since_epoch() - std::max(before, after));
    Seconds hi(local.time_since_epoch() - std::min(before, after));
    while (lo < hi) {
        const Seconds mid = lo + (hi - lo) / 2;
        if (toLocal(mid) >= local)
            hi = mid;
        else
            lo = mid + seconds(1);
    }
    return lo;
}

namespace {

class FixedZone : public TimeZone {
public:
    FixedZone(std::string name, seconds offset) : m_name(std::move(name)), m_offset(offset) {}
    seconds offsetAt(Seconds) const override { return m_offset; }
    const std::string& name() const override { return m_name; }

private:
    std::string m_name;
    seconds m_offset;
};

// One end of daylight time in a POSIX rule: Jn, n or Mm.w.d, and the local time of day.
struct RuleDate {
    char kind = 'M'; // 'J' (1..365, no leap day), 'D' (0..365), 'M'
    int day = 0, month = 0, week = 0, weekday = 0;
    seconds time = hours(2);

    sys_days dayIn(int year) const {
        const year_month_day jan1{std::chrono::year(year), January, std::chrono::day(1)};
        if (kind == 'J') {
            const bool leap = std::chrono::year(year).is_leap();
            return sys_days(jan1) + days(day - 1 + (leap && day >= 60 ? 1 : 0));
        }
        if (kind == 'D')
            return sys_days(jan1) + days(day);
        const year_month first{std::chrono::year(year), std::chrono::month(unsigned(month))};
        const sys_days start = sys_days(first / 1);
        const int toWeekday =
            (weekday - static_cast<int>(std::chrono::weekday(start).c_encoding()) + 7) % 7;
        sys_days result = start + days(toWeekday + (week - 1) * 7);
        const sys_days end = sys_days(first / last);
        while (result > end)
            result -= days(7);
        return result;
    }
};

class PosixZone : public TimeZone {
public:
    PosixZone(std::string name, std::string_view rule) : m_name(std::move(name)) { parse(rule); }
    const std::string& name() const override { return m_name; }

    seconds offsetAt(Seconds utc) const override {
        if (!m_dst)
            return m_std;
        const auto localDay = floor<days>(utc + m_std);
        const int year = static_cast<int>(year_month_day(localDay).year());
        const Seconds start = Seconds(m_start.dayIn(year)) + m_start.time - m_std;
        const Seconds end = Seconds(m_end.dayIn(year)) + m_end.time - m_dstOffset;
        const bool inDst = start < end ? (utc >= start && utc < end) : (utc < end || utc >= start);
        return inDst ? m_dstOffset : m_std;
    }

private:
    [[noreturn]] void bad(std::string_view rule) const {
        throw ZoneError("time zone " + m_name + ": cannot read the rule \"" + std::string(rule) +
                        "\"");
    }

    void parse(std::string_view rule) {
        std::size_t at = 0;
        const auto peek = [&] { return at < rule.size() ? rule[at] : '\0'; };
        const auto zoneName = [&] {
            if (peek() == '<') {
                const auto close = rule.find('>', at);
                if (close == std::string_view::npos)
                    bad(rule);
                at = close + 1;
                return;
            }
            const auto begin = at;
            while (std::isalpha(static_cast<unsigned char>(peek())))
                ++at;
            if (at - begin < 3)
                bad(rule);
        };
        const auto number = [&] {
            if (!std::isdigit(static_cast<unsigned char>(peek())))
                bad(rule);
            int n = 0;
            while (std::isdigit(static_cast<unsigned char>(peek())))
                n = n * 10 + (rule[at++] - '0');
            return n;
        };
        const auto clock = [&] {
            int sign = 1;
            if (peek() == '+' || peek() == '-')
                sign = rule[at++] == '-' ? -1 : 1;
            seconds value = hours(number());
            if (peek() == ':') {
                ++at;
                value += minutes(number());
                if (peek() == ':') {
                    ++at;
                    value += seconds(number());
                }
            }
            return sign * value;
        };
        const auto date = [&] {
            RuleDate d;
            if (peek() == 'M') {
                ++at;
                d.month = number();
                if (peek() != '.')
                    bad(rule);
                ++at;
                d.week = number();
                if (peek() != '.')
                    bad(rule);
                ++at;
                d.weekday = number();
                if (d.month < 1 || d.month > 12 || d.week < 1 || d.week > 5 || d.weekday > 6)
                    bad(rule);
            } else {
                d.kind = peek() == 'J' ? 'J' : 'D';
                if (d.kind == 'J')
                    ++at;
                d.day = number();
                if (d.day > 365 || (d.kind == 'J' && d.day < 1))
                    bad(rule);
            }
            if (peek() == '/') {
                ++at;
                d.time = clock();
            }
            return d;
        };

        zoneName();
        m_std = -clock(); // POSIX counts west of Greenwich as positive
        if (at == rule.size())
            return;
        zoneName();
        m_dst = true;
        m_dstOffset = m_std + hours(1);
        if (peek() != ',' && at < rule.size())
            m_dstOffset = -clock();
        if (at == rule.size()) {
            // No rule given: the one POSIX names as the default.
            m_start = {'M', 0, 3, 2, 0};
            m_end = {'M', 0, 11, 1, 0};
            return;
        }
        if (peek() != ',')
            bad(rule);
        ++at;
        m_start = date();
        if (peek() != ',')
            bad(rule);
        ++at;
        m_end = date();
        if (at != rule.size())
            bad(rule);
    }

    std::string m_name;
    seconds m_std{0}, m_dstOffset{0};
    bool m_dst = false;
    RuleDate m_start, m_end;
};

class TzifZone : public TimeZone {
public:
    TzifZone(std::string name, std::vector<std::int64_t> times, std::vector<std::uint8_t> types,
             std::vector<seconds> offsets, std::unique_ptr<TimeZone> footer)
        : m_name(std::move(name)), m_times(std::move(times)), m_types(std::move(types)),
          m_offsets(std::move(offsets)), m_footer(std::move(footer)) {}
    const std::string& name() const override { return m_name; }

    seconds offsetAt(Seconds utc) const override {
        const std::int64_t t = utc.time_since_epoch().count();
        if (m_footer && (m_times.empty() || t >= m_times.back()))
            return m_footer->offsetAt(utc);
        const auto it = std::upper_bound(m_times.begin(), m_times.end(), t);
        if (it == m_times.begin())
            return m_offsets.front();
        return m_offsets[m_types[static_cast<std::size_t>(it - m_times.begin()) - 1]];
    }

private:
    std::string m_name;
    std::vector<std::int64_t> m_times;
    std::vector<std::uint8_t> m_types;
    std::vector<seconds> m_offsets;
    std::unique_ptr<TimeZone> m_footer;
};

class TzifReader {
public:
    TzifReader(const std::string& name, std::string_view data) : m_name(name), m_data(data) {}

    std::uint64_t big(std::size_t bytes) {
        need(bytes);
        std::uint64_t value = 0;
        for (std::size_t i = 0; i < bytes; ++i)
            value = value << 8 | static_cast<std::uint8_t>(m_data[m_at + i]);
        m_at += bytes;
        return value;
    }
    void skip(std::size_t bytes) {
        need(bytes);
        m_at += bytes;
    }
    std::string_view rest() const { return m_data.substr(m_at); }
    [[noreturn]] void bad() const { throw ZoneError("time zone " + m_name + ": not a TZif file"); }

private:
    void need(std::size_t bytes) const {
        if (m_data.size() - m_at < bytes)
            bad();
    }
    std::string m_name;
    std::string_view m_data;
    std::size_t m_at = 0;
};

struct TzifCounts {
    std::uint64_t isut, isstd, leap, time, type, chars;
};

TzifCounts tzifHeader(TzifReader& in, char& version) {
    if (in.rest().substr(0, 4) != "TZif")
        in.bad();
    in.skip(4);
    version = static_cast<char>(in.big(1));
    in.skip(15);
    TzifCounts c{};
    c.isut = in.big(4);
    c.isstd = in.big(4);
    c.leap = in.big(4);
    c.time = in.big(4);
    c.type = in.big(4);
    c.chars = in.big(4);
    if (c.type == 0)
        in.bad();
    return c;
}

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return {};
    std::ostringstream out;
    out << in.rdbuf();
    return std::move(out).str();
}

} // namespace

std::unique_ptr<TimeZone> fixedZone(std::string_view name) {
    if (name == "UTC" || name == "Etc/UTC" || name == "Z")
        return std::make_unique<FixedZone>(std::string(name), seconds(0));
    // ±HH:MM
    if (name.size() == 6 && (name[0] == '+' || name[0] == '-') && name[3] == ':') {
        const auto digit = [&](std::size_t i) { return std::isdigit((unsigned char)name[i]); };
        if (digit(1) && digit(2) && digit(4) && digit(5)) {
            const int h = (name[1] - '0') * 10 + (name[2] - '0');
            const int m = (name[4] - '0') * 10 + (name[5] - '0');
            if (h <= 14 && m < 60) {
                const seconds offset = hours(h) + minutes(m);
                return std::make_unique<FixedZone>(std::string(name),
                                                   name[0] == '-' ? -offset : offset);
            }
        }
    }
    return nullptr;
}

std::unique_ptr<TimeZone> posixZone(const std::string& name, std::string_view rule) {
    return std::make_unique<PosixZone>(name, rule);
}

std::unique_ptr<TimeZone> parseTzif(const std::string& name, std::string_view data) {
    TzifReader in(name, data);
    char version = 0;
    TzifCounts c = tzifHeader(in, version);
    std::size_t timeSize = 4;
    if (version >= '2') {
        // Past the 32-bit block to the 64-bit one.
        in.skip(c.time * 5 + c.type * 6 + c.chars + c.leap * 8 + c.isstd + c.isut);
        c = tzifHeader(in, version);
        timeSize = 8;
    }
    std::vector<std::int64_t> times(c.time);
    for (auto& t : times) {
        const std::uint64_t raw = in.big(timeSize);
        t = timeSize == 8 ? static_cast<std::int64_t>(raw)
                          : static_cast<std::int64_t>(static_cast<std::int32_t>(raw));
    }
    std::vector<std::uint8_t> types(c.time);
    for (auto& type : types) {
        type = static_cast<std::uint8_t>(in.big(1));
        if (type >= c.type)
            in.bad();
    }
    std::vector<seconds> offsets(c.type);
    for (auto& offset : offsets) {
        offset = seconds(static_cast<std::int32_t>(in.big(4)));
        in.skip(2);
    }
    in.skip(c.chars + c.leap * (timeSize + 4) + c.isstd + c.isut);
    std::unique_ptr<TimeZone> footer;
    if (version >= '2') {
        const std::string_view rest = in.rest();
        if (rest.size() < 2 || rest[0] != '\n')
            in.bad();
        const auto end = rest.find('\n', 1);
        if (end == std::string_view::npos)
            in.bad();
        const std::string_view rule = rest.substr(1, end - 1);
        if (!rule.empty())
            footer = posixZone(name, rule);
    }
    return std::make_unique<TzifZone>(name, std::move(times), std::move(types), std::move(offsets),
                                      std::move(footer));
}

std::shared_ptr<const TimeZone> ZoneinfoSource::zone(const std::string& name) const {
    if (auto fixed = fixedZone(name))
        return fixed;
    if (name.empty()) {
        const std::string data = readFile(m_localTime);
        if (data.empty())
            return fixedZone("UTC");
        return parseTzif("local", data);
    }
    // A zone name is words and slashes; nothing that climbs out of the folder.
    const bool plain = std::all_of(name.begin(), name.end(), [](char ch) {
        return std::isalnum(static_cast<unsigned char>(ch)) || ch == '/' || ch == '_' ||
               ch == '-' || ch == '+';
    });
    if (!plain || name.front() == '/' || name.find("..") != std::string::npos)
        throw ZoneError("unknown time zone \"" + name + "\"");
    const std::string data = readFile(m_folder + "/" + name);
    if (data.empty())
        throw ZoneError("unknown time zone \"" + name + "\" (not in " + m_folder + ")");
    return parseTzif(name, data);
}

} // namespace program
