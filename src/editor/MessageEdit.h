#pragma once

#include <QTextEdit>

#include <utility>

// The message editor: shows formatting, holds plain text. Nothing but plain text comes in by
// typing, paste or drop, and it comes in cleaned (see messagetext::clean): every line break is
// a paragraph break, and a character Windows-1251 cannot hold becomes "?", which
// charactersReplaced() reports. Every press of a mouse button is reported after the editor has
// handled it (so the caret has already moved).
class MessageEdit : public QTextEdit {
    Q_OBJECT

public:
    explicit MessageEdit(QWidget* parent = nullptr);

    // Puts `text` in at the caret (over the selection) as typed text would go, cleaned.
    void insertCleanText(const QString& text);

    // The text's length as the sign gets it: each line break counts two (CR and LF).
    int sentLength() const;
    // The text commands. The formats belong to the screen, not to the text that is saved and
    // sent, so they leave the modified flag as it was.
    // The standard format over the whole text, and the caret at its end.
    void standardFormat();
    // The selection, or with none what is typed next, takes `font` in `colour`.
    void applyFont(const QFont& font, const QColor& colour);
    // Ten blanks at the very end, wherever the caret is.
    void appendBlanks();
    void deleteSelection();
    // The caret's line and column, from 1, as displayed: a wrapped paragraph is several
    // lines, and the column counts from the start of the displayed line that holds the caret.
    std::pair<int, int> caretLineColumn() const;

signals:
    void mousePressed();
    void charactersReplaced(int count);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;
    bool canInsertFromMimeData(const QMimeData* source) const override;
    void insertFromMimeData(const QMimeData* source) override;
    QMimeData* createMimeDataFromSelection() const override;

private:
    QString cleaned(const QString& text);
};
