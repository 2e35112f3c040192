#include "upload/UploadAnimation.h"

#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>

#include <array>
#include <cmath>
#include <numbers>

namespace {

const QColor kOutline(0x26, 0x26, 0x26);
const QColor kFolderBack(0xd9, 0xa2, 0x1b);
const QColor kFolderFront(0xf6, 0xc9, 0x45);
const QColor kPanel(0x15, 0x15, 0x15);
const QColor kPanelRim(0x55, 0x55, 0x55);
const QColor kLedOn(0xff, 0x3a, 0x2e);
const QColor kLedOff(0x48, 0x14, 0x11);
const QColor kTextLine(0x9a, 0xa2, 0xa8);

// The running line: 3 x 5 letters with a blank column after each, then a blank letter. Its width
// equals the frame count, so the last frame scrolls seamlessly into the first.
constexpr int kRows = 5;
constexpr std::array<const char*, kRows> kRunningLine = {
    "#.#.###.#...#...###.....", "#.#.#...#...#...#.#.....", "###.###.#...#...#.#.....",
    "#.#.#...#...#...#.#.....", "#.#.###.###.###.###.....",
};
constexpr int kLineColumns = 24;
static_assert(kLineColumns == UploadAnimation::kFrameCount);

// Sign geometry: 17 columns of dots at a 5 pixel pitch inside a dark panel.
constexpr QRectF kPanelRect(170, 8, 94, 40);
constexpr int kSignColumns = 17;
constexpr double kPitch = 5.0;
constexpr double kFirstDotX = 177.0;
constexpr double kFirstDotY = 18.0;

// Two pages in flight, half a flight apart; a flight lasts half the clip.
constexpr int kFlightFrames = UploadAnimation::kFrameCount / 2;
const QPointF kFlightStart(38, 26);
const QPointF kFlightEnd(184, 28);
constexpr double kArcHeight = 17.0;

void paintFolderBack(QPainter& p) {
    p.setPen(QPen(kOutline, 1.5, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin));
    p.setBrush(kFolderBack);
    p.drawPolygon(QPolygonF({{10, 50}, {10, 16}, {26, 16}, {30, 21}, {54, 21}, {54, 32}}));
    // The pages still waiting in the folder.
    p.setBrush(Qt::white);
    p.drawRect(QRectF(16, 24, 32, 14));
}

void paintFolderFront(QPainter& p) {
    p.setPen(QPen(kOutline, 1.5, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin));
    p.setBrush(kFolderFront);
    p.drawPolygon(QPolygonF({{10, 50}, {19, 31}, {64, 31}, {55, 50}}));
}

// A page with a folded corner and a few lines of text, centred on the origin.
void paintPage(QPainter& p) {
    const double w = 14, h = 18, fold = 5;
    QPainterPath sheet;
    sheet.moveTo(-w / 2, -h / 2);
    sheet.lineTo(w / 2 - fold, -h / 2);
    sheet.lineTo(w / 2, -h / 2 + fold);
    sheet.lineTo(w / 2, h / 2);
    sheet.lineTo(-w / 2, h / 2);
    sheet.closeSubpath();
    p.setPen(QPen(kOutline, 1.2, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin));
    p.setBrush(Qt::white);
    p.drawPath(sheet);
    p.drawPolyline(
        QPolygonF({{w / 2 - fold, -h / 2}, {w / 2 - fold, -h / 2 + fold}, {w / 2, -h / 2 + fold}}));
    p.setPen(QPen(kTextLine, 1.5));
    for (double y : {-1.5, 1.5, 4.5})
        p.drawLine(QPointF(-w / 2 + 3, y), QPointF(w / 2 - 3, y));
}

// phase runs from 0 (leaving the folder) to 1 (gone into the sign).
void paintFlyingPage(QPainter& p, double phase) {
    const double x = kFlightStart.x() + (kFlightEnd.x() - kFlightStart.x()) * phase;
    const double y = kFlightStart.y() + (kFlightEnd.y() - kFlightStart.y()) * phase -
                     kArcHeight * std::sin(std::numbers::pi * phase);
    p.save();
    p.translate(x, y);
    p.rotate(-25.0 + 50.0 * phase);
    p.scale(1.0 - 0.25 * phase, 1.0 - 0.25 * phase);
    paintPage(p);
    p.restore();
}

void paintSign(QPainter& p, int frame) {
    // Posts first, so the panel covers their tops.
    p.setPen(Qt::NoPen);
    p.setBrush(kPanelRim);
    p.drawRect(QRectF(184, 47, 4, 10));
    p.drawRect(QRectF(246, 47, 4, 10));

    p.setPen(QPen(kPanelRim, 2));
    p.setBrush(kPanel);
    p.drawRoundedRect(kPanelRect, 3, 3);

    p.setPen(Qt::NoPen);
    for (int row = 0; row < kRows; ++row) {
        for (int col = 0; col < kSignColumns; ++col) {
            const bool lit = kRunningLine[row][(col + frame) % kLineColumns] == '#';
            const QPointF centre(kFirstDotX + kPitch * col, kFirstDotY + kPitch * row);
            if (lit) {
                QColor glow = kLedOn;
                glow.setAlpha(70);
                p.setBrush(glow);
                p.drawEllipse(centre, 2.6, 2.6);
            }
            p.setBrush(lit ? kLedOn : kLedOff);
            p.drawEllipse(centre, 1.6, 1.6);
        }
    }
}

} // namespace

UploadAnimation::UploadAnimation(QWidget* parent) : QWidget(parent), m_timer(this) {
    setFixedSize(kWidth, kHeight);
    setAttribute(Qt::WA_OpaquePaintEvent);
    m_timer.setInterval(kFrameIntervalMs);
    connect(&m_timer, &QTimer::timeout, this, &UploadAnimation::advance);
}

void UploadAnimation::open() {
    if (m_open)
        return;
    m_open = true;
    m_firstFrame = 0;
    m_lastFrame = kFrameCount - 1;
    m_frame = m_firstFrame;
    update();
}

void UploadAnimation::play() {
    open();
    m_frame = m_firstFrame;
    m_timer.start();
    update();
}

void UploadAnimation::stop() {
    m_timer.stop();
    m_frame = m_firstFrame;
    update();
}

void UploadAnimation::advance() {
    if (!m_timer.isActive())
        return;
    m_frame = m_frame >= m_lastFrame ? m_firstFrame : m_frame + 1;
    update();
}

QImage UploadAnimation::renderFrame(int frame) const {
    QImage image(kWidth, kHeight, QImage::Format_ARGB32_Premultiplied);
    QPainter painter(&image);
    paintFrame(painter, frame);
    return image;
}

void UploadAnimation::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    paintFrame(painter, m_frame);
}

void UploadAnimation::paintFrame(QPainter& p, int frame) const {
    frame = ((frame % kFrameCount) + kFrameCount) % kFrameCount;
    p.fillRect(QRect(0, 0, kWidth, kHeight), palette().color(QPalette::Window));
    p.setRenderHint(QPainter::Antialiasing);

    paintFolderBack(p);
    paintFolderFront(p);
    const double step = static_cast<double>(frame % kFlightFrames) / kFlightFrames;
    for (double phase : {step, step + 0.5}) {
        paintFlyingPage(p, phase >= 1.0 ? phase - 1.0 : phase);
    }
    // The sign goes on top, so a page slides in behind its rim.
    paintSign(p, frame);
}
