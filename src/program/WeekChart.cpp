#include "program/WeekChart.h"

#include <QMouseEvent>
#include <QPainter>

#include <algorithm>
#include <array>

namespace program {
namespace {

// Apart at a glance, none of them grey.
constexpr std::array<QRgb, 10> Palette = {0x3b7dd8, 0xe8833a, 0x3fa34d, 0xc8423b, 0x8d5fc7,
                                          0x2bb3b3, 0xd4b106, 0xd45fa6, 0x7a5230, 0x5c6bc0};
const QColor BusyColour(20, 20, 20);
// A change shorter than a pixel still shows.
constexpr double MinBusyWidth = 3.0;

} // namespace

WeekChart::WeekChart(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("ChartWeek"));
    setCursor(Qt::PointingHandCursor);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setToolTip(QStringLiteral("Щёлкните в неделе: в просмотре пойдёт текст знака в ту минуту"));
}

QColor WeekChart::entryColour(std::size_t entry) {
    return QColor(Palette[entry % Palette.size()]);
}

void WeekChart::setWeek(std::optional<Week> week, QStringList dayNames, const QString& why) {
    m_week = std::move(week);
    m_dayNames = std::move(dayNames);
    m_why = why;
    update();
}

void WeekChart::setNow(int day, int second) {
    m_nowDay = day;
    m_nowSecond = second;
    update();
}

void WeekChart::setChosen(int day, int second) {
    m_chosenDay = day;
    m_chosenSecond = second;
    update();
}

QRectF WeekChart::rowRect(int day) const {
    const double rowHeight = (height() - HeaderHeight - 1.0) / WeekDays;
    return {double(LabelWidth), HeaderHeight + day * rowHeight, width() - LabelWidth - 6.0,
            rowHeight};
}

double WeekChart::xOf(int second) const {
    const QRectF row = rowRect(0);
    return row.left() + row.width() * second / DaySeconds;
}

QRectF WeekChart::spanRect(const WeekSpan& span) const {
    const QRectF row = rowRect(span.day);
    return {xOf(span.from), row.top() + 1, xOf(span.to) - xOf(span.from), row.height() - 2};
}

QRectF WeekChart::busyRect(const WeekSpan& span) const {
    const QRectF band = spanRect(span);
    const double h = std::max(4.0, band.height() * 0.35);
    return {band.left(), band.bottom() - h, std::max(MinBusyWidth, band.width()), h};
}

std::optional<std::pair<int, int>> WeekChart::momentAt(QPointF point) const {
    const QRectF grid(rowRect(0).topLeft(), rowRect(WeekDays - 1).bottomRight());
    if (!grid.contains(point))
        return std::nullopt;
    const int day =
        std::clamp(int((point.y() - grid.top()) / rowRect(0).height()), 0, WeekDays - 1);
    const int second =
        std::clamp(int((point.x() - grid.left()) * DaySeconds / grid.width()), 0, DaySeconds - 1);
    return std::pair(day, second);
}

void WeekChart::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), palette().base());
    p.setPen(palette().text().color());
    const QRectF first = rowRect(0);
    for (int hour = 0; hour <= 24; hour += 3) {
        const double x = xOf(hour * 3600);
        const QRectF label(x - 20, 0, 40, HeaderHeight);
        p.drawText(label, Qt::AlignCenter, QString::number(hour));
    }
    for (int day = 0; day < WeekDays; ++day) {
        const QRectF row = rowRect(day);
        const QString name = day < m_dayNames.size() ? m_dayNames[day] : QString();
        p.setPen(palette().text().color());
        p.drawText(QRectF(4, row.top(), LabelWidth - 8, row.height()),
                   Qt::AlignVCenter | Qt::AlignLeft, name);
    }
    if (m_week) {
        p.setPen(Qt::NoPen);
        for (const WeekSpan& s : m_week->shown) {
            const QRectF band = spanRect(s);
            if (s.entries.empty()) {
                p.fillRect(band, defaultColour());
                continue;
            }
            // Rotating entries share the row, one stripe each, in program order.
            const double stripe = band.height() / double(s.entries.size());
            for (std::size_t i = 0; i < s.entries.size(); ++i)
                p.fillRect(QRectF(band.left(), band.top() + static_cast<double>(i) * stripe,
                                  band.width(), stripe),
                           entryColour(s.entries[i]));
        }
        for (const WeekSpan& s : m_week->busy)
            p.fillRect(busyRect(s), BusyColour);
    }
    // The hours over the bands, every sixth darker.
    for (int hour = 0; hour <= 24; ++hour) {
        const double x = xOf(hour * 3600);
        p.setPen(QColor(0, 0, 0, hour % 6 == 0 ? 110 : 35));
        p.drawLine(QPointF(x, first.top()), QPointF(x, rowRect(WeekDays - 1).bottom()));
    }
    p.setPen(QColor(0, 0, 0, 110));
    for (int day = 0; day <= WeekDays; ++day) {
        const double y = day < WeekDays ? rowRect(day).top() : rowRect(WeekDays - 1).bottom();
        p.drawLine(QPointF(first.left(), y), QPointF(first.right(), y));
    }
    // A light edge keeps a mark apart from a band of its own colour.
    const auto mark = [&](int day, int second, const QColor& colour) {
        if (day < 0 || day >= WeekDays)
            return;
        const QRectF row = rowRect(day);
        const QPointF top(xOf(second), row.top() - 2), bottom(xOf(second), row.bottom() + 2);
        p.setPen(QPen(Qt::white, 4));
        p.drawLine(top, bottom);
        p.setPen(QPen(colour, 2));
        p.drawLine(top, bottom);
    };
    mark(m_nowDay, m_nowSecond, QColor(220, 0, 0));
    mark(m_chosenDay, m_chosenSecond, Qt::black);
    if (!m_week && !m_why.isEmpty()) {
        p.setPen(palette().text().color());
        p.drawText(QRectF(first.left(), first.top(), first.width(),
                          rowRect(WeekDays - 1).bottom() - first.top()),
                   Qt::AlignCenter | Qt::TextWordWrap, m_why);
    }
}

void WeekChart::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton)
        return QWidget::mousePressEvent(event);
    if (const auto at = momentAt(event->position()))
        emit clicked(at->first, at->second);
}

} // namespace program
