#include "sign/SignPreview.h"

#include "base/Dialogs.h"
#include "frames/FrameDecoder.h"
#include "sign/GifExport.h"
#include "sign/LedMatrix.h"

#include <QFile>
#include <QHBoxLayout>
#include <QLabel>
#include <QSpinBox>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>
#include <utility>

namespace sign {
namespace {

constexpr int MaxWidth = 512;
// A stalled event loop (a modal dialog opening) is not made up for beyond this.
constexpr qint64 MaxCatchUpMs = 1000;
constexpr int GifSeconds = 30;

std::span<const std::uint8_t> asBytes(const std::string& text) {
    return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

} // namespace

SignPreview::SignPreview(const std::array<std::uint8_t, FontTableSize>& font, int width,
                         Dialogs& dialogs, QWidget* parent)
    : QWidget(parent), m_font(font), m_dialogs(dialogs),
      m_player(std::make_unique<SignPlayer>(std::clamp(width, SignPlayer::MinWidth, MaxWidth))),
      m_matrix(new LedMatrix(*m_player, this)), m_play(new QToolButton(this)),
      m_restart(new QToolButton(this)), m_width(new QSpinBox(this)), m_note(new QLabel(this)) {
    setObjectName(QStringLiteral("SignPreview"));
    setAccessibleName(QStringLiteral("Просмотр бегущей строки"));
    m_matrix->setMinimumHeight(40);

    m_play->setObjectName(QStringLiteral("PreviewPlay"));
    m_play->setCheckable(true);
    m_play->setChecked(true);
    m_play->setToolTip(QStringLiteral("Пауза или продолжить"));
    m_play->setAccessibleName(QStringLiteral("Пауза или продолжить"));
    connect(m_play, &QToolButton::toggled, this, &SignPreview::setPlaying);

    m_restart->setObjectName(QStringLiteral("PreviewRestart"));
    m_restart->setIcon(style()->standardIcon(QStyle::SP_MediaSkipBackward));
    m_restart->setToolTip(QStringLiteral("С начала"));
    m_restart->setAccessibleName(QStringLiteral("С начала"));
    connect(m_restart, &QToolButton::clicked, this, &SignPreview::restartNow);

    m_width->setObjectName(QStringLiteral("PreviewWidth"));
    m_width->setRange(SignPlayer::MinWidth, MaxWidth);
    m_width->setValue(m_player->width());
    m_width->setSuffix(QStringLiteral(" точек"));
    m_width->setToolTip(QStringLiteral("Ширина табло в точках"));
    m_width->setAccessibleName(QStringLiteral("Ширина табло в точках"));
    connect(m_width, &QSpinBox::valueChanged, this, &SignPreview::setSignWidth);

    m_note->setObjectName(QStringLiteral("PreviewNote"));

    auto* controls = new QHBoxLayout;
    controls->setContentsMargins(0, 0, 0, 0);
    controls->addWidget(m_play);
    controls->addWidget(m_restart);
    controls->addWidget(m_width);
    if (gifExportAvailable()) {
        auto* gif = new QToolButton(this);
        gif->setObjectName(QStringLiteral("PreviewGif"));
        gif->setText(QStringLiteral("GIF…"));
        gif->setToolTip(QStringLiteral("Сохранить просмотр как анимированный GIF"));
        connect(gif, &QToolButton::clicked, this, &SignPreview::exportGif);
        controls->addWidget(gif);
    }
    controls->addWidget(m_note, 1);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->setSpacing(2);
    layout->addWidget(m_matrix, 1);
    layout->addLayout(controls);

    m_restartTimer.setSingleShot(true);
    m_restartTimer.setInterval(RestartDelayMs);
    connect(&m_restartTimer, &QTimer::timeout, this, &SignPreview::restartNow);
    m_playTimer.setTimerType(Qt::PreciseTimer);
    m_playTimer.setInterval(SignPlayer::TickMs);
    connect(&m_playTimer, &QTimer::timeout, this, &SignPreview::onPlayTimer);
    refreshFont();
    setPlaying(true);
}

SignPreview::~SignPreview() = default;

void SignPreview::scheduleText(std::string cp1251) {
    m_text = std::move(cp1251);
    m_restartTimer.start();
}

void SignPreview::restartNow() {
    m_restartTimer.stop();
    refreshFont();
    // Exactly what an upload would put on the line, read back as the sign reads it.
    TxFrame frame;
    m_payload.clear();
    if (frame.BuildTextFrame(asBytes(m_text))) {
        const auto frames = decodeFrames(frame.frame());
        if (frames.size() == 1 && frames[0].kind == DecodedFrame::Kind::Text)
            m_payload = frames[0].payload;
        m_note->clear();
    } else {
        m_note->setText(QStringLiteral("Текст не помещается в кадр"));
    }
    m_player->setText(m_payload);
    m_clock.restart();
    m_ticked = 0;
    setRunningAt(m_player->runningAt());
    m_matrix->update();
}

void SignPreview::refreshFont() {
    if (!std::exchange(m_fontChanged, false))
        return;
    // What the next font upload sends: symbols 32..255 of the table in memory.
    TxFrame frame;
    frame.BuildFontFrame(m_font);
    const auto frames = decodeFrames(frame.frame());
    if (frames.size() == 1 && frames[0].payload.size() == FontPayloadSize)
        m_player->setSentSymbols(std::span<const std::uint8_t, FontPayloadSize>(
            frames[0].payload.data(), FontPayloadSize));
    m_matrix->update();
}

void SignPreview::advance(int ticks) {
    refreshFont();
    bool changed = false;
    for (int i = 0; i < ticks; ++i)
        changed |= m_player->tick();
    if (changed)
        m_matrix->update();
    setRunningAt(m_player->runningAt());
}

void SignPreview::onPlayTimer() {
    const qint64 now = m_clock.elapsed();
    if (now - m_ticked > MaxCatchUpMs)
        m_ticked = now - MaxCatchUpMs;
    const auto due = static_cast<int>((now - m_ticked) / SignPlayer::TickMs);
    m_ticked += qint64(due) * SignPlayer::TickMs;
    if (due > 0)
        advance(due);
}

void SignPreview::setPlaying(bool playing) {
    m_play->setChecked(playing);
    m_play->setIcon(style()->standardIcon(playing ? QStyle::SP_MediaPause : QStyle::SP_MediaPlay));
    if (playing) {
        m_clock.restart();
        m_ticked = 0;
        m_playTimer.start();
    } else {
        m_playTimer.stop();
    }
}

// Hidden, the sign costs nothing; shown again, it goes on where it was.
void SignPreview::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (m_play->isChecked() && !m_playTimer.isActive())
        setPlaying(true);
}

void SignPreview::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    m_playTimer.stop();
}

bool SignPreview::playing() const {
    return m_play->isChecked();
}

void SignPreview::setSignWidth(int width) {
    width = std::clamp(width, SignPlayer::MinWidth, MaxWidth);
    if (width == m_player->width())
        return;
    auto player = std::make_unique<SignPlayer>(width);
    player->setFont(m_player->font());
    m_matrix->setPlayer(*player);
    m_player = std::move(player);
    m_width->setValue(width);
    restartNow();
    emit signWidthChanged(width);
}

void SignPreview::setRunningAt(std::optional<std::size_t> at) {
    const int shown = at ? static_cast<int>(*at) : -1;
    if (shown == m_runningAt)
        return;
    m_runningAt = shown;
    emit runningAtChanged(shown);
}

void SignPreview::exportGif() {
    const auto path = m_dialogs.saveFileName(
        this, {QStringLiteral("Сохранить как GIF"), QStringLiteral("табло.gif"),
               QStringLiteral("GIF|*.gif"), QStringLiteral("gif")});
    if (!path)
        return;
    SignPlayer start(m_player->width());
    start.setFont(m_player->font());
    start.setText(m_payload);
    const std::string error =
        writeGif(QFile::encodeName(*path).toStdString(), start, GifSeconds * 1000);
    m_note->setText(error.empty() ? QStringLiteral("Сохранено: %1").arg(*path)
                                  : QString::fromStdString(error));
}

} // namespace sign
