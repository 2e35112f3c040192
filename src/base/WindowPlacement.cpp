#include "base/WindowPlacement.h"

#include <QGuiApplication>
#include <QScreen>
#include <QStyle>
#include <QWidget>

#include <algorithm>

namespace placement {
namespace {

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

} // namespace placement
