#pragma once

#include <QIcon>
#include <QImage>
#include <QString>

// An icon of PNG pictures "<stem>-<pixels>.png", one per width drawn (the program's own are
// rendered at build time for 1x and 2x). Each picture is read the first time a size needs it,
// with its format named: no SVG engine and no image-format plugin is loaded, and most of the
// icons wait in menus and windows not yet shown. `onStem`, when given, holds the pictures of
// the icon's On state (an open folder beside a closed one).
QIcon lazyIcon(const QString& stem, const QString& onStem = {});

// The same for a window: X11 hands the window manager every size the icon says it has, each
// decoded before the window first shows, where three serve every title bar and task list.
QIcon lazyWindowIcon(const QString& stem);

// Starts reading, on a thread of its own, the pictures of `stems` that serve `pixels` at
// `scale`, for icons about to be drawn: a window's tool bars, decoded while the rest of the
// window is built. An icon that needs one of them waits for the batch.
void readPicturesAhead(const QStringList& stems, int pixels, qreal scale);

// A picture read as `format` ("png", "jpeg") and nothing else. Qt, told a format but left to
// detect it, asks every image-format plugin installed whether it reads that format, and so loads
// them all (tiff, webp, mng and the rest where they are installed); this loads the one plugin
// of that format, or none for PNG, which Qt reads itself. Null when the file cannot be read.
QImage readPicture(const QString& file, const char* format, QString* error = nullptr);
