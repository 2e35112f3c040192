#include "SignWindow.h"

#include "DefaultFont.h"

#include <QLabel>
#include <QVBoxLayout>

namespace sign {
SignWindow::SignWindow(const QString& devicePath, int width, QWidget* parent)
    : QWidget(parent), m_player(width), m_matrix(new LedMatrix(m_player, this)),
      m_status(new QLabel(this)) {
    setWindowTitle(QStringLiteral("lumetra-sign \u2014 ") + devicePath);
    m_player.setFont(renderDefaultFont());
    m_status->setObjectName(QStringLiteral("StatusLine"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 6, 6, 6);
    layout->addWidget(m_matrix);
    layout->addWidget(m_status);
    updateStatus();

    m_timer.setTimerType(Qt::PreciseTimer);
    m_timer.setInterval(SignPlayer::TickMs);
    connect(&m_timer, &QTimer::timeout, this, &SignWindow::onTimer);
    m_clock.start();
    m_timer.start();
}

void SignWindow::onTimer() {
    // Run the sign on the wall clock, so a late timer does not slow it down; a long stall is
    // not made up for.
    const qint64 now = m_clock.elapsed();
    if (now - m_ticked > 1000)
        m_ticked = now - 1000;
    bool changed = false;
    while (m_ticked + SignPlayer::TickMs <= now) {
        changed |= m_player.tick();
        m_ticked += SignPlayer::TickMs;
    }
    if (changed)
        m_matrix->update();
    if (m_player.lastEffect() != m_shownEffect)
        updateStatus();
}

void SignWindow::showFrame(const DecodedFrame& frame) {
    switch (frame.kind) {
    case DecodedFrame::Kind::Text:
        ++m_texts;
        m_player.setText(frame.payload);
        break;
    case DecodedFrame::Kind::Font:
        ++m_fonts;
        m_player.setSentSymbols(
            std::span<const std::uint8_t, FontPayloadSize>(frame.payload.data(), FontPayloadSize));
        break;
    case DecodedFrame::Kind::Malformed:
        ++m_malformed;
        m_lastError = QString::fromStdString(frame.error);
        break;
    }
    if (frame.kind != DecodedFrame::Kind::Malformed) {
        if (frame.skipped > 0)
            m_lastError = tr("%1 stray bytes before a frame").arg(frame.skipped);
        else if (frame.shortPreamble)
            m_lastError = tr("short preamble: %1 bytes 0xFF").arg(frame.preambleLength);
    }
    updateStatus();
    m_matrix->update();
}

void SignWindow::updateStatus() {
    m_shownEffect = m_player.lastEffect();
    const QString effect =
        m_shownEffect ? QString::fromStdString(effectCode(*m_shownEffect)) : tr("none");
    m_status->setText(tr("Effect: %1    Frames received: %2 (text %3, font %4, malformed %5)    "
                         "Last error: %6")
                          .arg(effect)
                          .arg(m_texts + m_fonts + m_malformed)
                          .arg(m_texts)
                          .arg(m_fonts)
                          .arg(m_malformed)
                          .arg(m_lastError.isEmpty() ? tr("none") : m_lastError));
}

} // namespace sign
