#include "base/WindowPlacement.h"

#include <QGuiApplication>
#include <QScreen>
#include <QStyle>
#include <QWidget>

#include <QList>

#include <algorithm>

namespace placement {
namespace {

constexpr int Gap = 8;

QRect availableAt(const QWidget* window, QPoint point) {
    QScreen* screen = QGuiApplication::screenAt(point);
    if (!screen)
        screen = window->screen();
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    return screen ? screen->availableGeometry() : QRect();
}

void apply(QWidget* window, const QRect& frame, const QMargins& margins) {
    window->resize(frame.size().shrunkBy(margins));
    window->move(frame.topLeft());
}

// Moves `value` so that [value, value + size) lies within [low, high) where it can.
int pullInside(int value, int size, int low, int high) {
    return std::max(low, std::min(value, high - size));
}

} // namespace

QRect fitWithin(const QRect& wanted, const QRect& available) {
    if (!available.isValid())
        return wanted;
    const QSize size = wanted.size().boundedTo(available.size());
    const int x = std::clamp(wanted.x(), available.left(), available.right() - size.width() + 1);
    const int y = std::clamp(wanted.y(), available.top(), available.bottom() - size.height() + 1);
    return {QPoint(x, y), size};
}

QMargins frameMargins(const QWidget* window) {
    if (window->isVisible()) {
        const QRect frame = window->frameGeometry();
        const QRect client = window->geometry();
        return {client.left() - frame.left(), client.top() - frame.top(),
                frame.right() - client.right(), frame.bottom() - client.bottom()};
    }
    const int border = window->style()->pixelMetric(QStyle::PM_MdiSubWindowFrameWidth);
    const int title = window->style()->pixelMetric(QStyle::PM_TitleBarHeight);
    return {border, title + border, border, border};
}

void placeWindow(QWidget* window, QPoint framePos, QSize clientSize) {
    const QMargins margins = frameMargins(window);
    const QRect wanted(framePos, clientSize.grownBy(margins));
    apply(window, fitWithin(wanted, availableAt(window, framePos)), margins);
}

void centreWindow(QWidget* window) {
    const QMargins margins = frameMargins(window);
    const QRect available = availableAt(window, window->frameGeometry().center());
    QRect frame({}, window->size().grownBy(margins));
    frame.moveCenter(available.center());
    apply(window, fitWithin(frame, available), margins);
}

std::optional<QRect> parseRect(QStringView text) {
    const QList<QStringView> parts = text.split(u',');
    if (parts.size() != 4)
        return std::nullopt;
    int values[4];
    for (int i = 0; i < 4; ++i) {
        bool ok = false;
        values[i] = parts[i].toInt(&ok);
        // toInt() would take blanks around the number.
        if (!ok || parts[i].trimmed().size() != parts[i].size())
            return std::nullopt;
    }
    if (values[2] <= 0 || values[3] <= 0)
        return std::nullopt;
    return QRect(values[0], values[1], values[2], values[3]);
}

QRect placeBeside(const QRect& other, int width, int height, const QRect& screen) {
    // Both windows with their frames; the edges are past the last column and row.
    const int left = other.x(), top = other.y();
    const int right = left + other.width() + FrameWidth,
              bottom = top + other.height() + FrameHeight;
    const int screenRight = screen.x() + screen.width(),
              screenBottom = screen.y() + screen.height();
    const int w = width + FrameWidth;
    const int h = height + FrameHeight;
    const int sideY = pullInside(top, h, screen.y(), screenBottom);
    const int alongX = pullInside(left, w, screen.x(), screenRight);
    const QPoint candidates[] = {
        {right + Gap, sideY},    // right
        {alongX, bottom + Gap},  // below
        {left - Gap - w, sideY}, // left
        {alongX, top - Gap - h}, // above
    };
    const auto fits = std::find_if(std::begin(candidates), std::end(candidates), [&](QPoint p) {
        return p.x() >= screen.x() && p.y() >= screen.y() && p.x() + w <= screenRight &&
               p.y() + h <= screenBottom;
    });
    const QPoint chosen = fits != std::end(candidates) ? *fits : candidates[1];
    return {chosen, QSize(width, height)};
}

} // namespace placement
