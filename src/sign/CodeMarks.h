#pragma once

#include "sign/Effects.h"

#include <QObject>
#include <QTextEdit>

#include <string>
#include <vector>

// Shows in a text editor how the sign reads the effect codes, without touching the text: a
// colour per effect type, a wavy red underline under a code the sign reads otherwise than it
// is written, a tooltip saying what the sign does there, and a frame around the character or
// code the preview is running. The marks are the editor's extra selections, which never
// become part of the document.
class CodeMarks : public QObject {
    Q_OBJECT

public:
    // Marks nothing until the first setText().
    explicit CodeMarks(QTextEdit& editor);

    // Reads the codes of the editor's text as it is sent (Windows-1251, CR LF line breaks),
    // given a moment after the last edit.
    void setText(std::string bytes);
    // Frames the item starting at byte `at` of the sent text; -1 for none.
    void setRunningAt(int at);

    const std::vector<sign::CodeReading>& codes() const { return m_codes; }
    int surprises() const { return m_surprises; }
    // The tooltip over the byte at `at`; empty where no code is.
    QString toolTipAt(std::size_t at) const;
    // Document position of a byte offset of the sent text, and back.
    int position(std::size_t at) const;
    std::size_t offset(int position) const;
    // The colour a code of this letter is marked in.
    static QColor colour(char letter);

signals:
    void surprisesChanged(int count);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void apply();

    QTextEdit& m_editor;
    std::string m_text;
    std::vector<int> m_positions; // document position of each byte, and of the end
    std::vector<sign::CodeReading> m_codes;
    int m_surprises = 0;
    int m_runningAt = -1;
};

// What a reading means to the operator, in Russian: "/5: пауза 5 с (после «/» нет буквы...)".
QString describeCode(const sign::CodeReading& code);
