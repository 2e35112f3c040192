#include "editor/MessageEdit.h"

#include "editor/MessageText.h"

#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>

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
