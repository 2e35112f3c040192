#include "upload/UploadController.h"

#include "base/Dialogs.h"
#include "frames/LinkUrl.h"
#include "upload/BrokerAccess.h"
#include "upload/UploadAnimation.h"
#include "upload/UploadProgressPanel.h"
#include "upload/UploadTexts.h"
#include "upload/UploadWording.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QLocale>
#include <QTimer>

#include <utility>

namespace {

QString str(QStringView text) {
    return text.toString();
}

std::span<const std::uint8_t> asBytes(const std::string& text) {
    return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

// What became of the upload, under a box's headline: the words lumetra-send uses, as a
// sentence.
QString boxDetails(const UploadResult& result) {
    QString text = QString::fromStdString(uploadText(result, Language::Russian));
    if (!text.isEmpty())
        text[0] = text[0].toUpper();
    return text;
}

// "211 байт", "222 байта".
QString byteCount(std::size_t n) {
    const bool few = n % 10 >= 2 && n % 10 <= 4 && (n % 100 < 12 || n % 100 > 14);
    return str(few ? uploadtext::BytesFew : uploadtext::Bytes).arg(n);
}

} // namespace

// Timer ticks held back during the write run when the upload command ends.
class UploadController::TicksAfterUpload {
public:
    explicit TicksAfterUpload(UploadController& upload) : m_upload(upload) {}
    ~TicksAfterUpload() { m_upload.runHeldTicks(); }
    TicksAfterUpload(const TicksAfterUpload&) = delete;
    TicksAfterUpload& operator=(const TicksAfterUpload&) = delete;

private:
    UploadController& m_upload;
};

UploadController::UploadController(SerialLink& serial, Dialogs& dialogs,
                                   const std::array<std::uint8_t, FontTableSize>& font,
                                   QWidget* window)
    : QObject(window), m_serial(serial), m_dialogs(dialogs), m_font(font), m_window(window) {
    Animate = new UploadAnimation(window);
    Animate->setObjectName(QStringLiteral("Animate"));
    Animate->setGeometry(144, 160, UploadAnimation::kWidth, UploadAnimation::kHeight);
    Animate->hide();
    UploadPanel = new UploadProgressPanel(window);
}

UploadController::~UploadController() = default;

void UploadController::holdBackTicks(QTimer* timer, std::function<void()> tick) {
    m_heldTicks.push_back({timer, std::move(tick)});
    connect(timer, &QTimer::timeout, this, [this, timer] { timerFired(timer); });
}

void UploadController::timerFired(QTimer* timer) {
    for (HeldTick& held : m_heldTicks) {
        if (held.timer != timer)
            continue;
        if (m_uploading)
            held.due = true;
        else
            held.tick();
    }
}

void UploadController::runHeldTicks() {
    for (HeldTick& held : m_heldTicks)
        if (std::exchange(held.due, false))
            held.tick();
}

void UploadController::clearSummary() {
    UploadPanel->clearSummary();
}

void UploadController::ComPortOpen(std::size_t total, QWidget* window) {
    using namespace uploadtext;
    m_upload = std::make_unique<UploadSession>(m_serial, m_options);
    const QString device = m_portDevice ? m_portDevice() : QString();
    UploadSession::OpenReports reports;
    reports.openFailed = [this](const UploadResult& result) {
        emit status(str(PortOpenFailedStatus));
        m_dialogs.warning(m_window, str(PortOpenFailedBox), boxDetails(result));
    };
    reports.configureRefused = [this](const UploadResult& result) {
        emit status(str(PortConfigFailed));
        m_dialogs.warning(m_window, str(PortConfigFailed), boxDetails(result));
    };
    UploadResult opened;
    if (device.isEmpty()) {
        emit status(str(PortOpenFailedStatus));
        m_dialogs.warning(m_window, str(PortOpenFailedBox), str(PortNotChosen));
        m_comPortReady = false;
    } else if (!brokerReady(QFile::encodeName(device).toStdString())) {
        opened.device = QFile::encodeName(device).toStdString();
        opened.failure = {0, "no password was given", str(NoPasswordGiven).toStdString()};
        reports.openFailed(opened);
        m_comPortReady = false;
    } else {
        opened = m_upload->open(QFile::encodeName(device).toStdString(), reports,
                                uploadWaiting(window, total));
        m_comPortReady = opened.opened();
        opened.total = total;
        if (opened.outcome == UploadResult::Outcome::Cancelled)
            reportUnfinishedWrite(opened);
    }
    if (!m_comPortReady) {
        m_upload.reset();
        showUploadSummary(opened);
    }
}

bool UploadController::brokerReady(const std::string& device) {
    const std::optional<LinkUrl> url = parseLinkUrl(device);
    if (!url || !url->broker() || !m_broker)
        return true;
    if (m_refreshBroker)
        m_refreshBroker(*m_broker);
    if (!m_broker->needsPassword(*url))
        return true;
    const std::optional<QString> password =
        m_dialogs.askPassword(m_window, str(uploadtext::BrokerPassword)
                                            .arg(QString::fromStdString(url->user),
                                                 QString::fromStdString(url->address())));
    if (!password)
        return false;
    m_broker->remember(*url, password->toStdString());
    return true;
}

// Where the progress stands: under the animation in the main window, along the bottom of
// another window.
QRect UploadController::progressPlace(QWidget* window) const {
    if (window == m_window)
        return {144, 160 + UploadAnimation::kHeight + 2, UploadAnimation::kWidth, 30};
    return {4, window->height() - 32, window->width() - 8, 30};
}

UploadSession::Waiting UploadController::uploadWaiting(QWidget* window, std::size_t total) {
    // The worker opens the port or writes (about 9 ms a byte) while this thread keeps painting
    // and animating; the progress panel drops all other input, its button and Esc cancel, the
    // timers' ticks are held back (m_uploading) and closing the window is refused. The loop
    // lives as long as the Waiting, past the worker's last call.
    const auto loop = std::make_shared<QEventLoop>();
    UploadSession::Waiting waiting;
    waiting.wait = [this, loop, window = window ? window : m_window,
                    total](const std::function<bool()>& finished) {
        m_uploading = true;
        UploadPanel->begin(window, progressPlace(window), total);
        const auto cancel = connect(UploadPanel, &UploadProgressPanel::cancelRequested, this,
                                    [session = m_upload.get()] { session->cancel(); });
        // Until the worker's quit, even when it is done already: the progress it posted
        // before that shows first.
        do
            loop->exec();
        while (!finished());
        disconnect(cancel);
        UploadPanel->end();
        // Back home, so the panel lives as long as the main window whatever becomes of the other.
        UploadPanel->setParent(m_window);
        m_uploading = false;
    };
    waiting.ended = [loop] {
        QMetaObject::invokeMethod(loop.get(), &QEventLoop::quit, Qt::QueuedConnection);
    };
    return waiting;
}

UploadResult UploadController::ComPortTxAndClose(QWidget* window) {
    const std::span<const std::uint8_t> frame = m_tx.frame();
    UploadSession::Writing writing;
    static_cast<UploadSession::Waiting&>(writing) = uploadWaiting(window, frame.size());
    // The engine reports on the writing thread; the panel is updated on this one.
    writing.progress = [panel = UploadPanel](const UploadProgress& now) {
        QMetaObject::invokeMethod(
            panel, [panel, now] { panel->setProgress(now); }, Qt::QueuedConnection);
    };
    QElapsedTimer clock;
    clock.start();
    const UploadResult result = m_upload->send(frame, writing);
    m_writeTime = std::chrono::milliseconds(clock.elapsed());
    m_upload.reset();
    return result;
}

void UploadController::showUploadSummary(const UploadResult& result) {
    using namespace uploadtext;
    using Outcome = UploadResult::Outcome;
    const QString what = str(m_sendingFont ? SummaryFont : SummaryText);
    QString text;
    switch (result.outcome) {
    case Outcome::Completed:
        text = str(m_sendingFont ? SummaryFontSent : SummaryTextSent)
                   .arg(byteCount(result.total),
                        QLocale(QLocale::Russian)
                            .toString(std::chrono::duration<double>(m_writeTime).count(), 'f', 1));
        break;
    case Outcome::Opened:
    case Outcome::OpenFailed:
        text = str(SummaryNotOpened).arg(what);
        break;
    case Outcome::Cancelled:
        text = str(SummaryCancelled).arg(what);
        break;
    case Outcome::WriteFailed:
    case Outcome::TimedOut:
        text = str(SummaryUnfinished).arg(what);
        break;
    }
    // The font editor's window is left soon; the main window keeps what became of either.
    UploadPanel->showSummary(progressPlace(m_window), text);
}

void UploadController::reportUnfinishedWrite(const UploadResult& result) {
    emit status(str(uploadtext::SendFailedStatus));
    m_dialogs.warning(m_window, str(uploadtext::SendFailedBox), boxDetails(result));
}

void UploadController::refuseOversizeText(std::size_t frameSize) {
    using namespace uploadtext;
    emit status(str(TooLongStatus));
    m_dialogs.warning(m_window, str(TooLongBox),
                      str(TooLongDetails).arg(frameSize).arg(TxBufferSize));
}

void UploadController::SpeedButtonTxClick(const std::string& text) {
    using namespace uploadtext;
    if (m_uploading)
        return;
    const TicksAfterUpload ticks(*this);
    m_sendingFont = false;
    UploadPanel->clearSummary();
    emit status(str(Preparing));

    // A text whose frame would overrun the buffer is refused before the port is touched.
    const std::size_t frameSize = textFrameSize(asBytes(text));
    if (frameSize > TxBufferSize) {
        refuseOversizeText(frameSize);
        return;
    }

    ComPortOpen(frameSize);
    if (!m_comPortReady)
        return;
    m_tx.BuildTextFrame(asBytes(text)); // fits: its size was checked above
    emit status(str(SendingText));
    Animate->show();
    Animate->raise();
    Animate->open();
    Animate->play();

    const UploadResult result = ComPortTxAndClose();

    if (result.completed())
        emit status(str(SendDone));
    Animate->stop();
    Animate->hide();
    if (!result.completed())
        reportUnfinishedWrite(result);
    showUploadSummary(result);
}

void UploadController::SendAllZG() {
    using namespace uploadtext;
    if (m_uploading)
        return;
    const TicksAfterUpload ticks(*this);
    m_sendingFont = true;
    UploadPanel->clearSummary();
    // Built first, so the progress shows the frame's size while the port opens; nothing reads
    // the buffer before the write.
    m_tx.BuildFontFrame(m_font);
    // The operator is in the font editor: the progress shows there.
    ComPortOpen(m_tx.frame().size(), m_fontWindow);
    if (!m_comPortReady)
        return;
    emit transferTime(str(FontTime));
    emit status(str(SendingFont));

    const UploadResult result = ComPortTxAndClose(m_fontWindow);

    if (result.completed())
        emit status(str(SendDone));
    else
        reportUnfinishedWrite(result);
    showUploadSummary(result);
}
