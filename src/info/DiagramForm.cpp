#include "info/DiagramForm.h"

#include "info/InfoTexts.h"
#include "info/PictureFit.h"
#include "info/WindowLook.h"

#include <QIcon>
#include <QImageReader>
#include <QPainter>
#include <QVBoxLayout>

DiagramView::DiagramView(QWidget* parent) : QWidget(parent) {
    QImageReader reader(QStringLiteral(":/info/pictures/diagram.jpg"), "jpeg");
    if (!reader.read(&m_picture))
        qWarning("The connection diagram cannot be decoded: %s", qPrintable(reader.errorString()));
}

QRect DiagramView::pictureRect() const {
    const info::PictureSize shown =
        info::fitPicture({m_picture.width(), m_picture.height()}, {width(), height()});
    return {0, 0, shown.width, shown.height};
}

void DiagramView::paintEvent(QPaintEvent*) {
    if (m_picture.isNull())
        return;
    QPainter painter(this);
    const QRect target = pictureRect();
    if (target.size() != m_picture.size())
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(target, m_picture);
}

TDigrForm::TDigrForm(QWidget* parent) : PlacedOnceDialog(parent) {
    setObjectName(QStringLiteral("DigrForm"));
    setWindowTitle(QString::fromUtf16(infotexts::DiagramCaption));
    setWindowIcon(QIcon(QStringLiteral(":/icons/diagram-window.svg")));
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
