#include "program/QtZoneSource.h"

#include <QDateTime>
#include <QTimeZone>

namespace program {
namespace {

class QtZone : public TimeZone {
public:
    QtZone(QTimeZone zone, std::string name) : m_zone(std::move(zone)), m_name(std::move(name)) {}
    std::chrono::seconds offsetAt(Seconds utc) const override {
        const auto at = QDateTime::fromSecsSinceEpoch(utc.time_since_epoch().count(), Qt::UTC);
        return std::chrono::seconds(m_zone.offsetFromUtc(at));
    }
    const std::string& name() const override { return m_name; }

private:
    QTimeZone m_zone;
    std::string m_name;
};

} // namespace

std::shared_ptr<const TimeZone> QtZoneSource::zone(const std::string& name) const {
    if (auto fixed = fixedZone(name))
        return fixed;
    if (name.empty()) {
        const QTimeZone own = QTimeZone::systemTimeZone();
        return std::make_shared<QtZone>(own, own.id().toStdString());
    }
    const QTimeZone zone(QByteArray::fromStdString(name));
    if (!zone.isValid())
        throw ZoneError("unknown time zone \"" + name + "\"");
    return std::make_shared<QtZone>(zone, name);
}

} // namespace program
