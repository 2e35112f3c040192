#include "sign/CodeMarks.h"

#include <QHelpEvent>
#include <QTextBlock>
#include <QToolTip>

#include <algorithm>

namespace {

using sign::CodeReading;
using Surprise = CodeReading::Surprise;

QString fromUtf8(std::string_view text) {
    return QString::fromUtf8(text.data(), qsizetype(text.size()));
}

QString why(const CodeReading& code) {
    switch (code.surprise) {
    case Surprise::NoLetter:
        return QStringLiteral("после «/» нет латинской буквы эффекта, табло берёт W");
    case Surprise::UnknownLetter:
        return QStringLiteral("такой буквы эффекта табло не знает");
    case Surprise::NoDigit:
        return QStringLiteral("нет цифры, табло берёт 1");
    case Surprise::LineEnd:
        return QStringLiteral("код обрывается в конце строки");
    case Surprise::DigitNotTaken:
        return QStringLiteral("у ") + QLatin1Char(code.letter) + QStringLiteral(" цифры ") +
               QString::fromStdString(
                   sign::digitsTaken(*sign::effectType(code.letter), Language::Russian));
    case Surprise::None:
        break;
    }
    return {};
}

} // namespace

QString describeCode(const CodeReading& code) {
    QString text = QString::fromStdString(code.code()) + QStringLiteral(": ") +
                   QString::fromStdString(sign::effectDoes(code, Language::Russian));
    if (code.surprise != Surprise::None)
        text += QStringLiteral(" (") + why(code) + QLatin1Char(')');
    if (code.loneSlash())
        text += QLatin1Char('\n') + fromUtf8(sign::slashNote(Language::Russian));
    return text;
}

CodeMarks::CodeMarks(QTextEdit& editor) : QObject(&editor), m_editor(editor) {
    editor.viewport()->installEventFilter(this);
}

QColor CodeMarks::colour(char letter) {
    switch (letter) {
    case 'S':
        return {0, 110, 200}; // blue
    case 'W':
    case 'Q':
        return {0, 140, 60}; // green
    case 'F':
    case 'U':
    case 'D':
    case 'J':
        return {150, 60, 180}; // violet
    case 'I':
    case 'N':
        return {200, 110, 0}; // orange
    default:
        return {120, 120, 120};
    }
}

void CodeMarks::setText(std::string bytes) {
    m_text = std::move(bytes);
    // Every CR LF of the sent text is one paragraph break of the document.
    m_positions.assign(m_text.size() + 1, 0);
    int pos = 0;
    for (std::size_t i = 0; i < m_text.size(); ++i) {
        m_positions[i] = pos;
        if (m_text[i] == '\r' && i + 1 < m_text.size() && m_text[i + 1] == '\n')
            m_positions[++i] = pos;
        ++pos;
    }
    m_positions.back() = pos;
    m_codes =
        sign::readCodes({reinterpret_cast<const std::uint8_t*>(m_text.data()), m_text.size()});
    const auto count =
        static_cast<int>(std::count_if(m_codes.begin(), m_codes.end(), [](const CodeReading& c) {
            return c.surprise != Surprise::None;
        }));
    m_runningAt = -1;
    apply();
    if (count != m_surprises) {
        m_surprises = count;
        emit surprisesChanged(count);
    }
}

void CodeMarks::setRunningAt(int at) {
    if (at == m_runningAt)
        return;
    m_runningAt = at;
    apply();
}

int CodeMarks::position(std::size_t at) const {
    return m_positions[std::min(at, m_positions.size() - 1)];
}

std::size_t CodeMarks::offset(int position) const {
    const auto it = std::lower_bound(m_positions.begin(), m_positions.end(), position);
    return static_cast<std::size_t>(it - m_positions.begin());
}

void CodeMarks::apply() {
    QList<QTextEdit::ExtraSelection> marks;
    const auto mark = [&](std::size_t at, std::size_t length, const QTextCharFormat& format) {
        QTextCursor cursor(m_editor.document());
        // Until the next refresh the text may be shorter than the codes read.
        const int end = m_editor.document()->characterCount() - 1;
        cursor.setPosition(std::min(position(at), end));
        cursor.setPosition(std::min(position(at + length), end), QTextCursor::KeepAnchor);
        marks.append({cursor, format});
    };
    const auto codeFormat = [](const CodeReading& code) {
        QTextCharFormat format;
        format.setForeground(colour(code.letter));
        // Without a background of its own a mark is not painted at all when it touches one
        // painted before it, as a code right after another does.
        format.setBackground(Qt::transparent);
        if (code.surprise != Surprise::None) {
            format.setUnderlineStyle(QTextCharFormat::WaveUnderline);
            format.setUnderlineColor(Qt::red);
        }
        return format;
    };
    const auto bytes =
        std::span(reinterpret_cast<const std::uint8_t*>(m_text.data()), m_text.size());
    for (const CodeReading& code : m_codes)
        mark(code.at, sign::writtenLength(bytes, code), codeFormat(code));
    if (m_runningAt >= 0 && static_cast<std::size_t>(m_runningAt) < m_text.size()) {
        const auto at = static_cast<std::size_t>(m_runningAt);
        const auto code = std::find_if(m_codes.begin(), m_codes.end(),
                                       [at](const CodeReading& c) { return c.at == at; });
        // A running code keeps its colour on the frame's background.
        QTextCharFormat running = code != m_codes.end() ? codeFormat(*code) : QTextCharFormat();
        running.setBackground(QColor(255, 220, 120));
        mark(at, code != m_codes.end() ? code->length : 1, running);
    }
    m_editor.setExtraSelections(marks);
}

QString CodeMarks::toolTipAt(std::size_t at) const {
    const auto bytes =
        std::span(reinterpret_cast<const std::uint8_t*>(m_text.data()), m_text.size());
    for (const CodeReading& code : m_codes)
        if (at >= code.at && at < code.at + sign::writtenLength(bytes, code))
            return describeCode(code);
    return {};
}

bool CodeMarks::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::ToolTip || watched != m_editor.viewport())
        return false;
    auto* help = static_cast<QHelpEvent*>(event);
    const QTextCursor cursor = m_editor.cursorForPosition(help->pos());
    // The character under the pointer, not the gap the cursor stands in.
    const QRect before = m_editor.cursorRect(cursor);
    const int pos = help->pos().x() < before.left() ? cursor.position() - 1 : cursor.position();
    const QString tip = pos < 0 ? QString() : toolTipAt(offset(pos));
    if (tip.isEmpty())
        QToolTip::hideText();
    else
        QToolTip::showText(help->globalPos(), tip, m_editor.viewport());
    return true;
}
