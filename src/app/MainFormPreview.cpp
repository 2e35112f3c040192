// Our additions to the main window: the sign preview under the editor and the marks of the
// effect codes. Neither changes a byte of the text, a frame or a specified control.

#include "app/MainForm.h"

#include "app/MainWindowModel.h"
#include "base/Keys.h"
#include "base/Settings.h"
#include "editor/MessageDocument.h"
#include "editor/MessageEdit.h"
#include "font/FontTable.h"
#include "sign/CodeMarks.h"
#include "sign/SignPreview.h"

#include <QAction>
#include <QDockWidget>
#include <QEvent>
#include <QIconEngine>
#include <QLabel>
#include <QMenu>
#include <QPainter>
#include <QPointer>
#include <QStatusBar>
#include <QToolBar>

namespace {

// Keeps the count at the right end inside the message panel and the panel's own text clear of
// it, so a status message and the count never print over each other.
class PanelBadge : public QObject {
public:
    PanelBadge(QLabel* panel, QLabel* badge) : QObject(panel), m_panel(panel), m_badge(badge) {
        panel->installEventFilter(this);
    }

    void place() {
        const bool shown = !m_badge->isHidden();
        m_badge->resize(m_badge->sizeHint());
        m_panel->setContentsMargins(0, 0, shown ? m_badge->width() + 6 : 0, 0);
        m_badge->move(m_panel->width() - m_badge->width() - 4,
                      (m_panel->height() - m_badge->height()) / 2);
    }

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Resize)
            place();
        return false;
    }

private:
    QLabel* m_panel;
    QLabel* m_badge;
};

const QString PreviewName = QStringLiteral("Просмотр бегущей строки");

// A few lit dots of the sign, for the tool bar button; drawn when first shown.
class PreviewIconEngine : public QIconEngine {
public:
    void paint(QPainter* painter, const QRect& rect, QIcon::Mode, QIcon::State) override {
        painter->save();
        painter->setRenderHint(QPainter::Antialiasing);
        painter->setPen(Qt::NoPen);
        painter->translate(rect.topLeft());
        painter->scale(rect.width() / 20.0, rect.height() / 20.0);
        painter->setBrush(Qt::black);
        painter->drawRoundedRect(QRectF(0, 3, 20, 14), 2, 2);
        for (int x = 0; x < 4; ++x)
            for (int y = 0; y < 3; ++y) {
                painter->setBrush((x + y) % 2 ? QColor(255, 40, 24) : QColor(90, 14, 8));
                painter->drawEllipse(QRectF(2 + x * 4.2, 5 + y * 3.6, 3, 3));
            }
        painter->restore();
    }
    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override {
        QPixmap picture(size);
        picture.fill(Qt::transparent);
        QPainter painter(&picture);
        paint(&painter, QRect(QPoint(), size), mode, state);
        return picture;
    }
    QIconEngine* clone() const override { return new PreviewIconEngine; }
};

} // namespace

void TMainForm::setupPreview() {
    itemPreview = new QAction(QStringLiteral("Просмотр"), this);
    itemPreview->setObjectName(QStringLiteral("itemPreview"));
    itemPreview->setCheckable(true);
    itemPreview->setIcon(QIcon(new PreviewIconEngine));
    itemPreview->setToolTip(QStringLiteral("Показать или скрыть просмотр бегущей строки"));
    connect(itemPreview, &QAction::triggered, this,
            [this](bool shown) { runCommand([this, shown] { itemPreviewClick(shown); }); });
    findChild<QMenu*>(QStringLiteral("itemOptions"))->addAction(itemPreview);
    itemPreview->setText(keys::withMnemonic(itemPreview->text(), u'П'));
    ToolBar->addAction(itemPreview);
    auto* button = ToolBar->widgetForAction(itemPreview);
    button->setObjectName(QStringLiteral("SpeedButtonPreview"));
    button->setFocusPolicy(Qt::NoFocus);
    button->setCursor(Qt::PointingHandCursor);

    // One reading of the text, a moment after the last edit, feeds the marks and the preview.
    m_codeMarks = new CodeMarks(*RichEdit);
    connect(m_document.get(), &MessageDocument::bytesChanged, m_codeMarks, &CodeMarks::setText);
    connect(m_document.get(), &MessageDocument::bytesChanged, this,
            [this](const std::string& bytes) {
                // The model, not visibility: the start-up load comes before the window is shown.
                if (m_preview && m_model->previewShown())
                    m_preview->scheduleText(bytes);
            });
    // At the right end inside the message panel, so the specified panels keep their places.
    m_surprises = new QLabel(m_panels[2]);
    m_surprises->setObjectName(QStringLiteral("StatusSurprises"));
    m_surprises->setStyleSheet(QStringLiteral("color: #b00000"));
    m_surprises->setVisible(false);
    auto* badge = new PanelBadge(m_panels[2], m_surprises);
    m_placeSurprises = [badge] { badge->place(); };
    connect(m_codeMarks, &CodeMarks::surprisesChanged, this, &TMainForm::showSurprises);
    connect(m_model, &MainWindowModel::previewShownChanged, this, &TMainForm::placePreview);
}

void TMainForm::showSurprises(int count) {
    // Only told, never in the way: the upload sends the text as it stands.
    m_surprises->setVisible(count > 0);
    m_surprises->setText(QStringLiteral("⚠ %1").arg(count));
    const QString tip =
        QStringLiteral("Кодов эффектов, которые табло прочтёт не так, как они написаны: %1")
            .arg(count);
    m_surprises->setToolTip(tip);
    m_surprises->setAccessibleName(tip);
    m_placeSurprises();
}

void TMainForm::itemPreviewClick(bool shown) {
    showPreview(shown);
    Settings().setPreviewShown(shown);
}

void TMainForm::showPreview(bool shown) {
    m_model->setPreviewShown(shown);
}

void TMainForm::placePreview(bool shown) {
    if (!shown) {
        if (m_previewDock)
            m_previewDock->hide();
        m_codeMarks->setRunningAt(-1);
        return;
    }
    // Built on first use, so a window that never shows it starts as fast as before.
    if (!m_preview) {
        m_previewDock = new QDockWidget(this);
        m_previewDock->setObjectName(QStringLiteral("PreviewDock"));
        m_previewDock->setFeatures(QDockWidget::NoDockWidgetFeatures);
        m_previewDock->setTitleBarWidget(new QWidget(m_previewDock));
        m_previewDock->setAccessibleName(PreviewName);
        m_preview = new sign::SignPreview(m_font.FontTable,
                                          Settings().previewWidth(sign::SignPlayer::DefaultWidth),
                                          m_dialogs, m_previewDock);
        m_previewDock->setWidget(m_preview);
        m_font.setChangeListener([preview = QPointer(m_preview)] {
            if (preview)
                preview->fontChanged();
        });
        addDockWidget(Qt::BottomDockWidgetArea, m_previewDock);
        connect(m_preview, &sign::SignPreview::runningAtChanged, m_codeMarks,
                &CodeMarks::setRunningAt);
        connect(m_preview, &sign::SignPreview::signWidthChanged, this,
                [this](int width) { runCommand([width] { Settings().setPreviewWidth(width); }); });
    }
    m_previewDock->show();
    m_preview->scheduleText(messageBytes());
    m_preview->restartNow();
}
