#include "WindowPlacement.h"

#include <algorithm>
#include <charconv>

namespace sign {
namespace {

constexpr int Gap = 8;

bool inside(const Rect& r, const Rect& screen) {
    return r.x >= screen.x && r.y >= screen.y && r.right() <= screen.right() &&
           r.bottom() <= screen.bottom();
}

// Moves `value` so that [value, value + size) lies within [low, high) where it can.
int pullInside(int value, int size, int low, int high) {
    return std::max(low, std::min(value, high - size));
}

} // namespace

std::optional<Rect> parseRect(const std::string& text) {
    int values[4];
    const char* p = text.data();
    const char* end = p + text.size();
    for (int i = 0; i < 4; ++i) {
        const auto [next, ec] = std::from_chars(p, end, values[i]);
        if (ec != std::errc() || next == p)
            return std::nullopt;
        p = next;
        if (i < 3) {
            if (p == end || *p != ',')
                return std::nullopt;
            ++p;
        }
    }
    if (p != end || values[2] <= 0 || values[3] <= 0)
        return std::nullopt;
    return Rect{values[0], values[1], values[2], values[3]};
}

Rect placeBeside(const Rect& other, int width, int height, const Rect& screen) {
    // Both windows with their frames.
    const Rect taken{other.x, other.y, other.width + FrameWidth, other.height + FrameHeight};
    const int w = width + FrameWidth;
    const int h = height + FrameHeight;
    const int sideY = pullInside(taken.y, h, screen.y, screen.bottom());
    const int alongX = pullInside(taken.x, w, screen.x, screen.right());
    const Rect candidates[] = {
        {taken.right() + Gap, sideY, w, h},   // right
        {alongX, taken.bottom() + Gap, w, h}, // below
        {taken.x - Gap - w, sideY, w, h},     // left
        {alongX, taken.y - Gap - h, w, h},    // above
    };
    const auto fits = std::find_if(std::begin(candidates), std::end(candidates),
                                   [&](const Rect& r) { return inside(r, screen); });
    const Rect chosen = fits != std::end(candidates) ? *fits : candidates[1];
    return {chosen.x, chosen.y, width, height};
}

} // namespace sign
