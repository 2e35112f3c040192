#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace program {

using Seconds = std::chrono::sys_seconds;
using LocalSeconds = std::chrono::local_seconds;

// A time zone as a program needs it: the offset of local time from UTC at an instant.
class TimeZone {
public:
    virtual ~TimeZone() = default;
    virtual std::chrono::seconds offsetAt(Seconds utc) const = 0;
    virtual const std::string& name() const = 0;

    LocalSeconds toLocal(Seconds utc) const {
        return LocalSeconds(utc.time_since_epoch() + offsetAt(utc));
    }
    // A local time that falls in a spring-forward gap is taken as the moment the gap ends;
    // one that occurs twice, as the first of the two.
    Seconds toUtc(LocalSeconds local) const;
};

class ZoneError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// "UTC", or a fixed offset such as "+03:00"; nothing for any other name.
std::unique_ptr<TimeZone> fixedZone(std::string_view name);

// A zone from TZif data (version 2 or later, or version 1), with the POSIX rule of its footer
// for the times past its table. Throws ZoneError.
std::unique_ptr<TimeZone> parseTzif(const std::string& name, std::string_view data);

// A zone from a POSIX TZ string such as "CET-1CEST,M3.5.0,M10.5.0/3". Throws ZoneError.
std::unique_ptr<TimeZone> posixZone(const std::string& name, std::string_view rule);

// Zones by name: fixed ones, else the TZif file of that name under `folder`. An empty name is
// the machine's own zone (the file `localTime`, UTC when there is none). Throws ZoneError.
class ZoneSource {
public:
    virtual ~ZoneSource() = default;
    virtual std::shared_ptr<const TimeZone> zone(const std::string& name) const = 0;
};

class ZoneinfoSource : public ZoneSource {
public:
    explicit ZoneinfoSource(std::string folder = "/usr/share/zoneinfo",
                            std::string localTime = "/etc/localtime")
        : m_folder(std::move(folder)), m_localTime(std::move(localTime)) {}
    std::shared_ptr<const TimeZone> zone(const std::string& name) const override;

private:
    std::string m_folder, m_localTime;
};

} // namespace program
