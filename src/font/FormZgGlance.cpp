// Our additions to the font editor: the overview of all symbols, the transforms of the current
// symbol and a line of text in the font. None moves or changes a control of the editor's own.

#include "font/FormZg.h"

#include "base/Keys.h"
#include "base/QtAdapt.h"
#include "font/FontOverview.h"
#include "font/FontTable.h"
#include "font/FontWatch.h"
#include "sign/LedMatrix.h"
#include "sign/SignPlayer.h"
#include "sign/TextGlyphs.h"

#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QScrollBar>
#include <QToolButton>

namespace {

// As many characters as the sign model's display is wide, so the dots keep one size.
constexpr int SampleLength = sign::SignPlayer::DefaultWidth / 8;

// A button picture drawn as the sign draws: 8 x 8 dots, two pixels each.
QIcon dotIcon(const std::array<const char*, 8>& rows) {
    QPixmap picture(16, 16);
    picture.fill(Qt::transparent);
    QPainter painter(&picture);
    for (int r = 0; r < 8; ++r)
        for (int c = 0; c < 8; ++c)
            if (rows[static_cast<std::size_t>(r)][c] == '@')
                painter.fillRect(2 * c, 2 * r, 2, 2, Qt::black);
    return QIcon(picture);
}

struct Transform {
    const char* name;
    const char* hint;
    QKeySequence key;
    std::array<const char*, 8> picture;
    void (TFormZg::*handler)();
    QToolButton* TFormZg::*button;
};

const Transform Transforms[] = {
    {"SpeedButtonShiftLeft",
     "Сдвинуть символ влево",
     QKeySequence(Qt::ALT | Qt::Key_Left),
     {"...@....", "..@@....", ".@@@@@@@", "@@@@@@@@", ".@@@@@@@", "..@@....", "...@....",
      "........"},
     &TFormZg::SpeedButtonShiftLeftClick,
     &TFormZg::SpeedButtonShiftLeft},
    {"SpeedButtonShiftRight",
     "Сдвинуть символ вправо",
     QKeySequence(Qt::ALT | Qt::Key_Right),
     {"....@...", "....@@..", "@@@@@@@.", "@@@@@@@@", "@@@@@@@.", "....@@..", "....@...",
      "........"},
     &TFormZg::SpeedButtonShiftRightClick,
     &TFormZg::SpeedButtonShiftRight},
    {"SpeedButtonShiftUp",
     "Сдвинуть символ вверх",
     QKeySequence(Qt::ALT | Qt::Key_Up),
     {"...@....", "..@@@...", ".@@@@@..", "@@@@@@@.", "..@@@...", "..@@@...", "..@@@...",
      "..@@@..."},
     &TFormZg::SpeedButtonShiftUpClick,
     &TFormZg::SpeedButtonShiftUp},
    {"SpeedButtonShiftDown",
     "Сдвинуть символ вниз",
     QKeySequence(Qt::ALT | Qt::Key_Down),
     {"..@@@...", "..@@@...", "..@@@...", "..@@@...", "@@@@@@@.", ".@@@@@..", "..@@@...",
      "...@...."},
     &TFormZg::SpeedButtonShiftDownClick,
     &TFormZg::SpeedButtonShiftDown},
    {"SpeedButtonMirror",
     "Отразить символ слева направо",
     QKeySequence(Qt::CTRL | Qt::Key_M),
     {"...@....", "@..@..@.", "@@.@.@@.", "@@@@@@@.", "@@.@.@@.", "@..@..@.", "...@....",
      "........"},
     &TFormZg::SpeedButtonMirrorClick,
     &TFormZg::SpeedButtonMirror},
    {"SpeedButtonFlip",
     "Перевернуть символ сверху вниз",
     QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_M),
     {"@@@@@@@.", ".@@@@@..", "..@@@...", "@@@@@@@@", "..@@@...", ".@@@@@..", "@@@@@@@.",
      "........"},
     &TFormZg::SpeedButtonFlipClick,
     &TFormZg::SpeedButtonFlip},
    {"SpeedButtonToLeft",
     "Прижать символ к левому краю",
     QKeySequence(Qt::CTRL | Qt::Key_L),
     {"@..@....", "@.@@....", "@@@@@@@.", "@@@@@@@.", "@.@@....", "@..@....", "@.......",
      "........"},
     &TFormZg::SpeedButtonToLeftClick,
     &TFormZg::SpeedButtonToLeft},
};

} // namespace

void TFormZg::setupGlance() {
    // Below the grid the transforms, the sample line and its dots; to the right the overview.
    int x = 12;
    for (const Transform& t : Transforms) {
        QToolButton* button = makeButton(t.name, t.hint, "zg-new", x, 176, 22, t.handler);
        button->setIcon(dotIcon(t.picture));
        button->setShortcut(t.key);
        button->setToolTip(keys::hintWithKey(button->accessibleName(), t.key));
        this->*t.button = button;
        x += 24;
    }

    Overview = new FontOverview(m_font, this);
    Overview->setObjectName(QStringLiteral("Overview"));
    Overview->setGeometry(368, 28, FontOverview::Side, FontOverview::Side);
    Overview->setAccessibleName(QStringLiteral("Все символы шрифта"));
    Overview->setToolTip(QStringLiteral("Все символы шрифта: щелчок или буква выбирают символ"));
    connect(Overview, &FontOverview::symbolChosen, this,
            [this](int n) { ScrollBarSimb->setValue(n); });

    EditSample = new QLineEdit(this);
    EditSample->setObjectName(QStringLiteral("EditSample"));
    EditSample->setGeometry(12, 204, 341, 22);
    EditSample->setMaxLength(SampleLength);
    EditSample->setPlaceholderText(QStringLiteral("Строка для проверки шрифта"));
    EditSample->setAccessibleName(EditSample->placeholderText());
    EditSample->setToolTip(QStringLiteral("Строка, показанная ниже точками табло этим шрифтом"));

    m_sample = std::make_unique<sign::SignPlayer>(SampleLength * 8);
    SampleDots = new sign::LedMatrix(*m_sample, this);
    SampleDots->setObjectName(QStringLiteral("SampleDots"));
    SampleDots->setGeometry(12, 232, 341, 44);
    SampleDots->setAccessibleName(QStringLiteral("Строка точками табло"));
    connect(EditSample, &QLineEdit::textChanged, this, [this] { showSample(); });

    auto* legend = new QLabel(QStringLiteral("Справа жёлтым отмечены символы текста главного "
                                             "окна, красным — пустые из них, серым — пустые "
                                             "символы шрифта."),
                              this);
    legend->setObjectName(QStringLiteral("LabelOverviewLegend"));
    legend->setGeometry(12, 282, 341, 42);
    legend->setWordWrap(true);
    legend->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    // Every change of the table, a drawn dot included, shows at once in both.
    m_watch = new FontWatch(m_font, this);
    connect(m_watch, &FontWatch::changed, Overview, qOverload<>(&QWidget::update));
    connect(m_watch, &FontWatch::changed, this, &TFormZg::showSample);
    showSample();
}

TFormZg::~TFormZg() = default;

void TFormZg::setMessageSource(std::function<std::string()> source) {
    m_message = std::move(source);
}

void TFormZg::takeMessage() {
    const std::string text = m_message ? m_message() : std::string();
    const auto bytes = std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
    Overview->setUsed(sign::glyphsUsed(bytes));
    if (EditSample->isModified())
        return;
    // The start of the first line with a letter, as the sign draws it: its characters, not
    // its codes, and not the blanks that indent it.
    std::string start;
    for (const sign::SignItem& item : sign::parseSignText(bytes)) {
        if (item.kind != sign::SignItem::Kind::Glyph)
            continue;
        const bool lineEnd = item.code == '\r' || item.code == '\n';
        if ((lineEnd && !start.empty()) || start.size() == SampleLength)
            break;
        if (!lineEnd && (!start.empty() || (item.code != ' ' && item.code != '\t')))
            start.push_back(static_cast<char>(item.code));
    }
    EditSample->setText(qtadapt::fromCp1251(start));
}

void TFormZg::showSample() {
    const std::string text = qtadapt::toCp1251(EditSample->text());
    m_sample->setFont(m_font.FontTable);
    m_sample->showStill(std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
    SampleDots->update();
}

void TFormZg::transform(void (FontTables::*operation)(int)) {
    beginUndoable();
    (m_font.*operation)(currentSymbol());
    PaintSymbol();
}

void TFormZg::SpeedButtonShiftLeftClick() {
    transform(&FontTables::ShiftSymbolLeft);
}

void TFormZg::SpeedButtonShiftRightClick() {
    transform(&FontTables::ShiftSymbolRight);
}

void TFormZg::SpeedButtonShiftUpClick() {
    transform(&FontTables::ShiftSymbolUp);
}

void TFormZg::SpeedButtonShiftDownClick() {
    transform(&FontTables::ShiftSymbolDown);
}

void TFormZg::SpeedButtonMirrorClick() {
    transform(&FontTables::MirrorSymbol);
}

void TFormZg::SpeedButtonFlipClick() {
    transform(&FontTables::FlipSymbol);
}

void TFormZg::SpeedButtonToLeftClick() {
    transform(&FontTables::SymbolToLeft);
}
