#pragma once

#include <QIcon>
#include <QString>

// An icon of PNG pictures rendered at build time, "<stem>-<pixels>.png" for the sizes the
// program draws at 1x and 2x. Each picture is read the first time a size needs it, with its
// format named: no SVG engine and no image-format plugin is loaded, and most of the icons wait
// in menus and windows not yet shown.
QIcon lazyIcon(const QString& stem);
