#pragma once

#include "program/TimeZone.h"

// Zones from the GUI toolkit's own time-zone data, which every desktop it runs on has (Windows
// keeps no zoneinfo folder). Fixed offsets and "UTC" as everywhere; an empty name is the
// machine's own zone.
namespace program {

class QtZoneSource : public ZoneSource {
public:
    std::shared_ptr<const TimeZone> zone(const std::string& name) const override;
};

} // namespace program
