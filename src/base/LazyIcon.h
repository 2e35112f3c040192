#pragma once

#include <QIcon>
#include <QString>

// An icon whose picture file is read the first time it is drawn or measured. A QIcon of an
// SVG file parses the file at once; most of the program's icons wait in menus and windows not
// yet shown, so reading them only when needed shortens the start.
QIcon lazyIcon(const QString& path);
