#include "app/MainForm.h"

#include "app/MainFormTexts.h"
#include "base/Dialogs.h"
#include "font/FontTable.h"
#include "upload/SerialLink.h"
#include "upload/UploadAnimation.h"

#include <QEventLoop>
#include <QFile>
#include <QLabel>

#include <exception>
#include <thread>

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

} // namespace

// Each port item checks itself alone and stores the choice at once.
void TMainForm::portItemClick(int n) {
    checkPort(n);
    SaveIniFile();
}

void TMainForm::item1ComClick() {
    portItemClick(1);
}
void TMainForm::item2ComClick() {
    portItemClick(2);
}
void TMainForm::item3ComClick() {
    portItemClick(3);
}
void TMainForm::item4ComClick() {
    portItemClick(4);
}
void TMainForm::item5ComClick() {
    portItemClick(5);
}

int TMainForm::checkedPort() const {
    for (int n = 1; n <= 5; ++n)
        if (itemCom[n - 1]->isChecked())
            return n;
    return 0;
}

void TMainForm::ComPortOpen() {
    using namespace mainform;
    const int port = checkedPort();
    const auto result = port == 0
                            ? SerialLink::OpenResult::OpenFailed
                            : m_serial.open(QFile::encodeName(portDevice(port)).toStdString());
    if (result == SerialLink::OpenResult::OpenFailed) {
        StatusBarHelp(str(PortOpenFailedStatus));
        m_dialogs.warning(this, str(PortOpenFailedBox));
        m_comPortReady = false;
        return;
    }
    m_comPortReady = true;
    if (result == SerialLink::OpenResult::ConfigureFailed) {
        StatusBarHelp(str(PortConfigFailed));
        m_dialogs.warning(this, str(PortConfigFailed));
    }
}

void TMainForm::ComPortTxAndClose() {
    using namespace mainform;
    const std::span<const std::uint8_t> frame = m_tx.frame();
    const auto timeout = writeTimeout(frame.size());
    SerialLink::WriteResult result;

    // The write takes about 9 ms a byte. It runs on a worker while this thread keeps painting
    // and animating but takes no key or mouse input; the timers' ticks are held back meanwhile
    // (m_uploading) and closing the window is refused.
    QEventLoop loop;
    m_uploading = true;
    try {
        std::thread worker([&] {
            try {
                result = m_serial.writeAndClose(frame, timeout);
            } catch (const std::exception& e) {
                result = {false, 0, e.what(), false};
            } catch (...) {
                result = {false, 0, "unknown failure", false};
            }
            QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
        });
        loop.exec(QEventLoop::ExcludeUserInputEvents);
        worker.join();
    } catch (const std::system_error& e) { // no thread to be had: nothing was written
        m_serial.close();
        result = {false, 0, e.what(), false};
    }
    m_uploading = false;

    m_writeComplete = result.complete && result.written == frame.size();
    if (m_writeComplete) {
        m_writeFailure.clear();
        return;
    }
    const QString reason =
        result.timedOut
            ? str(SendTimedOut).arg(std::chrono::ceil<std::chrono::seconds>(timeout).count())
            : QString::fromLocal8Bit(result.error.c_str());
    const QString sent = str(SentPart).arg(result.written).arg(frame.size());
    m_writeFailure = reason.isEmpty() ? sent : reason + QLatin1Char('\n') + sent;
}

void TMainForm::reportUnfinishedWrite() {
    StatusBarHelp(str(mainform::SendFailedStatus));
    m_dialogs.warning(this, str(mainform::SendFailedBox), m_writeFailure);
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

    ComPortOpen();
    if (!m_comPortReady)
        return;
    if (!m_tx.BuildTextFrame(asBytes(text))) {
        m_serial.close();
        refuseOversizeText(frameSize);
        return;
    }
    StatusBarHelp(str(SendingText));
    Animate->show();
    Animate->raise();
    Animate->open();
    Animate->play();

    ComPortTxAndClose();

    if (m_writeComplete)
        StatusBarHelp(str(SendDone));
    Animate->stop();
    Animate->hide();
    if (!m_writeComplete)
        reportUnfinishedWrite();
}

void TMainForm::SendAllZG() {
    using namespace mainform;
    if (m_uploading)
        return;
    const TicksAfterUpload ticks(*this);
    ComPortOpen();
    if (!m_comPortReady)
        return;
    m_panels[1]->setText(str(FontTime));
    StatusBarHelp(str(SendingFont));
    m_tx.BuildFontFrame(m_font.FontTable);

    ComPortTxAndClose();

    if (m_writeComplete)
        StatusBarHelp(str(SendDone));
    else
        reportUnfinishedWrite();
}

void TMainForm::setupUpload() {
    Animate = new UploadAnimation(this);
    Animate->setObjectName(QStringLiteral("Animate"));
    Animate->setGeometry(144, 160, UploadAnimation::kWidth, UploadAnimation::kHeight);
    Animate->hide();
}
