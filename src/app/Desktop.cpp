#include "app/Desktop.h"

#include "base/LazyIcon.h"

#include <QApplication>
#include <QGroupBox>
#include <QHash>
#include <QLibraryInfo>
#include <QLocale>
#include <QPixmap>
#include <QProxyStyle>
#include <QStyleFactory>
#include <QStyleOption>
#include <QTranslator>
#include <qdrawutil.h>

#include <algorithm>
#include <system_error>

#ifdef LUMETRA_HAVE_FONTCONFIG
#include <fontconfig/fontconfig.h>
#endif

namespace desktop {

std::future<void> readFontConfigurationAhead() {
#ifdef LUMETRA_HAVE_FONTCONFIG
    // Thread-safe: whoever reads first sets the configuration, and Qt's own call then returns.
    try {
        return std::async(std::launch::async, [] { FcInit(); });
    } catch (const std::system_error&) {
        return {}; // no thread to spare: Qt reads it when it needs it, as it would anyway
    }
#else
    return {};
#endif
}

bool installQtTranslations(QApplication& app, QTranslator& translator) {
    if (!translator.load(QLocale(QLocale::Russian), QStringLiteral("qtbase"), QStringLiteral("_"),
                         QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        return false;
    return app.installTranslator(&translator);
}

bool isDark(const QPalette& palette) {
    const auto darker = [&](QPalette::ColorRole background, QPalette::ColorRole text) {
        return palette.color(background).lightness() < palette.color(text).lightness();
    };
    return darker(QPalette::Window, QPalette::WindowText) || darker(QPalette::Base, QPalette::Text);
}

QPalette lightPalette() {
    QPalette palette(QColor(240, 240, 240)); // derives the button-face family, black text
    palette.setColor(QPalette::Base, Qt::white);
    palette.setColor(QPalette::AlternateBase, QColor(245, 245, 245));
    palette.setColor(QPalette::Text, Qt::black);
    palette.setColor(QPalette::WindowText, Qt::black);
    palette.setColor(QPalette::ButtonText, Qt::black);
    palette.setColor(QPalette::Highlight, QColor(48, 140, 198));
    palette.setColor(QPalette::HighlightedText, Qt::white);
    palette.setColor(QPalette::ToolTipBase, QColor(255, 255, 220));
    palette.setColor(QPalette::ToolTipText, Qt::black);
    palette.setColor(QPalette::PlaceholderText, QColor(110, 110, 110));
    palette.setColor(QPalette::Link, QColor(0, 0, 238));
    palette.setColor(QPalette::Disabled, QPalette::Text, QColor(120, 120, 120));
    palette.setColor(QPalette::Disabled, QPalette::WindowText, QColor(120, 120, 120));
    palette.setColor(QPalette::Disabled, QPalette::ButtonText, QColor(120, 120, 120));
    return palette;
}

QPalette darkPalette() {
    QPalette palette(QColor(53, 53, 53));
    palette.setColor(QPalette::Window, QColor(53, 53, 53));
    palette.setColor(QPalette::WindowText, QColor(230, 230, 230));
    palette.setColor(QPalette::Base, QColor(35, 35, 35));
    palette.setColor(QPalette::AlternateBase, QColor(45, 45, 45));
    palette.setColor(QPalette::Text, QColor(230, 230, 230));
    palette.setColor(QPalette::ButtonText, QColor(230, 230, 230));
    palette.setColor(QPalette::ToolTipBase, QColor(35, 35, 35));
    palette.setColor(QPalette::ToolTipText, QColor(230, 230, 230));
    palette.setColor(QPalette::Highlight, QColor(42, 130, 218));
    palette.setColor(QPalette::HighlightedText, Qt::black);
    return palette;
}

void applyPalette(QApplication& app) {
    if (qEnvironmentVariable("LUMETRA_PALETTE") == QLatin1String("dark")) {
        if (QStyle* fusion = QStyleFactory::create(QStringLiteral("Fusion")))
            QApplication::setStyle(fusion);
        QApplication::setPalette(darkPalette());
    }
    if (isDark(app.palette()))
        QApplication::setPalette(lightPalette());
}

} // namespace desktop

namespace {

// Qt's own pictures, "<stem>-<pixels>.png".
constexpr char QtPictures[] = ":/qt-project.org/styles/commonstyle/images/";

struct StandardPicture {
    QStyle::StandardPixmap pixmap;
    const char* stem;
    const char* onStem = nullptr;
};

// The standard icons Qt's common style shows from its own PNG pictures.
// clang-format off
using S = QStyle;
constexpr StandardPicture StandardPictures[] = {
    {S::SP_TitleBarMaxButton, "titlebar-max"}, {S::SP_TitleBarShadeButton, "titlebar-shade"},
    {S::SP_TitleBarUnshadeButton, "titlebar-unshade"},
    {S::SP_TitleBarContextHelpButton, "titlebar-contexthelp"}, {S::SP_DesktopIcon, "desktop"},
    {S::SP_TrashIcon, "trash"}, {S::SP_ComputerIcon, "computer"}, {S::SP_DriveFDIcon, "floppy"},
    {S::SP_DriveHDIcon, "harddrive"}, {S::SP_DriveCDIcon, "cdr"}, {S::SP_DriveDVDIcon, "dvd"},
    {S::SP_DriveNetIcon, "networkdrive"}, {S::SP_DirOpenIcon, "diropen"},
    {S::SP_DirClosedIcon, "dirclosed"}, {S::SP_DirLinkIcon, "dirlink"}, {S::SP_FileIcon, "file"},
    {S::SP_FileLinkIcon, "filelink"}, {S::SP_DirIcon, "dirclosed", "diropen"},
    {S::SP_DirHomeIcon, "dirclosed", "diropen"},
    {S::SP_ToolBarHorizontalExtensionButton, "toolbar-ext-h"},
    {S::SP_ToolBarVerticalExtensionButton, "toolbar-ext-v"}, {S::SP_FileDialogToParent, "up"},
    {S::SP_FileDialogNewFolder, "newdirectory"}, {S::SP_FileDialogDetailedView, "viewdetailed"},
    {S::SP_FileDialogInfoView, "fileinfo"}, {S::SP_FileDialogContentsView, "filecontents"},
    {S::SP_FileDialogListView, "viewlist"}, {S::SP_FileDialogBack, "left"},
    {S::SP_DialogOkButton, "standardbutton-ok"},
    {S::SP_DialogCancelButton, "standardbutton-cancel"},
    {S::SP_DialogHelpButton, "standardbutton-help"},
    {S::SP_DialogOpenButton, "standardbutton-open"},
    {S::SP_DialogSaveButton, "standardbutton-save"},
    {S::SP_DialogCloseButton, "standardbutton-close"},
    {S::SP_DialogApplyButton, "standardbutton-apply"},
    {S::SP_DialogResetButton, "standardbutton-clear"},
    {S::SP_DialogDiscardButton, "standardbutton-delete"},
    {S::SP_DialogYesButton, "standardbutton-yes"}, {S::SP_DialogNoButton, "standardbutton-no"},
    {S::SP_ArrowUp, "up"}, {S::SP_ArrowDown, "down"}, {S::SP_ArrowLeft, "left"},
    {S::SP_ArrowRight, "right"}, {S::SP_ArrowBack, "left"}, {S::SP_ArrowForward, "right"},
    {S::SP_CommandLink, "right"}, {S::SP_BrowserReload, "refresh"}, {S::SP_BrowserStop, "stop"},
    {S::SP_MediaPlay, "media-play"}, {S::SP_MediaStop, "media-stop"},
    {S::SP_MediaPause, "media-pause"}, {S::SP_MediaSkipForward, "media-skip-forward"},
    {S::SP_MediaSkipBackward, "media-skip-backward"},
    {S::SP_MediaSeekForward, "media-seek-forward"},
    {S::SP_MediaSeekBackward, "media-seek-backward"}, {S::SP_MediaVolume, "media-volume"},
    {S::SP_MediaVolumeMuted, "media-volume-muted"}, {S::SP_LineEditClearButton, "cleartext"},
};
// clang-format on

QString qtPicture(const char* stem) {
    return QLatin1String(QtPictures) + QLatin1String(stem);
}

bool rightToLeft(const QStyleOption* option, const QWidget* widget) {
    if (option)
        return option->direction == Qt::RightToLeft;
    return widget ? widget->isRightToLeft() : QGuiApplication::isRightToLeft();
}

class PictureStyle : public QProxyStyle {
public:
    explicit PictureStyle(QStyle* base) : QProxyStyle(base) {}

    QIcon standardIcon(StandardPixmap standardIcon, const QStyleOption* option,
                       const QWidget* widget) const override;
    void drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                       const QWidget* widget) const override;

private:
    mutable QHash<int, QIcon> m_icons;
    mutable QPixmap m_groupBoxFrame;
};

QIcon PictureStyle::standardIcon(StandardPixmap standardIcon, const QStyleOption* option,
                                 const QWidget* widget) const {
    if (!rightToLeft(option, widget)) {
        if (const auto found = m_icons.constFind(standardIcon); found != m_icons.cend())
            return *found;
        for (const StandardPicture& picture : StandardPictures) {
            if (picture.pixmap != standardIcon)
                continue;
            QIcon icon = lazyIcon(qtPicture(picture.stem),
                                  picture.onStem ? qtPicture(picture.onStem) : QString());
            if (icon.availableSizes().isEmpty())
                break;
            m_icons.insert(standardIcon, icon);
            return icon;
        }
    }
    return QProxyStyle::standardIcon(standardIcon, option, widget);
}

void PictureStyle::drawPrimitive(PrimitiveElement element, const QStyleOption* option,
                                 QPainter* painter, const QWidget* widget) const {
    // Fusion frames a group box with this picture cut in nine, below the title if there is one.
    if (element == PE_FrameGroupBox && baseStyle()->name() == QLatin1String("fusion")) {
        if (m_groupBoxFrame.isNull())
            m_groupBoxFrame =
                QPixmap::fromImage(readPicture(qtPicture("fusion_groupbox.png"), "png"));
        if (!m_groupBoxFrame.isNull()) {
            constexpr int FusionGroupBoxTopMargin = 3;
            const auto* box = qobject_cast<const QGroupBox*>(widget);
            int top = FusionGroupBoxTopMargin;
            if (!box || box->isCheckable() || !box->title().isEmpty())
                top += std::max(baseStyle()->pixelMetric(PM_ExclusiveIndicatorHeight),
                                option->fontMetrics.height());
            qDrawBorderPixmap(painter, option->rect.adjusted(0, top, 0, 0), QMargins(6, 6, 6, 6),
                              m_groupBoxFrame);
            return;
        }
    }
    QProxyStyle::drawPrimitive(element, option, painter, widget);
}

} // namespace

namespace desktop {

QStyle* pictureStyle(QStyle* base) {
    return new PictureStyle(base);
}

void usePictureStyle() {
#ifndef Q_OS_WIN
    if (QStyle* base = QStyleFactory::create(QApplication::style()->name()))
        QApplication::setStyle(pictureStyle(base));
#endif
}

} // namespace desktop
