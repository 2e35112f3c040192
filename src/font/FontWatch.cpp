#include "font/FontWatch.h"

#include "font/FontTable.h"

#include <QPointer>

FontWatch::FontWatch(FontTables& font, QObject* parent) : QObject(parent) {
    // The table outlives every window: a watch already gone is simply not told.
    font.addChangeListener([watch = QPointer(this)] {
        if (watch)
            emit watch->changed();
    });
}
