#pragma once

#include <QImage>
#include <QTimer>
#include <QWidget>

class QPainter;

// The clip shown while a text goes to the sign: pages fly out of a folder into a sign whose
// running line scrolls. Painted from code, so it needs no files; a QTimer on the GUI thread drives
// it, which keeps it moving while that thread spins a local event loop during the write.
class UploadAnimation : public QWidget {
    Q_OBJECT
public:
    static constexpr int kWidth = 272;
    static constexpr int kHeight = 60;
    static constexpr int kFrameCount = 24;
    static constexpr int kFrameIntervalMs = 70;

    explicit UploadAnimation(QWidget* parent = nullptr);

    // Sets the play range to the whole clip. Opening an open clip changes nothing.
    void open();
    // Plays the range from its first frame to its last, again and again until stop().
    // A clip not yet open is opened first.
    void play();
    // Ends playing and shows the first frame.
    void stop();

    bool isOpen() const { return m_open; }
    bool isPlaying() const { return m_timer.isActive(); }
    int currentFrame() const { return m_frame; }
    int frameCount() const { return kFrameCount; }

    // The picture of one frame, as the widget paints it.
    QImage renderFrame(int frame) const;

public slots:
    // One timer tick: the next frame, back to the first after the last.
    void advance();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void paintFrame(QPainter& painter, int frame) const;

    QTimer m_timer;
    bool m_open = false;
    int m_firstFrame = 0;
    int m_lastFrame = 0;
    int m_frame = 0;
};
