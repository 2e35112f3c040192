#include "app/MainForm.h"

// Each port item checks itself alone and stores the choice at once.
void TMainForm::item1ComClick() {
    checkPort(1);
    SaveIniFile();
}
void TMainForm::item2ComClick() {
    checkPort(2);
    SaveIniFile();
}
void TMainForm::item3ComClick() {
    checkPort(3);
    SaveIniFile();
}
void TMainForm::item4ComClick() {
    checkPort(4);
    SaveIniFile();
}
void TMainForm::item5ComClick() {
    checkPort(5);
    SaveIniFile();
}
void TMainForm::ComPortOpen() { }
void TMainForm::ComPortTxAndClose() { }
void TMainForm::SpeedButtonTxClick() { }
void TMainForm::SendAllZG() { }

void TMainForm::setupUpload() {}
