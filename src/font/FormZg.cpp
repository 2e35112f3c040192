#include "font/FormZg.h"

#include "font/FontOverview.h"
#include "font/FontTable.h"
#include "font/FormZgTexts.h"

#include "base/AppError.h"
#include "base/Dialogs.h"
#include "base/FileFailure.h"
#include "base/FileNames.h"
#include "base/Keys.h"
#include "base/LazyIcon.h"
#include "base/QtAdapt.h"
#include "base/Settings.h"
#include "base/WindowPlacement.h"
#include "frames/FontUploader.h"
#include "sign/SignPlayer.h"

#include <QCloseEvent>
#include <QFileInfo>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QToolButton>

#include <algorithm>
#include <utility>

namespace {

constexpr int FirstSymbol = 32;
constexpr int LastSymbol = 255;
constexpr int Cell = 16;      // grid pitch: a 15-pixel cell and a one-pixel line
constexpr int GridSize = 128; // 8 cells
constexpr int PreviewSize = 19;
// The client height that gives the window its outer 197 with a classic sizeable frame (and a
// width of 361 its outer 369); the note stays above it.
constexpr int ClientHeight = 170;
// Grown to the right for the overview and downward for the sample line.
// At 354 still inside a screen 1024 wide, a Windows frame (8 pixels a side) included.
constexpr int GrownWidth = 653;
constexpr int GrownHeight = 325;

QString text(const char* utf8) {
    return QString::fromUtf8(utf8);
}

QFont sansSerif(int pointSize, int pixelSize = 0) {
    QFont font(QStringLiteral("MS Sans Serif"));
    font.setStyleHint(QFont::SansSerif);
    if (pixelSize > 0)
        font.setPixelSize(pixelSize);
    else
        font.setPointSize(pointSize);
    return font;
}

std::string filePath(const QString& heldName) {
    return qtadapt::toStd(qtadapt::nativePath(heldName));
}

// A .zg load or save whose failure, when its text gives only a number, also says why.
void zgFile(FontTables& font, void (FontTables::*operation)(const std::string&),
            const QString& heldName) {
    const std::string path = filePath(heldName);
    try {
        (font.*operation)(path);
    } catch (const IoError& e) {
        if (e.unexplained() == 0)
            throw;
        throw IoError(e.code(), e.what(), e.unexplained(),
                      qtadapt::toStd(fileFailureReason(e.unexplained(), path)));
    }
}

// A paint surface that leaves drawing to the window and reports the mouse in its own pixels.
// While a button pressed on it is held, Qt keeps sending it the pointer's moves and the
// release, also outside the grid and the window.
class ZgSurface : public QWidget {
public:
    ZgSurface(QWidget* parent, std::function<void(QPainter&)> paint)
        : QWidget(parent), m_paint(std::move(paint)) {
        setAttribute(Qt::WA_OpaquePaintEvent);
    }

    std::function<void(Qt::MouseButton, int, int)> onPress;
    std::function<void(int, int)> onMove;
    std::function<void()> onRelease;

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        m_paint(painter);
    }
    void mousePressEvent(QMouseEvent* e) override {
        if (onPress) {
            const QPoint p = e->position().toPoint();
            onPress(e->button(), p.x(), p.y());
        }
    }
    void mouseMoveEvent(QMouseEvent* e) override {
        if (onMove) {
            const QPoint p = e->position().toPoint();
            onMove(p.x(), p.y());
        }
    }
    void mouseReleaseEvent(QMouseEvent*) override {
        if (onRelease)
            onRelease();
    }

private:
    std::function<void(QPainter&)> m_paint;
};

// Qt's scroll bar steps backwards on Right and forwards on PageUp (it inverts the keys so a
// vertical bar feels natural); here Left, Up and PageUp go back, Right, Down and PageDown on.
class ZgScrollBar : public QScrollBar {
public:
    using QScrollBar::QScrollBar;

protected:
    void keyPressEvent(QKeyEvent* e) override {
        SliderAction action = SliderNoAction;
        switch (e->key()) {
        case Qt::Key_Left:
        case Qt::Key_Up:
            action = SliderSingleStepSub;
            break;
        case Qt::Key_Right:
        case Qt::Key_Down:
            action = SliderSingleStepAdd;
            break;
        case Qt::Key_PageUp:
            action = SliderPageStepSub;
            break;
        case Qt::Key_PageDown:
            action = SliderPageStepAdd;
            break;
        case Qt::Key_Home:
            action = SliderToMinimum;
            break;
        case Qt::Key_End:
            action = SliderToMaximum;
            break;
        default:
            QScrollBar::keyPressEvent(e);
            return;
        }
        triggerAction(action);
        e->accept();
    }
};

} // namespace

TFormZg::TFormZg(FontTables& font, Dialogs& dialogs, FontUploader& uploader, QWidget* parent)
    : QDialog(parent), m_font(font), m_dialogs(dialogs), m_uploader(uploader) {
    setObjectName(QStringLiteral("FormZg"));
    setWindowTitle(text(zgtext::CaptionAtBuild));
    setWindowIcon(lazyIcon(QStringLiteral(":/icons/zg-window")));
    setFont(sansSerif(8));
    QPalette face = palette();
    face.setColor(QPalette::Window, face.color(QPalette::Button));
    setPalette(face);
    setAutoFillBackground(true);
    setupControls();
    placement::placeWindow(this, QPoint(354, 213), QSize(GrownWidth, GrownHeight));
    runCommand([this] { FormCreate(); });
}

void TFormZg::setCloseBlocker(std::function<bool()> busy) {
    m_busy = std::move(busy);
}

QToolButton* TFormZg::makeButton(const char* name, const char* hint, const char* icon, int x, int y,
                                 int height, void (TFormZg::*handler)()) {
    auto* button = new QToolButton(this);
    button->setObjectName(QString::fromLatin1(name));
    button->setGeometry(x, y, 23, height);
    button->setIcon(lazyIcon(QStringLiteral(":/icons/") + QString::fromLatin1(icon)));
    button->setIconSize(QSize(16, 16));
    button->setAutoRaise(false);
    button->setCursor(Qt::PointingHandCursor);
    // The buttons never take the focus, so the keyboard stays on the scroll bar.
    button->setFocusPolicy(Qt::NoFocus);
    button->setToolTip(text(hint));
    button->setAccessibleName(text(hint));
    connect(button, &QToolButton::clicked, this,
            [this, handler] { runCommand([this, handler] { (this->*handler)(); }); });
    return button;
}

void TFormZg::setupControls() {
    using namespace zgtext;
    SpeedButtonNew = makeButton("SpeedButtonNew", HintSpeedButtonNew, "zg-new", 0, 0, 22,
                                &TFormZg::SpeedButtonNewClick);
    SpeedButtonOpen = makeButton("SpeedButtonOpen", HintSpeedButtonOpen, "zg-open", 24, 0, 22,
                                 &TFormZg::SpeedButtonOpenClick);
    SpeedButtonSave = makeButton("SpeedButtonSave", HintSpeedButtonSave, "zg-save", 48, 0, 22,
                                 &TFormZg::SpeedButtonSaveClick);
    SpeedButtonCopy = makeButton("SpeedButtonCopy", HintSpeedButtonCopy, "zg-copy", 96, 0, 22,
                                 &TFormZg::SpeedButtonCopyClick);
    SpeedButtonPaste = makeButton("SpeedButtonPaste", HintSpeedButtonPaste, "zg-paste", 120, 0, 22,
                                  &TFormZg::SpeedButtonPasteClick);
    SpeedButtonUndo = makeButton("SpeedButtonUndo", HintSpeedButtonUndo, "zg-undo", 144, 0, 22,
                                 &TFormZg::SpeedButtonUndoClick);
    SpeedButtonClearSym = makeButton("SpeedButtonClearSym", HintSpeedButtonClearSym, "zg-clear",
                                     200, 0, 22, &TFormZg::SpeedButtonClearSymClick);
    SpeedButtonInvers = makeButton("SpeedButtonInvers", HintSpeedButtonInvers, "zg-invert", 224, 0,
                                   22, &TFormZg::SpeedButtonInversClick);
    SpeedButtonTx = makeButton("SpeedButtonTx", HintSpeedButtonTx, "zg-upload", 256, -1, 23,
                               &TFormZg::SpeedButtonTxClick);
    SpeedButtonPaste->setEnabled(false);
    SpeedButtonUndo->setEnabled(false);
    setupKeys();

    auto* grid = new ZgSurface(this, [this](QPainter& p) { paintGrid(p); });
    grid->setObjectName(QStringLiteral("PaintBox"));
    grid->setGeometry(12, 28, GridSize, GridSize);
    grid->onPress = [this](Qt::MouseButton b, int x, int y) { PaintBoxMouseDown(b, x, y); };
    grid->onMove = [this](int x, int y) { PaintBoxMouseMove(x, y); };
    grid->onRelease = [this] { PaintBoxMouseUp(); };
    PaintBox = grid;

    LabelSym = new QLabel(this);
    LabelSym->setObjectName(QStringLiteral("LabelSym"));
    LabelSym->setFont(sansSerif(0, 16));
    LabelSym->move(152, 32);

    PaintBoxM = new ZgSurface(this, [this](QPainter& p) { paintPreview(p); });
    PaintBoxM->setObjectName(QStringLiteral("PaintBoxM"));
    PaintBoxM->setGeometry(192, 39, PreviewSize, PreviewSize);

    LabelSb = new QLabel(this);
    LabelSb->setObjectName(QStringLiteral("LabelSb"));
    LabelSb->setFont(sansSerif(0, 19));
    LabelSb->move(212, 33);

    ScrollBarSimb = new ZgScrollBar(Qt::Horizontal, this);
    ScrollBarSimb->setObjectName(QStringLiteral("ScrollBarSimb"));
    ScrollBarSimb->setGeometry(152, 64, 201, 13);
    ScrollBarSimb->setRange(FirstSymbol, LastSymbol);
    // A click beside the thumb and the page keys move by one symbol, like the arrows.
    ScrollBarSimb->setSingleStep(1);
    ScrollBarSimb->setPageStep(1);
    ScrollBarSimb->setTracking(true);
    ScrollBarSimb->setFocusPolicy(Qt::StrongFocus);
    ScrollBarSimb->setCursor(Qt::PointingHandCursor);
    ScrollBarSimb->setToolTip(text(HintScrollBarSimb));
    ScrollBarSimb->setAccessibleName(text(HintScrollBarSimb));
    connect(ScrollBarSimb, &QScrollBar::valueChanged, this, [this] { ScrollBarSimbChange(); });

    LabelOpis = new QLabel(text(zgtext::LabelOpis), this);
    LabelOpis->setObjectName(QStringLiteral("LabelOpis"));
    LabelOpis->setGeometry(152, 88, 200, 65);
    LabelOpis->setWordWrap(true);
    LabelOpis->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    QPalette maroon = LabelOpis->palette();
    maroon.setColor(QPalette::WindowText, QColor(128, 0, 0));
    LabelOpis->setPalette(maroon);
    setupGlance();
}

void TFormZg::setupKeys() {
    // The desktop's usual keys where there is one; Delete clears, Ctrl+I inverts, Ctrl+T
    // uploads (as in the main window). A disabled button ignores its key.
    const std::pair<QToolButton*, QKeySequence> shortcuts[] = {
        {SpeedButtonNew, QKeySequence(Qt::CTRL | Qt::Key_N)},
        {SpeedButtonOpen, QKeySequence(Qt::CTRL | Qt::Key_O)},
        {SpeedButtonSave, QKeySequence(Qt::CTRL | Qt::Key_S)},
        {SpeedButtonCopy, QKeySequence(Qt::CTRL | Qt::Key_C)},
        {SpeedButtonPaste, QKeySequence(Qt::CTRL | Qt::Key_V)},
        {SpeedButtonUndo, QKeySequence(Qt::CTRL | Qt::Key_Z)},
        {SpeedButtonClearSym, QKeySequence(Qt::Key_Delete)},
        {SpeedButtonInvers, QKeySequence(Qt::CTRL | Qt::Key_I)},
        {SpeedButtonTx, QKeySequence(Qt::CTRL | Qt::Key_T)},
    };
    for (const auto& [button, key] : shortcuts) {
        button->setShortcut(key);
        button->setToolTip(keys::hintWithKey(button->accessibleName(), key));
    }
}

void TFormZg::fitNote() {
    // Where "MS Sans Serif" is missing its stand-in is wider, and the note must not lose its
    // last line: the label grows down to the window's bottom and, only if that is not enough,
    // the text gets smaller.
    constexpr int Height = 65;
    constexpr int Room = ClientHeight - 88 - 2;
    for (int points = 8; points >= 6; --points) {
        LabelOpis->setFont(sansSerif(points));
        const int needed = LabelOpis->heightForWidth(LabelOpis->width());
        if (needed <= Room || points == 6) {
            LabelOpis->resize(LabelOpis->width(), std::clamp(needed, Height, Room));
            return;
        }
    }
}

// Start-up -------------------------------------------------------------------

void TFormZg::FormCreate() {
    ScrollBarSimb->setValue(FirstSymbol);
    ScrollBarSimbChange();
    m_font.ClearFont();
    // A failure stops here: the caption keeps its build-time text; the grid shows at the
    // first paint.
    LoadIniZg();
    const QFileInfo last(qtadapt::nativePath(m_openName));
    if (last.exists() && !last.isDir()) {
        m_saveName = m_openName;
        zgFile(m_font, &FontTables::LoadZg, m_saveName);
    } else {
        m_saveName = text(zgtext::FallbackFontFile);
    }
    UpDateCaptionZg();
    PaintSymbol();
}

void TFormZg::LoadIniZg() {
    m_openName = qtadapt::fromCp1251(Settings().fontFile());
}

void TFormZg::SaveIniZg() {
    Settings().setFontFile(qtadapt::toCp1251(m_saveName));
}

void TFormZg::UpDateCaptionZg() {
    setWindowTitle(text(zgtext::CaptionPrefix) +
                   qtadapt::toQt(nameWithoutDirectory(qtadapt::toStd(m_saveName))));
}

void TFormZg::refuseLineBreak(const QString& name) {
    // A line break in the name would break the settings file that stores it.
    if (hasLineBreak(qtadapt::toStd(name)))
        throw AppError(zgtext::NameWithLineBreak);
}

bool TFormZg::runCommand(const std::function<void()>& command) {
    return ::runCommand(m_dialogs, this, command);
}

// Closing --------------------------------------------------------------------

bool TFormZg::FormClose() {
    if (m_busy && m_busy())
        return false;
    const bool replace = fontFileMayBeReplaced();
    const bool saved = runCommand([this, replace] {
        SaveIniZg();
        if (replace)
            zgFile(m_font, &FontTables::SaveZg, m_saveName);
    });
    // The operator may stay and save the font elsewhere, or leave it unsaved: a font that
    // cannot be written must not hold the window open for good.
    return saved || m_dialogs.askYesNo(this, text(zgtext::AskCloseUnsaved));
}

bool TFormZg::fontFileMayBeReplaced() {
    // A file of another size is no font written here (a picture opened by mistake, a longer
    // file): the close writes over it only when the operator says so.
    const QFileInfo file(qtadapt::nativePath(m_saveName));
    if (!file.isFile() || file.size() == qint64(FontTables::TableBytes))
        return true;
    return m_dialogs.askYesNo(this,
                              text(zgtext::AskReplaceOtherFile).arg(m_saveName).arg(file.size()));
}

void TFormZg::reject() {
    // Escape, the close box and Alt+F4 all end here.
    if (FormClose())
        QDialog::reject();
}

void TFormZg::closeEvent(QCloseEvent* event) {
    if (!isVisible()) {
        event->accept();
        return;
    }
    reject();
    if (isVisible())
        event->ignore();
    else
        event->accept();
}

void TFormZg::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    PaintSymbol();
}

void TFormZg::showEvent(QShowEvent* event) {
    if (!std::exchange(m_noteFitted, true))
        fitNote();
    fitSymbolLabels();
    takeMessage();
    QDialog::showEvent(event);
    ScrollBarSimb->setFocus(Qt::OtherFocusReason);
}

// Commands -------------------------------------------------------------------

void TFormZg::beginUndoable(const QString& previousFile) {
    m_font.TakeUndoCopy();
    m_undoFontFile = previousFile;
    SpeedButtonUndo->setEnabled(true);
}

void TFormZg::SpeedButtonNewClick() {
    beginUndoable();
    m_font.ClearFont();
    PaintSymbol();
}

void TFormZg::SpeedButtonOpenClick() {
    const auto chosen = m_dialogs.openFileName(
        this, {text(zgtext::OpenTitle), m_openName, text(zgtext::OpenFilter), QString()});
    if (!chosen)
        return;
    refuseLineBreak(*chosen);
    m_openName = *chosen;
    beginUndoable(m_saveName);
    try {
        zgFile(m_font, &FontTables::LoadZg, *chosen);
    } catch (...) {
        // A short file has put its bytes over the table; left there, the next close would
        // write them into the previous font without a word. The undo copy holds the table.
        m_font.RestoreUndoCopy();
        PaintSymbol();
        throw;
    }
    m_saveName = *chosen;
    UpDateCaptionZg();
    PaintSymbol();
}

void TFormZg::SpeedButtonSaveClick() {
    const auto chosen =
        m_dialogs.saveFileName(this, {text(zgtext::SaveTitle), m_saveName, text(zgtext::SaveFilter),
                                      text(zgtext::SaveSuffix)});
    if (!chosen)
        return;
    refuseLineBreak(*chosen);
    m_saveName = *chosen;
    UpDateCaptionZg();
    zgFile(m_font, &FontTables::SaveZg, m_saveName);
}

void TFormZg::SpeedButtonUndoClick() {
    m_font.RestoreUndoCopy();
    SpeedButtonUndo->setEnabled(false);
    if (!m_undoFontFile.isEmpty()) {
        m_saveName = m_undoFontFile;
        m_undoFontFile.clear();
        UpDateCaptionZg();
    }
    PaintSymbol();
}

void TFormZg::SpeedButtonClearSymClick() {
    beginUndoable();
    m_font.ClearSymbol(currentSymbol());
    PaintSymbol();
}

void TFormZg::SpeedButtonInversClick() {
    beginUndoable();
    m_font.InvertSymbol(currentSymbol());
    PaintSymbol();
}

void TFormZg::SpeedButtonCopyClick() {
    SpeedButtonPaste->setEnabled(true);
    m_font.CopySymbol(currentSymbol());
}

void TFormZg::SpeedButtonPasteClick() {
    beginUndoable();
    m_font.PasteSymbol(currentSymbol());
    PaintSymbol();
}

void TFormZg::SpeedButtonTxClick() {
    if (m_busy && m_busy())
        return;
    // On a first run the font is empty; sending it would blank every letter of the sign.
    if (m_font.allBlank(FirstSymbol, LastSymbol) &&
        !m_dialogs.askYesNo(this, text(zgtext::AskEmptyFont)))
        return;
    m_uploader.SendAllZG();
}

// Symbol and drawing ---------------------------------------------------------

int TFormZg::currentSymbol() const {
    return ScrollBarSimb->value();
}

void TFormZg::ScrollBarSimbChange() {
    const int n = currentSymbol();
    LabelSym->setText(QString::number(n));
    const char code = static_cast<char>(n);
    LabelSb->setText(QLatin1Char(' ') + qtadapt::fromCp1251(std::string_view(&code, 1)) +
                     QLatin1Char(' '));
    if (isVisible())
        fitSymbolLabels();
    if (Overview)
        Overview->setCurrent(n);
    PaintSymbol();
}

// Measuring the labels loads their two faces: a hidden window waits for its showing.
void TFormZg::fitSymbolLabels() {
    LabelSym->adjustSize();
    LabelSb->adjustSize();
}

void TFormZg::PaintBoxMouseDown(Qt::MouseButton button, int x, int y) {
    m_mode = button == Qt::LeftButton    ? DrawMode::Set
             : button == Qt::RightButton ? DrawMode::Clear
                                         : DrawMode::None;
    PaintBoxMouse(m_mode, x, y);
}

void TFormZg::PaintBoxMouseMove(int x, int y) {
    if (m_mode != DrawMode::None)
        PaintBoxMouse(m_mode, x, y);
}

void TFormZg::PaintBoxMouseUp() {
    m_mode = DrawMode::None;
}

void TFormZg::PaintBoxMouse(DrawMode mode, int x, int y) {
    if (x >= 0 && x < GridSize && y >= 0 && y < GridSize) {
        const int c = x / Cell;
        const int r = y / Cell;
        if (mode == DrawMode::Set)
            m_font.SetDot(currentSymbol(), c, r);
        else if (mode == DrawMode::Clear)
            m_font.ClearDot(currentSymbol(), c, r);
    }
    PaintSymbol();
}

void TFormZg::PaintSymbol() {
    PaintBox->update();
    PaintBoxM->update();
}

void TFormZg::paintGrid(QPainter& painter) const {
    const int n = currentSymbol();
    painter.fillRect(0, 0, GridSize, GridSize, palette().color(QPalette::Button));
    for (int c = 0; c < 8; ++c)
        for (int r = 0; r < 8; ++r)
            painter.fillRect(Cell * c, Cell * r, Cell - 1, Cell - 1,
                             m_font.DotIsSet(n, c, r) ? QColor(0, 0, 0) : QColor(220, 220, 220));
}

void TFormZg::paintPreview(QPainter& painter) const {
    const int n = currentSymbol();
    painter.fillRect(0, 0, PreviewSize, PreviewSize, palette().color(QPalette::Button));
    for (int c = 0; c < 8; ++c)
        for (int r = 0; r < 8; ++r)
            if (m_font.DotIsSet(n, c, r))
                painter.fillRect(2 * c, 2 * r, 2, 2, QColor(255, 0, 0));
}
