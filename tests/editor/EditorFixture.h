#pragma once

#include "MainWindowFixture.h"

#include <QLabel>

// The editor's tests start with the window made.
struct EditorFixture : MainWindowFixture {
    EditorFixture() { make(); }
};

inline QString captionFor(const QString& shortName) {
    return QStringLiteral("Загрузчик для бегущей строки V2.9   File: ") + shortName;
}
