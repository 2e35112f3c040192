#include "app/MainForm.h"

#include "app/EffectButtons.h"
#include "app/MainFormTexts.h"
#include "app/MainWindowModel.h"
#include "base/Dialogs.h"
#include "editor/LengthMonitor.h"
#include "editor/MessageDocument.h"
#include "editor/MessageEdit.h"

#include <QAction>
#include <QLabel>
#include <QLineEdit>

namespace {

QString str(QStringView text) {
    return text.toString();
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
    RichEdit->standardFormat();
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
    RichEdit->deleteSelection();
}

void TMainForm::SpeedButtonToRusClick() {
    UstRus();
}

void TMainForm::itemFontChangeClick() {
    std::optional<QFont> chosen = m_dialogs.chooseFont(this, m_fontDialogFont);
    if (!chosen)
        return;
    m_fontDialogFont = *chosen;
    // The dialog offers no colour: the text takes the window-text colour it starts with.
    RichEdit->applyFont(*chosen, palette().color(QPalette::WindowText));
}

void TMainForm::itemAddspaceClick() {
    RichEdit->appendBlanks();
}

void TMainForm::RichEditMouseDown() {
    const auto [line, column] = RichEdit->caretLineColumn();
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
    return RichEdit->sentLength();
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
