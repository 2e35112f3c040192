#pragma once

#include "frames/FrameDecoder.h"
#include "sign/LedMatrix.h"
#include "sign/SignPlayer.h"

#include <QElapsedTimer>
#include <QTimer>
#include <QWidget>

class QLabel;

namespace sign {

// The simulated sign's window: the matrix running the last text with the last font, and a
// status line with the effect code running, the frames received and the last error.
class SignWindow : public QWidget {
public:
    SignWindow(const QString& devicePath, int width, QWidget* parent = nullptr);

    void showFrame(const DecodedFrame& frame);
    const SignPlayer& player() const { return m_player; }

private:
    void onTimer();
    void updateStatus();

    SignPlayer m_player;
    LedMatrix* m_matrix;
    QLabel* m_status;
    QTimer m_timer;
    QElapsedTimer m_clock;
    qint64 m_ticked = 0; // milliseconds of sign time already run
    int m_texts = 0;
    int m_fonts = 0;
    int m_malformed = 0;
    QString m_lastError;
    std::optional<SignItem> m_shownEffect;
};

} // namespace sign
