#pragma once

#include <QTextEdit>

// The message editor: shows formatting, holds plain text. Nothing but plain text comes in by
// paste or drop, and every press of a mouse button is reported after the editor has handled it
// (so the caret has already moved).
class MessageEdit : public QTextEdit {
    Q_OBJECT

public:
    explicit MessageEdit(QWidget* parent = nullptr);

signals:
    void mousePressed();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    bool canInsertFromMimeData(const QMimeData* source) const override;
    void insertFromMimeData(const QMimeData* source) override;
};
