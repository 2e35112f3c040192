#include "font/FontOverview.h"

#include "base/Cp1251.h"
#include "base/QtAdapt.h"
#include "font/FontTable.h"
#include "sign/TextGlyphs.h"

#include <QHelpEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QToolTip>

namespace {

constexpr int FirstChosen = 32;
constexpr int Last = 255;

const QColor Grid(160, 160, 160);
const QColor Lit(0, 0, 0);
const QColor Dark(255, 255, 255);
const QColor BlankDark(220, 220, 220); // as the editor's grid shows a dark dot
const QColor CurrentDark(0, 0, 128);
const QColor CurrentLit(255, 255, 255);
const QColor UsedDark(255, 236, 150);
const QColor UsedBlankDark(255, 150, 150);
const QColor Unreachable(200, 200, 200);

} // namespace

FontOverview::FontOverview(const FontTables& font, QWidget* parent)
    : QWidget(parent), m_font(font) {
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setCursor(Qt::PointingHandCursor);
}

void FontOverview::setCurrent(int n) {
    if (n == m_current)
        return;
    update(cellOf(m_current));
    m_current = n;
    update(cellOf(m_current));
}

void FontOverview::setUsed(const std::bitset<256>& used) {
    m_used = used;
    update();
}

QRect FontOverview::cellOf(int n) {
    return {1 + (n % 16) * Pitch, 1 + (n / 16) * Pitch, Pitch - 1, Pitch - 1};
}

int FontOverview::symbolAt(QPoint p) {
    if (p.x() < 1 || p.y() < 1 || p.x() >= Side - 1 || p.y() >= Side - 1)
        return -1;
    return (p.y() - 1) / Pitch * 16 + (p.x() - 1) / Pitch;
}

void FontOverview::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), Grid);
    for (int n = 0; n <= Last; ++n) {
        const QRect cell = cellOf(n);
        const bool blank = m_font.allBlank(n, n);
        QColor dark = blank ? BlankDark : Dark;
        QColor lit = Lit;
        if (n < FirstChosen) {
            dark = Unreachable;
            lit = Grid;
        } else if (n == m_current) {
            dark = CurrentDark;
            lit = CurrentLit;
        } else if (m_used[static_cast<std::size_t>(n)]) {
            dark = blank && !sign::blankByDesign(n) ? UsedBlankDark : UsedDark;
        }
        painter.fillRect(cell, dark);
        // The 16 x 16 picture sits in the cell's top-left corner, two pixels a dot.
        for (int c = 0; c < 8; ++c)
            for (int r = 0; r < 8; ++r)
                if (m_font.DotIsSet(n, c, r))
                    painter.fillRect(cell.x() + 2 * c, cell.y() + 2 * r, 2, 2, lit);
    }
    if (hasFocus()) {
        painter.setPen(QPen(palette().color(QPalette::Highlight), 1, Qt::DotLine));
        painter.drawRect(cellOf(m_current).adjusted(-1, -1, 0, 0));
    }
}

void FontOverview::choose(int n) {
    if (n >= FirstChosen && n <= Last)
        emit symbolChosen(n);
}

void FontOverview::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton)
        choose(symbolAt(event->position().toPoint()));
}

void FontOverview::keyPressEvent(QKeyEvent* event) {
    // With Ctrl or Alt the key belongs to the window's commands.
    if (event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)) {
        QWidget::keyPressEvent(event);
        return;
    }
    switch (event->key()) {
    case Qt::Key_Left:
        choose(std::max(m_current - 1, FirstChosen));
        return;
    case Qt::Key_Right:
        choose(std::min(m_current + 1, Last));
        return;
    case Qt::Key_Up:
        choose(m_current - 16 >= FirstChosen ? m_current - 16 : m_current);
        return;
    case Qt::Key_Down:
        choose(m_current + 16 <= Last ? m_current + 16 : m_current);
        return;
    case Qt::Key_Home:
        choose(FirstChosen);
        return;
    case Qt::Key_End:
        choose(Last);
        return;
    default:
        break;
    }
    // A typed character chooses its own symbol.
    const QList<uint> typed = event->text().toUcs4();
    if (typed.size() == 1) {
        if (const auto code = cp1251::unicodeToCp1251(typed.front());
            code && *code >= FirstChosen) {
            choose(*code);
            return;
        }
    }
    QWidget::keyPressEvent(event);
}

bool FontOverview::event(QEvent* event) {
    if (event->type() == QEvent::ToolTip) {
        auto* help = static_cast<QHelpEvent*>(event);
        const int n = symbolAt(help->pos());
        // Over symbols 0 to 31 and the lines: what the overview is for.
        if (n < FirstChosen)
            return QWidget::event(event);
        const char code = static_cast<char>(n);
        QToolTip::showText(
            help->globalPos(),
            QStringLiteral("%1  %2").arg(n).arg(qtadapt::fromCp1251(std::string_view(&code, 1))),
            this, cellOf(n));
        return true;
    }
    if (event->type() == QEvent::FocusIn || event->type() == QEvent::FocusOut)
        update();
    return QWidget::event(event);
}
