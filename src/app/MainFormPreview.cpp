// Our additions to the main window: the sign preview under the editor and the marks of the
// effect codes. Neither changes a byte of the text, a frame or a specified control.

#include "app/MainForm.h"

#include "app/MainWindowModel.h"
#include "base/QtAdapt.h"
#include "base/Settings.h"
#include "editor/MessageDocument.h"
#include "editor/MessageEdit.h"
#include "font/FontTable.h"
#include "font/FontWatch.h"
#include "sign/CodeMarks.h"
#include "sign/SignPreview.h"
#include "sign/TextGlyphs.h"

#include <QDockWidget>
#include <QLabel>
#include <QPointer>

namespace {

const QString PreviewName = QStringLiteral("Просмотр бегущей строки");

} // namespace

void TMainForm::setupPreview() {
    // One reading of the text, a moment after the last edit, feeds the marks and the preview.
    m_codeMarks = new CodeMarks(*RichEdit);
    connect(m_document.get(), &MessageDocument::bytesChanged, m_codeMarks, &CodeMarks::setText);
    connect(m_document.get(), &MessageDocument::bytesChanged, this,
            [this](const std::string& bytes) {
                // The model, not visibility: the start-up load comes before the window is shown.
                if (m_preview && m_model->previewShown())
                    m_preview->scheduleText(bytes);
            });
    connect(m_codeMarks, &CodeMarks::surprisesChanged, this, &TMainForm::showSurprises);
    // Told, never in the way: the upload sends the text whatever the font lacks.
    m_fontWatch = new FontWatch(m_font, this);
    connect(m_document.get(), &MessageDocument::bytesChanged, this, &TMainForm::showBlankSymbols);
    connect(m_fontWatch, &FontWatch::changed, this, [this] { showBlankSymbols(messageBytes()); });
    connect(m_model, &MainWindowModel::previewShownChanged, this, &TMainForm::placePreview);
}

void TMainForm::showSurprises(int count) {
    // Only told, never in the way: the upload sends the text as it stands.
    StatusSurprises->setVisible(count > 0);
    StatusSurprises->setText(QStringLiteral("⚠ %1").arg(count));
    const QString tip =
        QStringLiteral("Кодов эффектов, которые табло прочтёт не так, как они написаны: %1")
            .arg(count);
    StatusSurprises->setToolTip(tip);
    StatusSurprises->setAccessibleName(tip);
    placeSurprises();
}

void TMainForm::showBlankSymbols(const std::string& bytes) {
    constexpr std::size_t Named = 20;
    const sign::BlankGlyphs blank = sign::blankGlyphs(
        std::span(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()),
        m_font.FontTable);
    StatusBlankSymbols->setVisible(blank.count > 0);
    setCountText(StatusBlankSymbols, QStringLiteral("пустых символов: %1").arg(blank.count),
                 QStringLiteral("пустых: %1").arg(blank.count),
                 QStringLiteral("∅ %1").arg(blank.count));
    QStringList names;
    for (std::size_t i = 0; i < blank.codes.size() && i < Named; ++i) {
        const char code = static_cast<char>(blank.codes[i]);
        names << QStringLiteral("«%1» (%2)")
                     .arg(qtadapt::fromCp1251(std::string_view(&code, 1)))
                     .arg(blank.codes[i]);
    }
    if (blank.codes.size() > Named)
        names << QStringLiteral("и ещё %1").arg(blank.codes.size() - Named);
    const QString tip =
        QStringLiteral("В шрифте нет ни одной точки у символов текста: %1. Табло покажет на их "
                       "месте пустое место; загрузить текст можно и так.")
            .arg(names.join(QStringLiteral(", ")));
    StatusBlankSymbols->setToolTip(tip);
    StatusBlankSymbols->setAccessibleName(QStringLiteral("пустых символов: %1. ").arg(blank.count) +
                                          tip);
    placeSurprises();
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
        m_font.addChangeListener([preview = QPointer(m_preview)] {
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
