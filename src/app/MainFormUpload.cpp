#include "app/MainForm.h"

#include "app/MainFormTexts.h"
#include "base/Dialogs.h"
#include "base/SystemError.h"
#include "font/FontTable.h"
#include "upload/UploadAnimation.h"
#include "upload/UploadProgressPanel.h"

#include <QDialog>
#include <QEventLoop>
#include <QFile>
#include <QLabel>
#include <QStringList>

namespace {

QString str(QStringView text) {
    return text.toString();
}

std::span<const std::uint8_t> asBytes(const std::string& text) {
    return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

// Timer ticks held back during the write run when the upload command ends, as they would
// have run once a blocking write had let the event loop go on.
class TicksAfterUpload {
public:
    explicit TicksAfterUpload(TMainForm& form) : m_form(form) {}
    ~TicksAfterUpload() { m_form.runDeferredTicks(); }
    TicksAfterUpload(const TicksAfterUpload&) = delete;
    TicksAfterUpload& operator=(const TicksAfterUpload&) = delete;

private:
    TMainForm& m_form;
};

// Why the upload failed, in the window's language.
QString reasonOf(const UploadMessage& message) {
    return QString::fromStdString(failureText(message.failure, ReasonLanguage::Russian));
}

// The port's device and the system's reason, and for a refused permission what grants it.
QString portFailureDetails(const UploadMessage& message) {
    using namespace mainform;
    QStringList lines;
    if (!message.device.empty())
        lines << str(PortDevice).arg(QString::fromLocal8Bit(message.device.c_str()));
    if (const QString reason = reasonOf(message); !reason.isEmpty())
        lines << reason;
    if (message.permissionHint)
        lines << str(PortDialoutHint);
    return lines.join(QLatin1Char('\n'));
}

} // namespace

void TMainForm::ComPortOpen(std::size_t total, QWidget* window) {
    using namespace mainform;
    m_upload = std::make_unique<UploadSession>(m_serial, m_uploadOptions);
    const int port = checkedPort();
    UploadSession::OpenReports reports;
    reports.openFailed = [this](const UploadMessage& message) {
        StatusBarHelp(str(PortOpenFailedStatus));
        m_dialogs.warning(this, str(PortOpenFailedBox), portFailureDetails(message));
    };
    reports.configureRefused = [this](const UploadMessage& message) {
        StatusBarHelp(str(PortConfigFailed));
        m_dialogs.warning(this, str(PortConfigFailed), portFailureDetails(message));
    };
    if (port == 0) {
        UploadMessage none;
        none.failure.reason = str(PortNotChosen).toStdString();
        reports.openFailed(none);
        m_comPortReady = false;
    } else {
        UploadResult opened = m_upload->open(QFile::encodeName(portDevice(port)).toStdString(),
                                             reports, uploadWaiting(window, total));
        m_comPortReady = opened.opened;
        opened.total = total;
        if (opened.outcome == UploadResult::Outcome::Cancelled)
            reportUnfinishedWrite(opened);
    }
    if (!m_comPortReady)
        m_upload.reset();
}

namespace {

// Where the progress stands: under the animation in the main window, along the bottom of
// another window.
QRect progressPlace(QWidget* window, const QWidget* mainWindow) {
    if (window == mainWindow)
        return {144, 160 + UploadAnimation::kHeight + 2, UploadAnimation::kWidth, 30};
    return {4, window->height() - 32, window->width() - 8, 30};
}

} // namespace

UploadSession::Waiting TMainForm::uploadWaiting(QWidget* window, std::size_t total) {
    // The worker opens the port or writes (about 9 ms a byte) while this thread keeps painting
    // and animating; the progress panel drops all other input, its button and Esc cancel, the
    // timers' ticks are held back (m_uploading) and closing the window is refused. The loop
    // lives as long as the Waiting, past the worker's last call.
    const auto loop = std::make_shared<QEventLoop>();
    UploadSession::Waiting waiting;
    waiting.wait = [this, loop, window = window ? window : this,
                    total](const std::function<bool()>& finished) {
        m_uploading = true;
        UploadPanel->begin(window, progressPlace(window, this), total);
        const auto cancel = connect(UploadPanel, &UploadProgressPanel::cancelRequested, this,
                                    [session = m_upload.get()] { session->cancel(); });
        // Until the worker's quit, even when it is done already: the progress it posted
        // before that shows first.
        do
            loop->exec();
        while (!finished());
        disconnect(cancel);
        UploadPanel->end();
        // Back home, so the panel lives as long as this window whatever becomes of the other.
        UploadPanel->setParent(this);
        m_uploading = false;
    };
    waiting.ended = [loop] {
        QMetaObject::invokeMethod(loop.get(), &QEventLoop::quit, Qt::QueuedConnection);
    };
    return waiting;
}

UploadResult TMainForm::ComPortTxAndClose(QWidget* window) {
    const std::span<const std::uint8_t> frame = m_tx.frame();
    UploadSession::Writing writing;
    static_cast<UploadSession::Waiting&>(writing) = uploadWaiting(window, frame.size());
    // The engine reports on the writing thread; the panel is updated on this one.
    writing.progress = [panel = UploadPanel](const UploadProgress& now) {
        QMetaObject::invokeMethod(
            panel, [panel, now] { panel->setProgress(now); }, Qt::QueuedConnection);
    };
    const UploadResult result = m_upload->send(frame, writing);
    m_upload.reset();
    return result;
}

void TMainForm::reportUnfinishedWrite(const UploadResult& result) {
    using namespace mainform;
    using Kind = UploadMessage::Kind;
    const UploadMessage message = describeUpload(result);
    QString reason;
    if (message.kind == Kind::TimedOut)
        reason = str(SendTimedOut).arg(message.limitSeconds);
    else if (message.kind == Kind::Cancelled)
        reason = str(SendCancelled);
    else
        reason = reasonOf(message);
    const QString sent = str(SentPart).arg(message.sent).arg(message.total);
    StatusBarHelp(str(SendFailedStatus));
    m_dialogs.warning(this, str(SendFailedBox),
                      reason.isEmpty() ? sent : reason + QLatin1Char('\n') + sent);
}

void TMainForm::refuseOversizeText(std::size_t frameSize) {
    using namespace mainform;
    StatusBarHelp(str(TooLongStatus));
    m_dialogs.warning(this, str(TooLongBox), str(TooLongDetails).arg(frameSize).arg(TxBufferSize));
}

void TMainForm::SpeedButtonTxClick() {
    using namespace mainform;
    if (m_uploading)
        return;
    const TicksAfterUpload ticks(*this);
    StatusBarHelp(str(Preparing));

    // A text whose frame would overrun the buffer is refused before the port is touched.
    const std::string text = messageBytes();
    const std::size_t frameSize = textFrameSize(asBytes(text));
    if (frameSize > TxBufferSize) {
        refuseOversizeText(frameSize);
        return;
    }

    ComPortOpen(frameSize);
    if (!m_comPortReady)
        return;
    m_tx.BuildTextFrame(asBytes(text)); // fits: its size was checked above
    StatusBarHelp(str(SendingText));
    Animate->show();
    Animate->raise();
    Animate->open();
    Animate->play();

    const UploadResult result = ComPortTxAndClose();

    if (result.completed())
        StatusBarHelp(str(SendDone));
    Animate->stop();
    Animate->hide();
    if (!result.completed())
        reportUnfinishedWrite(result);
}

void TMainForm::SendAllZG() {
    using namespace mainform;
    if (m_uploading)
        return;
    const TicksAfterUpload ticks(*this);
    // Built first, so the progress shows the frame's size while the port opens; nothing reads
    // the buffer before the write.
    m_tx.BuildFontFrame(m_font.FontTable);
    // The operator is in the font editor: the progress shows there.
    ComPortOpen(m_tx.frame().size(), m_fontEditor);
    if (!m_comPortReady)
        return;
    m_panels[1]->setText(str(FontTime));
    StatusBarHelp(str(SendingFont));

    const UploadResult result = ComPortTxAndClose(m_fontEditor);

    if (result.completed())
        StatusBarHelp(str(SendDone));
    else
        reportUnfinishedWrite(result);
}

void TMainForm::setupUpload() {
    Animate = new UploadAnimation(this);
    Animate->setObjectName(QStringLiteral("Animate"));
    Animate->setGeometry(144, 160, UploadAnimation::kWidth, UploadAnimation::kHeight);
    Animate->hide();
    UploadPanel = new UploadProgressPanel(this);
}
