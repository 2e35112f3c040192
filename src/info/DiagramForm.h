#pragma once

#include "info/WindowLook.h"

#include <QDialog>
#include <QImage>
#include <QWidget>

// The picture control of the diagram window: draws the picture from its top-left corner,
// at natural size when there is room and shrunk with its proportions kept when there is not.
class DiagramView : public QWidget {
    Q_OBJECT
public:
    explicit DiagramView(QWidget* parent = nullptr);

    // Decoded on first use (the first paint), not when the program starts.
    const QImage& picture() const;
    // Where the picture is drawn at the present size.
    QRect pictureRect() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    mutable QImage m_picture;
    mutable bool m_decoded = false;
};

class TDigrForm : public info::PlacedOnceDialog {
    Q_OBJECT
public:
    explicit TDigrForm(QWidget* parent = nullptr);

    DiagramView* Image = nullptr;
};
