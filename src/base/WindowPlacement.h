#pragma once

#include <QMargins>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <QStringView>

#include <optional>

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

// Beside another program's window (the simulated sign beside the uploader's): room left around
// each window for the frame the window manager adds.
inline constexpr int FrameWidth = 16;
inline constexpr int FrameHeight = 40;

// "X,Y,WIDTH,HEIGHT" with a positive size; nothing on anything else.
std::optional<QRect> parseRect(QStringView text);

// Where a window of `width` x `height` (client size) goes beside `other` (its corner and client
// size) on `screen` so that it never covers it: to its right, else below, else to its left,
// else above, whichever first fits the screen whole. When no side fits whole, the window goes
// below `other`, pulled inside the screen sideways: it may then run off the screen's bottom
// edge, but it still does not cover `other`.
QRect placeBeside(const QRect& other, int width, int height, const QRect& screen);

} // namespace placement
