#pragma once

#include "program/Week.h"

#include <QColor>
#include <QStringList>
#include <QWidget>

#include <optional>

// The coming week drawn: a row of 24 hours per day, a coloured band for each entry where it is
// on the sign (several rotating share the row's height), the default in grey, and under them
// the line's busy time for each change.
namespace program {

class WeekChart : public QWidget {
    Q_OBJECT

public:
    static constexpr int LabelWidth = 72;
    static constexpr int HeaderHeight = 18;

    explicit WeekChart(QWidget* parent = nullptr);

    // Nothing: no program that runs, an empty grid with `why`.
    void setWeek(std::optional<Week> week, QStringList dayNames, const QString& why = {});
    const std::optional<Week>& week() const { return m_week; }
    // The mark of now, and of the moment clicked; a day below 0 for none.
    void setNow(int day, int second);
    void setChosen(int day, int second);

    static QColor entryColour(std::size_t entry);
    static QColor defaultColour() { return QColor(200, 200, 200); }

    // Where things are drawn, in the widget's pixels.
    QRectF rowRect(int day) const;
    QRectF spanRect(const WeekSpan& span) const; // the whole height of the row
    QRectF busyRect(const WeekSpan& span) const;
    double xOf(int second) const;
    // The day and second under a point of the grid; nothing outside it.
    std::optional<std::pair<int, int>> momentAt(QPointF point) const;

    QSize sizeHint() const override { return {760, HeaderHeight + 7 * 34 + 2}; }
    QSize minimumSizeHint() const override { return {420, HeaderHeight + 7 * 20 + 2}; }

signals:
    void clicked(int day, int second);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    std::optional<Week> m_week;
    QStringList m_dayNames;
    QString m_why;
    int m_nowDay = -1, m_nowSecond = 0;
    int m_chosenDay = -1, m_chosenSecond = 0;
};

} // namespace program
