#include "upload/UploadProgressPanel.h"

#include "upload/UploadTexts.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>

#include <algorithm>
#include <climits>

namespace {

bool isUserInput(QEvent::Type type) {
    switch (type) {
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
    case QEvent::Shortcut:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::Wheel:
    case QEvent::ContextMenu:
    case QEvent::InputMethod:
    case QEvent::DragEnter:
    case QEvent::DragMove:
    case QEvent::Drop:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
    case QEvent::TabletPress:
    case QEvent::TabletRelease:
        return true;
    default:
        return false;
    }
}

} // namespace

UploadProgressPanel::UploadProgressPanel(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("UploadProgress"));
    setAutoFillBackground(true);
    bar = new QProgressBar(this);
    bar->setObjectName(QStringLiteral("ProgressBar"));
    bar->setFormat(QStringLiteral("%p%"));
    bar->setAlignment(Qt::AlignCenter);
    timeLeft = new QLabel(this);
    timeLeft->setObjectName(QStringLiteral("TimeLeft"));
    cancelButton = new QPushButton(uploadtext::Cancel.toString(), this);
    cancelButton->setObjectName(QStringLiteral("CancelUpload"));
    cancelButton->setToolTip(uploadtext::CancelHint.toString());
    cancelButton->setCursor(Qt::PointingHandCursor);
    connect(cancelButton, &QPushButton::clicked, this, &UploadProgressPanel::cancelRequested);
    summary = new QLabel(this);
    summary->setObjectName(QStringLiteral("UploadSummary"));
    summary->setAlignment(Qt::AlignCenter);
    summary->hide();
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->addWidget(bar, 1);
    layout->addWidget(timeLeft);
    layout->addWidget(cancelButton);
    layout->addWidget(summary, 1);
    hide();
}

UploadProgressPanel::~UploadProgressPanel() {
    end();
}

void UploadProgressPanel::begin(QWidget* window, const QRect& geometry, std::size_t total) {
    if (parentWidget() != window)
        setParent(window);
    setGeometry(geometry);
    showProgressControls(true);
    bar->setRange(0, static_cast<int>(std::min<std::size_t>(total, INT_MAX)));
    bar->setValue(0);
    showTimeLeft(lineTime(total));
    raise();
    show();
    cancelButton->setFocus(Qt::OtherFocusReason);
    if (!std::exchange(m_running, true))
        qApp->installEventFilter(this);
}

void UploadProgressPanel::setProgress(const UploadProgress& progress) {
    const int sent = static_cast<int>(std::min<std::size_t>(progress.sent, INT_MAX));
    if (sent > bar->value())
        bar->setValue(std::min(sent, bar->maximum()));
    showTimeLeft(progress.remaining);
}

void UploadProgressPanel::end() {
    if (std::exchange(m_running, false))
        qApp->removeEventFilter(this);
    hide();
}

void UploadProgressPanel::showSummary(const QRect& geometry, const QString& text) {
    summary->setText(text);
    showProgressControls(false);
    QRect place = geometry;
    place.setWidth(std::max(geometry.width(), sizeHint().width()));
    setGeometry(place);
    raise();
    show();
}

void UploadProgressPanel::clearSummary() {
    if (summary->isVisibleTo(this))
        hide();
}

void UploadProgressPanel::showProgressControls(bool shown) {
    bar->setVisible(shown);
    timeLeft->setVisible(shown);
    cancelButton->setVisible(shown);
    summary->setVisible(!shown);
}

void UploadProgressPanel::mousePressEvent(QMouseEvent* event) {
    // The summary lies over the editor's text; a click puts it away.
    if (!m_running)
        clearSummary();
    QWidget::mousePressEvent(event);
}

void UploadProgressPanel::showTimeLeft(std::chrono::milliseconds time) {
    timeLeft->setText(uploadtext::TimeLeft.toString().arg(clock(time)));
}

QString UploadProgressPanel::clock(std::chrono::milliseconds time) {
    return QString::fromStdString(clockText(time));
}

bool UploadProgressPanel::eventFilter(QObject* watched, QEvent* event) {
    if (!m_running || !isUserInput(event->type()))
        return false;
    if (event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
        if (!static_cast<QKeyEvent*>(event)->isAutoRepeat())
            emit cancelRequested();
        return true;
    }
    // Events reach a window first and then the widget under the mouse or in focus: only the
    // widget decides. Shortcuts go to actions, never to the button.
    if (event->type() != QEvent::Shortcut && !watched->isWidgetType())
        return false;
    return watched != cancelButton;
}
