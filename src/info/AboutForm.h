#pragma once

#include "info/WindowLook.h"

#include <QDialog>
#include <QLabel>

#include <utility>
#include <vector>

class QFrame;
class QPushButton;
class QTimer;
class ShellOpen;
class SystemInfo;

// A label that reports mouse moves over it, the mouse leaving it and clicks on it.
class LinkLabel : public QLabel {
    Q_OBJECT
public:
    explicit LinkLabel(QWidget* parent = nullptr);

signals:
    void mouseMoved();
    void mouseLeft();
    void clicked();

protected:
    void mouseMoveEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    bool m_pressed = false;
};

// The About window: version and maker lines, two links, and live system information. It closes
// with its OK button, Enter or Escape, as Help and the diagram do; the title bar has no close
// box and the window manager's close request is refused.
class TAboutForm : public info::PlacedOnceDialog {
    Q_OBJECT
public:
    TAboutForm(SystemInfo& info, ShellOpen& shell, QWidget* parent = nullptr);

    void FormActivate();
    void FormMouseMove();
    void TimerFleshTimer();
    void BitBtnCloseClick();
    void LabelLoginClick();
    void LabelLoginMouseMove();
    void LabelLoginMouseLeave();
    void LabelHTTPClick();
    void LabelHTTPMouseMove();
    void LabelHTTPMouseLeave();

    void GetInfo();
    QString GetCPUName();

    // The window manager's close request leads here: it may not close the window.
    void reject() override;

    QLabel* Label4 = nullptr;
    QLabel* Label1 = nullptr;
    QLabel* Label3 = nullptr;
    LinkLabel* LabelLogin = nullptr;
    QLabel* Image2 = nullptr;
    QFrame* Bevel2 = nullptr;
    QLabel* Label8 = nullptr;
    QLabel* Label7 = nullptr;
    QLabel* Image1 = nullptr;
    QPushButton* BitBtnClose = nullptr;
    QFrame* Bevel1 = nullptr;
    QLabel* LabelTipCPU = nullptr;
    QLabel* LabelDosVer = nullptr;
    QLabel* LabelWinVer = nullptr;
    QLabel* LabelHDD = nullptr;
    QFrame* Bevel4 = nullptr;
    QLabel* LabelTusday = nullptr;
    QLabel* LabelTime = nullptr;
    QFrame* Bevel3 = nullptr;
    LinkLabel* LabelHTTP = nullptr;
    QTimer* TimerFlesh = nullptr;

protected:
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    // What only the first showing needs, done then rather than at the program's start: the
    // pictures are decoded and the labels fitted to their text (measuring text loads fonts).
    void prepareFirstShowing();
    QLabel* makeLabel(const QString& name, const QString& text, QRect geometry);
    QLabel* makeInfoLabel(const QString& name, const QString& text, QPoint at);
    QFrame* makeBevel(const QString& name, QRect geometry, bool rightLine);
    LinkLabel* makeLink(const QString& name, const QString& text, QRect geometry);

    SystemInfo& m_info;
    ShellOpen& m_shell;
    bool m_prepared = false;
    std::vector<std::pair<QLabel*, QRect>> m_textFits; // at least this rectangle, and the text
    std::vector<QLabel*> m_autoSized;                  // exactly the text
};
