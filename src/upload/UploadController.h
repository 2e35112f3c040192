#pragma once

#include "frames/FontUploader.h"
#include "frames/Frames.h"
#include "upload/Upload.h"
#include "upload/UploadSession.h"

#include <QObject>
#include <QString>

#include <array>
#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class BrokerAccess;
class Dialogs;
class SerialLink;
class UploadAnimation;
class UploadProgressPanel;
class QRect;
class QTimer;
class QWidget;

// The uploads of the text and of the font, from the port's opening to what the progress area
// keeps afterwards: the frame, the session and its worker, the animation, the progress panel,
// the busy state and every failure message. Status messages go out through status(), boxes
// through Dialogs over the main window.
class UploadController : public QObject, public FontUploader {
    Q_OBJECT

public:
    // `window`: the main window, which holds the animation and the progress panel.
    UploadController(SerialLink& serial, Dialogs& dialogs,
                     const std::array<std::uint8_t, FontTableSize>& font, QWidget* window);
    ~UploadController() override;

    // How uploads treat the line; tests of large frames on pseudo-terminals skip the line time.
    void setOptions(const Upload::Options& options) { m_options = options; }
    // The device of the checked port, empty when no port is checked.
    void setPortDevice(std::function<QString()> device) { m_portDevice = std::move(device); }
    // Links to a broker's signs: `refresh` reads the settings' files into `access` before each
    // opening of such a sign, and a user without a password file is asked once per run.
    void setBrokerAccess(std::shared_ptr<BrokerAccess> access,
                         std::function<void(BrokerAccess&)> refresh) {
        m_broker = std::move(access);
        m_refreshBroker = std::move(refresh);
    }
    // Where the font upload's progress shows: the font editor (the main window when none).
    void setFontWindow(QWidget* window) { m_fontWindow = window; }
    // A tick of `timer` that falls due during an upload runs once the upload command has
    // ended, as it would once a blocking write had let the event loop go on. Held-back ticks
    // run in the order their timers were given.
    void holdBackTicks(QTimer* timer, std::function<void()> tick);
    // What the timer's timeout does: the tick now, or held back during an upload.
    void timerFired(QTimer* timer);

    // The text upload of `text` (Windows-1251, CR LF breaks).
    void SpeedButtonTxClick(const std::string& text);
    void SendAllZG() override;
    // Opens on a worker while the progress of the `total` bytes to come shows in `window` (the
    // main window when none is given) and takes the Cancel; a cancel is reported as the write's.
    void ComPortOpen(std::size_t total, QWidget* window = nullptr);
    // Shows the progress in `window` (the main window when none is given) during the write.
    UploadResult ComPortTxAndClose(QWidget* window = nullptr);
    bool ComPortReady() const { return m_comPortReady; }
    bool uploading() const { return m_uploading; }
    // Puts away what the progress area tells of the last upload (the text was edited).
    void clearSummary();

    UploadAnimation* Animate = nullptr;
    UploadProgressPanel* UploadPanel = nullptr; // bar, time left and Cancel of an upload

signals:
    // A message for the status bar, shown and painted before the next step.
    void status(const QString& text);
    // The font upload's own text of the transfer-time panel.
    void transferTime(const QString& text);

private:
    class TicksAfterUpload;
    struct HeldTick {
        QTimer* timer;
        std::function<void()> tick;
        bool due = false;
    };
    void runHeldTicks();
    // How this thread waits, the panel in `window` up, while m_upload's worker opens or writes.
    UploadSession::Waiting uploadWaiting(QWidget* window, std::size_t total);
    QRect progressPlace(QWidget* window) const;
    void reportUnfinishedWrite(const UploadResult& result);
    // What became of the upload, in the progress area until the next edit or upload.
    void showUploadSummary(const UploadResult& result);
    void refuseOversizeText(std::size_t frameSize);
    // False when `device` is a broker's sign whose password the operator did not give.
    bool brokerReady(const std::string& device);

    SerialLink& m_serial;
    Dialogs& m_dialogs;
    const std::array<std::uint8_t, FontTableSize>& m_font;
    QWidget* m_window;
    QWidget* m_fontWindow = nullptr;
    std::function<QString()> m_portDevice;
    std::shared_ptr<BrokerAccess> m_broker;
    std::function<void(BrokerAccess&)> m_refreshBroker;
    Upload::Options m_options;
    std::vector<HeldTick> m_heldTicks;

    TxFrame m_tx;
    bool m_comPortReady = true;
    bool m_uploading = false;
    std::unique_ptr<UploadSession> m_upload;  // the upload ComPortOpen opened, until it is sent
    bool m_sendingFont = false;               // the upload under way is the font's
    std::chrono::milliseconds m_writeTime{0}; // how long the last write took
};
