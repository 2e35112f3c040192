#pragma once

// Where the simulated sign's window goes so that it stands beside the uploader's window and
// never covers it: to its right, else below, else to its left, else above, whichever first
// fits the screen whole.

#include <optional>
#include <string>

namespace sign {

struct Rect {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    int right() const { return x + width; }
    int bottom() const { return y + height; }
    bool operator==(const Rect&) const = default;
};

// Room left around each window for its frame, which the window manager adds.
inline constexpr int FrameWidth = 16;
inline constexpr int FrameHeight = 40;

// "X,Y,WIDTH,HEIGHT" with a positive size; nothing on anything else.
std::optional<Rect> parseRect(const std::string& text);

// The top-left corner for a window of `width` x `height` (client size) beside `other` (its
// corner and client size) on `screen`. When no side fits whole, the window goes below `other`,
// pulled inside the screen sideways: it may then run off the screen's bottom edge, but it still
// does not cover `other`.
Rect placeBeside(const Rect& other, int width, int height, const Rect& screen);

} // namespace sign
