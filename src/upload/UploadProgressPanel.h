#pragma once

#include "upload/Upload.h"

#include <QWidget>

#include <chrono>

class QLabel;
class QProgressBar;
class QPushButton;

// The progress bar, the time left and the Cancel button of an upload, shown over the window
// the operator is in. While it runs it is the only thing that takes input: its button or Esc
// asks for the cancel, and every other key, click and shortcut of the program is dropped.
class UploadProgressPanel : public QWidget {
    Q_OBJECT
public:
    explicit UploadProgressPanel(QWidget* parent = nullptr);
    ~UploadProgressPanel() override;

    // Shows the panel in `window` at `geometry` (the window's coordinates) at 0 of `total`.
    void begin(QWidget* window, const QRect& geometry, std::size_t total);
    // Progress as the upload reports it; on the GUI thread only. The bar never goes back.
    void setProgress(const UploadProgress& progress);
    // Hides the panel and gives the input back.
    void end();
    // After an upload: what became of it, in place of the bar, at `geometry` of the window the
    // panel is in (wider when the text needs it), until clearSummary(), the next begin() or a
    // click on it.
    void showSummary(const QRect& geometry, const QString& text);
    void clearSummary();

    // "0:42", "12:05", "1:02:03".
    static QString clock(std::chrono::milliseconds time);

    QProgressBar* bar = nullptr;
    QLabel* timeLeft = nullptr;
    QPushButton* cancelButton = nullptr;
    QLabel* summary = nullptr;

signals:
    void cancelRequested();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    void showTimeLeft(std::chrono::milliseconds time);
    void showProgressControls(bool shown);
    bool m_running = false;
};
