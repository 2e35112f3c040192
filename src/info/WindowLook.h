#pragma once

#include <QDialog>
#include <QFont>

class QWidget;

namespace info {

// "MS Sans Serif" 8 pt (11 pixels high), with look-alikes where that face is missing.
QFont classicDialogFont();

// Centres a window that has not been shown yet on the available area of its screen.
void centreOnScreen(QWidget* window);

// Asks the window manager for a title bar without any buttons and without a close function.
// Window flags alone cannot say so on X11: a window that asks for no buttons is offered every
// function. Does nothing where the program does not talk to an X server.
void withoutTitleBarButtons(QWidget* window);

// A window that opens centred on the screen the first time it is shown and, on later
// showings, where the operator left it.
class PlacedOnceDialog : public QDialog {
    Q_OBJECT
public:
    using QDialog::QDialog;
    void setVisible(bool visible) override;

private:
    bool m_placed = false;
};

} // namespace info
