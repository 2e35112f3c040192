// The cable between the computer's COM port (left, a female 9-pin connector) and the sign
// (right, a male one), both seen from the solder side. Only TxD (3) and ground (5) run through
// the cable; DTR is looped back to DSR and DCD (4 to 6 and 1) and RTS to CTS (7 to 8) at the
// computer's end.

#include "Artwork.h"

#include <QFont>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>

#include <cmath>

namespace {

constexpr int kWidth = 640;
constexpr int kHeight = 250;

const QColor kGround(255, 255, 255);
const QColor kEdge(238, 226, 130);
const QColor kWire(220, 0, 0);
const QColor kBridge(0, 0, 224);
const QColor kPinNumber(139, 0, 0);
const QColor kCaption(0, 128, 0);
const QColor kOutline(70, 70, 70);

constexpr double kPitch = 34;
constexpr double kFlangeHalfWidth = 135;
constexpr double kFlangeTop = 88;
constexpr double kFlangeBottom = 172;
constexpr double kHoleOffset = 116;
constexpr double kHoleRadius = 8;
constexpr double kShellTop = 100;
constexpr double kShellBottom = 162;
constexpr double kShellTopHalf = 96;
constexpr double kShellBottomHalf = 72;
constexpr double kUpperRow = 117;
constexpr double kLowerRow = 143;

constexpr double kOuterWireY = 58; // 5 to 5
constexpr double kInnerWireY = 72; // 3 to 3
constexpr double kLoopY = 190;     // the DTR loop under the female connector

struct Connector {
    double cx;
    bool female;
};

const Connector kFemale{160, true};
const Connector kMale{480, false};

// Seen from the solder side the female connector counts from the right, the male from the left.
QPointF pinPos(const Connector& c, int pin) {
    if (pin <= 5) {
        const int slot = c.female ? 5 - pin : pin - 1;
        return {c.cx + (slot - 2) * kPitch, kUpperRow};
    }
    const int slot = c.female ? 9 - pin : pin - 6;
    return {c.cx + (slot - 1.5) * kPitch, kLowerRow};
}

QPainterPath roundedPolygon(const QPolygonF& corners, double radius) {
    QPainterPath path;
    const int n = static_cast<int>(corners.size());
    for (int i = 0; i < n; ++i) {
        const QPointF prev = corners[(i + n - 1) % n];
        const QPointF at = corners[i];
        const QPointF next = corners[(i + 1) % n];
        const auto toward = [&](QPointF to) {
            const QPointF d = to - at;
            const double len = std::hypot(d.x(), d.y());
            return at + d * (radius / len);
        };
        if (i == 0)
            path.moveTo(toward(prev));
        else
            path.lineTo(toward(prev));
        path.quadTo(at, toward(next));
    }
    path.closeSubpath();
    return path;
}

// A wire through the given points with softly rounded bends.
QPainterPath wirePath(const QPolygonF& points, double radius) {
    QPainterPath path(points.front());
    for (int i = 1; i + 1 < points.size(); ++i) {
        const QPointF at = points[i];
        const auto toward = [&](QPointF to) {
            const QPointF d = to - at;
            const double len = std::hypot(d.x(), d.y());
            return at + d * (std::min(radius, len / 2) / len);
        };
        path.lineTo(toward(points[i - 1]));
        path.quadTo(at, toward(points[i + 1]));
    }
    path.lineTo(points.back());
    return path;
}

QFont font(int pixels, bool bold) {
    QFont f(QStringLiteral("DejaVu Sans"));
    f.setPixelSize(pixels);
    f.setBold(bold);
    f.setStyleStrategy(QFont::PreferAntialias);
    return f;
}

void drawConnectorBody(QPainter& p, const Connector& c, const QString& label) {
    // Flange with its two mounting holes.
    const QRectF flange(c.cx - kFlangeHalfWidth, kFlangeTop, 2 * kFlangeHalfWidth,
                        kFlangeBottom - kFlangeTop);
    QLinearGradient metal(flange.topLeft(), flange.bottomLeft());
    metal.setColorAt(0, QColor(226, 228, 232));
    metal.setColorAt(1, QColor(178, 181, 188));
    p.setPen(QPen(kOutline, 1.5));
    p.setBrush(metal);
    p.drawRoundedRect(flange, 7, 7);
    for (const double side : {-1.0, 1.0}) {
        const QPointF centre(c.cx + side * kHoleOffset, (kFlangeTop + kFlangeBottom) / 2);
        p.setBrush(kGround);
        p.setPen(QPen(kOutline, 1.5));
        p.drawEllipse(centre, kHoleRadius, kHoleRadius);
        p.setBrush(Qt::NoBrush);
        p.setPen(QPen(QColor(150, 150, 150), 1));
        p.drawEllipse(centre, kHoleRadius + 3.5, kHoleRadius + 3.5);
    }

    // D-shaped shell, wider at the top.
    const QPolygonF shell{{c.cx - kShellTopHalf, kShellTop},
                          {c.cx + kShellTopHalf, kShellTop},
                          {c.cx + kShellBottomHalf, kShellBottom},
                          {c.cx - kShellBottomHalf, kShellBottom}};
    QLinearGradient inside(QPointF(c.cx, kShellTop), QPointF(c.cx, kShellBottom));
    inside.setColorAt(0, QColor(250, 250, 246));
    inside.setColorAt(1, QColor(228, 228, 222));
    p.setPen(QPen(QColor(50, 50, 50), 2.2));
    p.setBrush(inside);
    p.drawPath(roundedPolygon(shell, 11));

    // Label above.
    p.setFont(font(16, true));
    p.setPen(Qt::black);
    p.drawText(QRectF(c.cx - 120, 18, 240, 24), Qt::AlignCenter, label);
}

void drawPins(QPainter& p, const Connector& c) {
    p.setFont(font(11, true));
    for (int pin = 1; pin <= 9; ++pin) {
        const QPointF at = pinPos(c, pin);
        p.setPen(Qt::NoPen);
        p.setBrush(Qt::black);
        p.drawEllipse(at, 6.5, 5);
        // Upper-row numbers sit above and to the right, lower-row ones below and to the right,
        // clear of the wires that leave the pins.
        const QPointF label = at + QPointF(11, pin <= 5 ? -11 : 12);
        p.setPen(kPinNumber);
        p.drawText(QRectF(label.x() - 6, label.y() - 7, 12, 14), Qt::AlignCenter,
                   QString::number(pin));
    }
}

void drawWire(QPainter& p, const QPolygonF& points, const QColor& colour, double width) {
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(colour, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPath(wirePath(points, 7));
}

void drawSolderPoint(QPainter& p, QPointF at, const QColor& colour) {
    p.setPen(Qt::NoPen);
    p.setBrush(colour);
    p.drawEllipse(at, 2.6, 2.6);
}

} // namespace

QImage paintDiagram() {
    QImage image(kWidth, kHeight, QImage::Format_RGB32);
    image.fill(kGround);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);

    p.setPen(QPen(kEdge, 2));
    p.setBrush(Qt::NoBrush);
    p.drawRect(QRectF(1, 1, kWidth - 2, kHeight - 2));

    drawConnectorBody(p, kFemale, QStringLiteral("DB-9F (мама)"));
    drawConnectorBody(p, kMale, QStringLiteral("DB-9M (папа)"));
    drawPins(p, kFemale);
    drawPins(p, kMale);

    // The two conductors of the cable leave their pins upwards and cross above the connectors.
    const auto wire = [&](int pin, double y) {
        const QPointF from = pinPos(kFemale, pin);
        const QPointF to = pinPos(kMale, pin);
        drawWire(p, {from, {from.x(), y}, {to.x(), y}, to}, kWire, 3);
        drawSolderPoint(p, from, kWire.darker(130));
        drawSolderPoint(p, to, kWire.darker(130));
    };
    wire(5, kOuterWireY);
    wire(3, kInnerWireY);

    // Bridges at the computer's end.
    const QPointF f1 = pinPos(kFemale, 1);
    const QPointF f4 = pinPos(kFemale, 4);
    const QPointF f6 = pinPos(kFemale, 6);
    const QPointF f7 = pinPos(kFemale, 7);
    const QPointF f8 = pinPos(kFemale, 8);
    drawWire(p, {f1, f6}, kBridge, 2.5);
    drawWire(p, {f4, {f4.x(), kLoopY}, {f6.x(), kLoopY}, f6}, kBridge, 2.5);
    drawWire(p, {f8, f7}, kBridge, 2.5);
    for (const QPointF at : {f1, f4, f6, f7, f8})
        drawSolderPoint(p, at, kBridge.darker(140));

    p.setFont(font(15, true));
    p.setPen(kCaption);
    const double captionLeft = f6.x() + 24;
    p.drawText(QPointF(captionLeft, 213), QStringLiteral("Разъём соединения строки с COM портом,"));
    p.drawText(QPointF(captionLeft, 234), QStringLiteral("виды разъёмов со стороны пайки"));
    p.end();
    return image;
}
