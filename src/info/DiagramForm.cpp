#include "info/DiagramForm.h"

#include "base/LazyIcon.h"
#include "info/InfoTexts.h"
#include "info/PictureFit.h"
#include "info/WindowLook.h"

#include <QIcon>
#include <QPainter>
#include <QVBoxLayout>

#include <utility>

DiagramView::DiagramView(QWidget* parent) : QWidget(parent) {}

const QImage& DiagramView::picture() const {
    if (!std::exchange(m_decoded, true)) {
        QString error;
        m_picture = readPicture(QStringLiteral(":/info/pictures/diagram.jpg"), "jpeg", &error);
        if (m_picture.isNull())
            qWarning("The connection diagram cannot be decoded: %s", qPrintable(error));
    }
    return m_picture;
}

QRect DiagramView::pictureRect() const {
    const QImage& shown = picture();
    const info::PictureSize fitted =
        info::fitPicture({shown.width(), shown.height()}, {width(), height()});
    return {0, 0, fitted.width, fitted.height};
}

void DiagramView::paintEvent(QPaintEvent*) {
    const QImage& shown = picture();
    if (shown.isNull())
        return;
    QPainter painter(this);
    const QRect target = pictureRect();
    if (target.size() != shown.size())
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(target, shown);
}

TDigrForm::TDigrForm(QWidget* parent) : PlacedOnceDialog(parent) {
    setObjectName(QStringLiteral("DigrForm"));
    setWindowTitle(QString::fromUtf16(infotexts::DiagramCaption));
    setWindowIcon(lazyWindowIcon(QStringLiteral(":/icons/diagram-window")));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinMaxButtonsHint | Qt::WindowCloseButtonHint);
    setFont(info::classicDialogFont());

    Image = new DiagramView(this);
    Image->setObjectName(QStringLiteral("Image"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(Image);
    // One pixel wider than the picture, as the window was laid out.
    resize(641, 250);
}
