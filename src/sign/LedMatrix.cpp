#include "sign/LedMatrix.h"

#include <QPainter>

namespace sign {
namespace {

constexpr int DotPitch = 10;
const QColor LitDot(255, 40, 24);
const QColor DarkDot(70, 10, 6);

} // namespace

LedMatrix::LedMatrix(const SignPlayer& player, QWidget* parent)
    : QWidget(parent), m_player(&player) {
    setObjectName(QStringLiteral("LedMatrix"));
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
}

void LedMatrix::setPlayer(const SignPlayer& player) {
    m_player = &player;
    updateGeometry();
    update();
}

QSize LedMatrix::sizeHint() const {
    return {m_player->width() * DotPitch + DotPitch, SignPlayer::Rows * DotPitch + DotPitch};
}

QSize LedMatrix::minimumSizeHint() const {
    return {m_player->width() * 4 + 8, SignPlayer::Rows * 4 + 8};
}

void LedMatrix::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), Qt::black);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    const int columns = m_player->width();
    const double pitch = std::min((width() - 8.0) / columns, (height() - 8.0) / SignPlayer::Rows);
    const double dot = pitch * 0.78;
    const double left = (width() - pitch * columns) / 2;
    const double top = (height() - pitch * SignPlayer::Rows) / 2;
    for (int x = 0; x < columns; ++x) {
        const std::uint8_t column = m_player->shownColumn(x);
        for (int row = 0; row < SignPlayer::Rows; ++row) {
            painter.setBrush((column >> row) & 1 ? LitDot : DarkDot);
            painter.drawEllipse(QRectF(left + x * pitch + (pitch - dot) / 2,
                                       top + row * pitch + (pitch - dot) / 2, dot, dot));
        }
    }
}

} // namespace sign
