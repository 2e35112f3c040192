#pragma once

#include <QTextEdit>

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
