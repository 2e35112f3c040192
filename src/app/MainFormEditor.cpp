#include "app/MainForm.h"

#include "app/EffectButtons.h"
#include "app/MainFormTexts.h"
#include "app/MainWindowModel.h"
#include "base/Dialogs.h"
#include "editor/LengthMonitor.h"
#include "editor/MessageDocument.h"
#include "editor/MessageEdit.h"

#include <QAbstractTextDocumentLayout>
#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QTextBlock>
#include <QTextLayout>

namespace {

QString str(QStringView text) {
    return text.toString();
}

// Gives the selection (with none, what is typed next) `format`, keeping the modified flag: the
// format belongs to the screen, not to the text that is saved and sent.
void mergeFormat(MessageEdit* edit, const QTextCharFormat& format) {
    QTextDocument* document = edit->document();
    const bool modified = document->isModified();
    edit->mergeCurrentCharFormat(format);
    document->setModified(modified);
}

} // namespace

// ---- message document and files: the document does the work ----

void TMainForm::UpDateCaption() {
    m_document->updateCaption();
}
std::string TMainForm::messageBytes() const {
    return m_document->bytes();
}
void TMainForm::SaveRunFile(bool withSettings) {
    m_document->saveRunFile(withSettings);
}
bool TMainForm::SavePrompt(bool withSettings) {
    return m_document->savePrompt(withSettings);
}
void TMainForm::SpeedButtonNewClick() {
    m_document->newDocument();
}
void TMainForm::SpeedButtonOpenClick() {
    m_document->open();
}
void TMainForm::SpeedButtonSaveClick() {
    m_document->save();
}
void TMainForm::SpeedButtonSaveASClick() {
    m_document->saveAs();
}

// ---- effect codes and text commands ----

void TMainForm::InsertRich(const QString& code) {
    // The code goes through the system clipboard, which keeps it afterwards.
    EditInsert->clear();
    EditInsert->setText(code);
    EditInsert->selectAll();
    EditInsert->copy();
    RichEdit->paste();
}

void TMainForm::UstRus() {
    RichEdit->selectAll();
    QTextCharFormat format;
    format.setFontWeight(QFont::Normal);
    format.setFontItalic(false);
    format.setFontUnderline(false);
    format.setFontStrikeOut(false);
    format.setFontFamilies(QStringList{str(mainform::StandardFace)});
    format.setForeground(QColor(Qt::black));
    format.setFontPointSize(mainform::StandardPointSize);
    mergeFormat(RichEdit, format);
    if (messageLength() >= 2) {
        QTextCursor cursor = RichEdit->textCursor();
        cursor.movePosition(QTextCursor::End);
        RichEdit->setTextCursor(cursor);
    }
}

void TMainForm::SpeedButtonSelectAllClick() {
    RichEdit->selectAll();
}
void TMainForm::SpeedButtonCutClick() {
    RichEdit->cut();
}
void TMainForm::SpeedButtonCopyClick() {
    RichEdit->copy();
}

void TMainForm::SpeedButtonPasteClick() {
    RichEdit->paste();
    UstRus();
}

void TMainForm::SpeedButtonDelClick() {
    QTextCursor cursor = RichEdit->textCursor();
    cursor.removeSelectedText();
    RichEdit->setTextCursor(cursor);
}

void TMainForm::SpeedButtonToRusClick() {
    UstRus();
}

void TMainForm::itemFontChangeClick() {
    std::optional<QFont> chosen = m_dialogs.chooseFont(this, m_fontDialogFont);
    if (!chosen)
        return;
    m_fontDialogFont = *chosen;
    QTextCharFormat format;
    format.setFontFamilies(QStringList{chosen->family()});
    // The dialog offers no colour: the text takes the window-text colour it starts with.
    format.setForeground(palette().color(QPalette::WindowText));
    if (chosen->pointSizeF() > 0)
        format.setFontPointSize(chosen->pointSizeF());
    format.setFontWeight(chosen->weight());
    format.setFontItalic(chosen->italic());
    format.setFontUnderline(chosen->underline());
    format.setFontStrikeOut(chosen->strikeOut());
    // With nothing selected this is the format of what is typed next.
    mergeFormat(RichEdit, format);
}

void TMainForm::itemAddspaceClick() {
    // The blanks go at the very end, wherever the caret is.
    QTextCursor cursor(RichEdit->document());
    cursor.movePosition(QTextCursor::End);
    cursor.insertText(QStringLiteral("          "));
    if (messageLength() > 1)
        RichEdit->setTextCursor(cursor);
}

void TMainForm::RichEditMouseDown() {
    // Lines are counted as displayed: a wrapped paragraph is several lines, and the column
    // counts from the start of the displayed line that holds the caret.
    const QTextCursor cursor = RichEdit->textCursor();
    const int end = std::max(cursor.anchor(), cursor.position());
    QTextDocument* document = RichEdit->document();
    QAbstractTextDocumentLayout* layout = document->documentLayout();

    const auto lineAt = [&](int position, int* lineStart) {
        const QTextBlock block = document->findBlock(position);
        layout->blockBoundingRect(block); // lays the document out up to this block
        int number = 0;
        for (QTextBlock b = document->begin(); b != block; b = b.next())
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
    const int column = end - caretLineStart + 1;
    m_panels[2]->setText(str(mainform::CaretLine) + QString::number(line) +
                         str(mainform::CaretColumn) + QString::number(column));
}

void TMainForm::reportReplacedCharacters(int count) {
    StatusBarHelp(str(mainform::ReplacedPrefix) + QString::number(count));
}

void TMainForm::insertEffect(void (TMainForm::*handler)()) {
    for (const EffectButton& button : EffectButtons)
        if (button.handler == handler)
            InsertRich(button.code.toString());
}

void TMainForm::SpeedButtonUst0Click() {
    insertEffect(&TMainForm::SpeedButtonUst0Click);
}
void TMainForm::SpeedButtonUst1Click() {
    insertEffect(&TMainForm::SpeedButtonUst1Click);
}
void TMainForm::SpeedButtonUst2Click() {
    insertEffect(&TMainForm::SpeedButtonUst2Click);
}
void TMainForm::SpeedButtonUst5Click() {
    insertEffect(&TMainForm::SpeedButtonUst5Click);
}
void TMainForm::SpeedButtoSpeedUst1Click() {
    insertEffect(&TMainForm::SpeedButtoSpeedUst1Click);
}
void TMainForm::SpeedButtonWait1Click() {
    insertEffect(&TMainForm::SpeedButtonWait1Click);
}
void TMainForm::SpeedButtonWait3Click() {
    insertEffect(&TMainForm::SpeedButtonWait3Click);
}
void TMainForm::SpeedButtonWait5Click() {
    insertEffect(&TMainForm::SpeedButtonWait5Click);
}
void TMainForm::SpeedButtonClClick() {
    insertEffect(&TMainForm::SpeedButtonClClick);
}
void TMainForm::SpeedButtonFillClick() {
    insertEffect(&TMainForm::SpeedButtonFillClick);
}
void TMainForm::SpeedButtonUpClick() {
    insertEffect(&TMainForm::SpeedButtonUpClick);
}
void TMainForm::SpeedButtonDownClick() {
    insertEffect(&TMainForm::SpeedButtonDownClick);
}
void TMainForm::SpeedButtonRazbClick() {
    insertEffect(&TMainForm::SpeedButtonRazbClick);
}
void TMainForm::SpeedButtonInvClick() {
    insertEffect(&TMainForm::SpeedButtonInvClick);
}
void TMainForm::SpeedButton1Click() {
    insertEffect(&TMainForm::SpeedButton1Click);
}

// ---- length monitor ----

int TMainForm::messageLength() const {
    // Both counts are kept by the document, so a tick costs the same on any length. The text
    // holds no line separators (the editor turns each into a paragraph break), so every line
    // break is a block boundary; characterCount() includes one closing separator.
    const QTextDocument* document = RichEdit->document();
    return static_cast<int>(
        lengthmonitor::textLength(document->characterCount() - 1, document->blockCount() - 1));
}

void TMainForm::TimerLengTXTTimer() {
    using namespace mainform;
    const lengthmonitor::Reading reading =
        lengthmonitor::read(messageLength(), m_model->longLimit());
    m_panels[0]->setText((reading.withinLimit ? str(LengthPrefix) : str(OverflowPrefix)) +
                         QString::number(reading.shown) + str(CharactersSuffix));
    SpeedButtonTx->setEnabled(reading.withinLimit);
    m_panels[1]->setText(str(TimePrefix) + QString::number(reading.time) +
                         str(reading.inMinutes ? MinutesSuffix : SecondsSuffix));
    // The buttons share these actions with the menu items, so all six follow.
    const bool selected = RichEdit->textCursor().hasSelection();
    for (QAction* action : {itemCopy, itemCut, itemDel})
        action->setEnabled(selected);
}

// The new limit takes effect at the next tick; the choice is stored at the next settings write.
void TMainForm::ItemLeng6140Click() {
    m_model->setLongLimit(false);
}
void TMainForm::itemLeng59000Click() {
    m_model->setLongLimit(true);
}
