#include "editor/MessageEdit.h"

#include "editor/LengthMonitor.h"
#include "editor/MessageText.h"

#include <QAbstractTextDocumentLayout>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QTextBlock>
#include <QTextLayout>

namespace {

constexpr int StandardPointSize = 10;

// Gives the selection (with none, what is typed next) `format`, keeping the modified flag.
void mergeFormat(MessageEdit& edit, const QTextCharFormat& format) {
    QTextDocument* document = edit.document();
    const bool modified = document->isModified();
    edit.mergeCurrentCharFormat(format);
    document->setModified(modified);
}

} // namespace

MessageEdit::MessageEdit(QWidget* parent) : QTextEdit(parent) {
    setAcceptRichText(false);
    setLineWrapMode(QTextEdit::WidgetWidth);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
}

QString MessageEdit::cleaned(const QString& text) {
    int replaced = 0;
    QString out = messagetext::clean(text, &replaced);
    if (replaced > 0)
        emit charactersReplaced(replaced);
    return out;
}

void MessageEdit::insertCleanText(const QString& text) {
    QTextCursor cursor = textCursor();
    cursor.insertText(cleaned(text));
    setTextCursor(cursor);
    ensureCursorVisible();
}

void MessageEdit::mousePressEvent(QMouseEvent* event) {
    QTextEdit::mousePressEvent(event);
    emit mousePressed();
}

void MessageEdit::mouseDoubleClickEvent(QMouseEvent* event) {
    QTextEdit::mouseDoubleClickEvent(event);
    emit mousePressed();
}

void MessageEdit::keyPressEvent(QKeyEvent* event) {
    // Shift+Enter would put a line separator inside the paragraph; the file knows one kind of
    // line break only, so it starts a new paragraph like Enter.
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (enter && (event->modifiers() & Qt::ShiftModifier)) {
        QKeyEvent plain(event->type(), event->key(), event->modifiers() & ~Qt::ShiftModifier,
                        event->text(), event->isAutoRepeat(), static_cast<quint16>(event->count()));
        QTextEdit::keyPressEvent(&plain);
        event->setAccepted(plain.isAccepted());
        return;
    }
    const QString text = event->text();
    if (!text.isEmpty() && text.at(0).isPrint()) {
        const QString clean = cleaned(text);
        if (clean != text) {
            QKeyEvent typed(event->type(), event->key(), event->modifiers(), clean,
                            event->isAutoRepeat(), static_cast<quint16>(event->count()));
            QTextEdit::keyPressEvent(&typed);
            event->setAccepted(typed.isAccepted());
            return;
        }
    }
    QTextEdit::keyPressEvent(event);
}

void MessageEdit::inputMethodEvent(QInputMethodEvent* event) {
    const QString commit = event->commitString();
    const QString clean = commit.isEmpty() ? commit : cleaned(commit);
    if (clean == commit) {
        QTextEdit::inputMethodEvent(event);
        return;
    }
    QInputMethodEvent typed(event->preeditString(), event->attributes());
    typed.setCommitString(clean, event->replacementStart(), event->replacementLength());
    QTextEdit::inputMethodEvent(&typed);
    event->setAccepted(typed.isAccepted());
}

bool MessageEdit::canInsertFromMimeData(const QMimeData* source) const {
    return source->hasText();
}

void MessageEdit::insertFromMimeData(const QMimeData* source) {
    if (source->hasText())
        insertCleanText(source->text());
}

QMimeData* MessageEdit::createMimeDataFromSelection() const {
    // The selection as the editor holds it: a no-break space stays one, and a copy pasted
    // back gives the same bytes.
    QString text = textCursor().selectedText();
    text.replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
    text.replace(QChar::LineSeparator, QLatin1Char('\n'));
    auto* mime = new QMimeData;
    mime->setText(text);
    return mime;
}

int MessageEdit::sentLength() const {
    // Both counts are kept by the document, so a tick costs the same on any length. The text
    // holds no line separators (the editor turns each into a paragraph break), so every line
    // break is a block boundary; characterCount() includes one closing separator.
    return static_cast<int>(
        lengthmonitor::textLength(document()->characterCount() - 1, document()->blockCount() - 1));
}

void MessageEdit::standardFormat() {
    selectAll();
    QTextCharFormat format;
    format.setFontWeight(QFont::Normal);
    format.setFontItalic(false);
    format.setFontUnderline(false);
    format.setFontStrikeOut(false);
    format.setFontFamilies(QStringList{QStringLiteral("MS Sans Serif")});
    format.setForeground(QColor(Qt::black));
    format.setFontPointSize(StandardPointSize);
    mergeFormat(*this, format);
    if (sentLength() >= 2) {
        QTextCursor cursor = textCursor();
        cursor.movePosition(QTextCursor::End);
        setTextCursor(cursor);
    }
}

void MessageEdit::applyFont(const QFont& font, const QColor& colour) {
    QTextCharFormat format;
    format.setFontFamilies(QStringList{font.family()});
    format.setForeground(colour);
    if (font.pointSizeF() > 0)
        format.setFontPointSize(font.pointSizeF());
    format.setFontWeight(font.weight());
    format.setFontItalic(font.italic());
    format.setFontUnderline(font.underline());
    format.setFontStrikeOut(font.strikeOut());
    mergeFormat(*this, format);
}

void MessageEdit::appendBlanks() {
    QTextCursor cursor(document());
    cursor.movePosition(QTextCursor::End);
    cursor.insertText(QStringLiteral("          "));
    if (sentLength() > 1)
        setTextCursor(cursor);
}

void MessageEdit::deleteSelection() {
    QTextCursor cursor = textCursor();
    cursor.removeSelectedText();
    setTextCursor(cursor);
}

std::pair<int, int> MessageEdit::caretLineColumn() const {
    const QTextCursor cursor = textCursor();
    const int end = std::max(cursor.anchor(), cursor.position());
    QTextDocument* text = document();
    QAbstractTextDocumentLayout* layout = text->documentLayout();

    const auto lineAt = [&](int position, int* lineStart) {
        const QTextBlock block = text->findBlock(position);
        layout->blockBoundingRect(block); // lays the document out up to this block
        int number = 0;
        for (QTextBlock b = text->begin(); b != block; b = b.next())
            number += std::max(1, b.layout()->lineCount());
        const QTextLine line = block.layout()->lineForTextPosition(position - block.position());
        if (line.isValid()) {
            number += line.lineNumber();
            *lineStart = block.position() + line.textStart();
        } else {
            *lineStart = block.position();
        }
        return number + 1;
    };
    int endLineStart = 0;
    const int line = lineAt(end, &endLineStart);
    int caretLineStart = endLineStart;
    if (cursor.position() != end)
        lineAt(cursor.position(), &caretLineStart);
    return {line, end - caretLineStart + 1};
}
