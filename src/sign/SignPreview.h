#pragma once

#include "frames/Frames.h"
#include "sign/SignPlayer.h"

#include <QElapsedTimer>
#include <QTimer>
#include <QWidget>

#include <array>
#include <memory>
#include <optional>
#include <string>

class Dialogs;
class QLabel;
class QSpinBox;
class QToolButton;

namespace sign {

class LedMatrix;

// The sign as it will run the text: the frame the upload would send and the font frame the
// next font upload would send, both decoded back, played at the sign's own pace on its dots.
// An edit of the font shows at the next tick once fontChanged() has told of it.
class SignPreview : public QWidget {
    Q_OBJECT

public:
    // After the editor's own pause before it tells the text (150 ms): 700 ms after the last key.
    static constexpr int RestartDelayMs = 550;

    SignPreview(const std::array<std::uint8_t, FontTableSize>& font, int width, Dialogs& dialogs,
                QWidget* parent = nullptr);
    ~SignPreview() override;

    // A new text (Windows-1251, CR LF breaks) runs from its start once typing has paused.
    void scheduleText(std::string cp1251);
    // The font table changed; the next tick or restart shows it.
    void fontChanged() { m_fontChanged = true; }
    // Runs the waiting text now (what the restart timer does when it fires).
    void restartNow();
    // Advances the sign by `ticks` steps of SignPlayer::TickMs (what the play timer does).
    void advance(int ticks);
    void setPlaying(bool playing);
    bool playing() const;
    void setSignWidth(int width);

    const SignPlayer& player() const { return *m_player; }
    QToolButton* playButton() const { return m_play; }
    QToolButton* restartButton() const { return m_restart; }
    QSpinBox* widthBox() const { return m_width; }

signals:
    // Where in the text the character or code now running starts; -1 for none.
    void runningAtChanged(int at);
    void signWidthChanged(int width);

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void onPlayTimer();
    void refreshFont();
    void exportGif();
    void setRunningAt(std::optional<std::size_t> at);

    const std::array<std::uint8_t, FontTableSize>& m_font;
    Dialogs& m_dialogs;
    bool m_fontChanged = true; // the font frame is to be built again
    std::unique_ptr<SignPlayer> m_player;
    std::string m_text;
    std::vector<std::uint8_t> m_payload; // the text as the sign decodes it
    LedMatrix* m_matrix;
    QToolButton* m_play;
    QToolButton* m_restart;
    QSpinBox* m_width;
    QLabel* m_note;
    QTimer m_playTimer;
    QTimer m_restartTimer;
    QElapsedTimer m_clock;
    qint64 m_ticked = 0;
    int m_runningAt = -1;
};

} // namespace sign
