#pragma once

#include "info/WindowLook.h"

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

class THelpForm : public info::PlacedOnceDialog {
    Q_OBJECT
public:
    explicit THelpForm(QWidget* parent = nullptr);

    HelpTextEdit* RichEdit = nullptr;
};
