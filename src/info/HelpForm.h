#pragma once

#include <QDialog>
#include <QPlainTextEdit>

// The help text: read-only, but the operator can scroll, place the caret and select.
class HelpTextEdit : public QPlainTextEdit {
    Q_OBJECT
public:
    using QPlainTextEdit::QPlainTextEdit;

protected:
    // Tab stays in the text: there is no other control to move to.
    bool focusNextPrevChild(bool) override { return false; }
};

class THelpForm : public QDialog {
    Q_OBJECT
public:
    explicit THelpForm(QWidget* parent = nullptr);

    // Centres the window on its first showing only; later showings keep where it was left.
    void setVisible(bool visible) override;

    HelpTextEdit* RichEdit = nullptr;

private:
    bool m_placed = false;
};
