#pragma once

#include <QObject>

class FontTables;

// The font table's changes as a signal, for every view of the font that wants them.
class FontWatch : public QObject {
    Q_OBJECT

public:
    FontWatch(FontTables& font, QObject* parent);

signals:
    void changed();
};
