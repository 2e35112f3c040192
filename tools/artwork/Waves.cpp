// A decorative oscilloscope-like picture: a few coloured sine waves over a faint grid.

#include "Artwork.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

#include <cmath>
#include <numbers>

namespace {

struct Wave {
    QColor colour;
    double amplitude; // pixels
    double periods;   // across the picture
    double phase;     // radians
};

} // namespace

QImage paintWaves() {
    constexpr int kWidth = 151;
    constexpr int kHeight = 86;
    QImage image(kWidth, kHeight, QImage::Format_RGB32);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);

    QLinearGradient ground(0, 0, 0, kHeight);
    ground.setColorAt(0, QColor(0, 84, 92));
    ground.setColorAt(1, QColor(0, 44, 52));
    p.fillRect(image.rect(), ground);

    p.setPen(QPen(QColor(40, 120, 128), 1));
    for (int x = 10; x < kWidth; x += 20)
        p.drawLine(QPointF(x + 0.5, 0), QPointF(x + 0.5, kHeight));
    for (int y = 3; y < kHeight; y += 20)
        p.drawLine(QPointF(0, y + 0.5), QPointF(kWidth, y + 0.5));

    const Wave waves[] = {
        {QColor(255, 214, 0), 30, 1.0, 0.0},   {QColor(255, 70, 70), 22, 1.5, 1.1},
        {QColor(90, 255, 120), 26, 2.0, 2.3},  {QColor(90, 210, 255), 16, 3.0, 0.6},
        {QColor(255, 110, 255), 10, 4.5, 3.4},
    };
    const double mid = kHeight / 2.0;
    for (const Wave& w : waves) {
        QPainterPath path;
        for (int x = 0; x <= kWidth * 2; ++x) {
            const double px = x / 2.0;
            const double y =
                mid -
                w.amplitude * std::sin(2 * std::numbers::pi * w.periods * px / kWidth + w.phase);
            if (x == 0)
                path.moveTo(px, y);
            else
                path.lineTo(px, y);
        }
        p.setPen(QPen(w.colour, 1.7));
        p.drawPath(path);
    }
    p.end();
    return image;
}
