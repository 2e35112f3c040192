#include "app/MainForm.h"

#include "app/FileNames.h"
#include "app/MainFormTexts.h"
#include "app/QtAdapt.h"
#include "editor/MessageEdit.h"

void TMainForm::SpeedButtonNewClick() { }
void TMainForm::SpeedButtonOpenClick() { }
void TMainForm::SpeedButtonSaveClick() { }
void TMainForm::SpeedButtonSaveASClick() { }
void TMainForm::UpDateCaption() {
    setWindowTitle(mainform::CaptionPrefix.toString() +
                   qtadapt::toQt(nameWithoutDirectory(qtadapt::toStd(m_currentFileName))));
}
void TMainForm::SaveRunFile() { }
void TMainForm::loadIntoEditor(const QString&) { }
bool TMainForm::SavePrompt() { return true; }
void TMainForm::InsertRich(const QString&) { }
void TMainForm::UstRus() { }
void TMainForm::SpeedButtonSelectAllClick() { }
void TMainForm::SpeedButtonCutClick() { }
void TMainForm::SpeedButtonCopyClick() { }
void TMainForm::SpeedButtonPasteClick() { }
void TMainForm::SpeedButtonDelClick() { }
void TMainForm::SpeedButtonToRusClick() { }
void TMainForm::itemFontChangeClick() { }
void TMainForm::itemAddspaceClick() { }
void TMainForm::RichEditMouseDown() { }
void TMainForm::SpeedButtonUst0Click() { }
void TMainForm::SpeedButtonUst1Click() { }
void TMainForm::SpeedButtonUst2Click() { }
void TMainForm::SpeedButtonUst5Click() { }
void TMainForm::SpeedButtoSpeedUst1Click() { }
void TMainForm::SpeedButtonWait1Click() { }
void TMainForm::SpeedButtonWait3Click() { }
void TMainForm::SpeedButtonWait5Click() { }
void TMainForm::SpeedButtonClClick() { }
void TMainForm::SpeedButtonFillClick() { }
void TMainForm::SpeedButtonUpClick() { }
void TMainForm::SpeedButtonDownClick() { }
void TMainForm::SpeedButtonRazbClick() { }
void TMainForm::SpeedButtonInvClick() { }
void TMainForm::SpeedButton1Click() { }
void TMainForm::TimerLengTXTTimer() { }
// The new limit takes effect at the next tick; the choice is stored at the next settings write.
void TMainForm::ItemLeng6140Click() {
    ItemLeng6140->setChecked(true);
    itemLeng59000->setChecked(false);
}
void TMainForm::itemLeng59000Click() {
    itemLeng59000->setChecked(true);
    ItemLeng6140->setChecked(false);
}

std::string TMainForm::messageBytes() const {
    QString text = RichEdit->toPlainText();
    text.replace(QChar::LineSeparator, QLatin1Char('\n'));
    text.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
    return qtadapt::toCp1251(text);
}
