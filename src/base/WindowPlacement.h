#pragma once

#include <QMargins>
#include <QPoint>
#include <QRect>
#include <QSize>

class QWidget;

// Windows open where and as large as they were designed when that fits the screen's available
// area; on a small screen, or at a large scale, they are moved and shrunk to fit instead of
// hanging off its edge.
namespace placement {

// The frame rectangle `wanted` moved, and if need be shrunk, into `available`; `wanted`
// itself when it fits.
QRect fitWithin(const QRect& wanted, const QRect& available);

// The frame's width around a top-level window: the real one once the window is shown,
// otherwise an estimate (title bar and borders) from the style.
QMargins frameMargins(const QWidget* window);

// Places a top-level window with its frame corner at `framePos` and its client area of
// `clientSize`, fitted to the available area of the screen under `framePos`.
void placeWindow(QWidget* window, QPoint framePos, QSize clientSize);

// Centres a window of its current size on the available area of its screen, fitted to it.
void centreWindow(QWidget* window);

} // namespace placement
