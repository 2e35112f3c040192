#pragma once

#include "app/MainForm.h"

#include <QStringView>

// The effect-code tool bar, left to right: one row per button, read both to build the bar and
// by the button's handler for the code it inserts. A gap follows the rows marked so. The
// digits in several button names differ from the digits of their codes. New columns go at the
// end with a default, so the rows need not change.
struct EffectButton {
    void (TMainForm::*handler)();
    QStringView name;
    QStringView hint;
    QStringView code;
    QStringView icon;
    bool gapAfter = false;
    // Alt with 1..5 for the speeds and 6..8 for the waits, left to right; Ctrl+Shift with the
    // code's letter for the others.
    QStringView key = {};
};

inline constexpr EffectButton EffectButtons[] = {
    {&TMainForm::SpeedButtonUst0Click, u"SpeedButtonUst0", u"Вставка эффекта Скорости", u"/S0",
     u"speed0", false, u"Alt+1"},
    {&TMainForm::SpeedButtonUst1Click, u"SpeedButtonUst1", u"Вставка эффекта  Скорости", u"/S1",
     u"speed1", false, u"Alt+2"},
    {&TMainForm::SpeedButtonUst2Click, u"SpeedButtonUst2", u"Вставка эффекта Скорости", u"/S3",
     u"speed2", false, u"Alt+3"},
    {&TMainForm::SpeedButtonUst5Click, u"SpeedButtonUst5", u"Вставка эффекта Скорости", u"/S5",
     u"speed3", false, u"Alt+4"},
    {&TMainForm::SpeedButtoSpeedUst1Click, u"SpeedButtoSpeedUst1", u"Вставка эффекта Скорости",
     u"/S7", u"speed4", true, u"Alt+5"},
    {&TMainForm::SpeedButtonWait1Click, u"SpeedButtonWait1", u"Вставка задержки короткой", u"/W1",
     u"wait1", false, u"Alt+6"},
    {&TMainForm::SpeedButtonWait3Click, u"SpeedButtonWait3", u"Вставка  задержки средней", u"/W4",
     u"wait2", false, u"Alt+7"},
    {&TMainForm::SpeedButtonWait5Click, u"SpeedButtonWait5", u"Вставка  задержки  длинной", u"/W7",
     u"wait3", true, u"Alt+8"},
    {&TMainForm::SpeedButtonClClick, u"SpeedButtonCl", u"Вставка эффекта очистки", u"/Q1", u"clear",
     false, u"Ctrl+Shift+Q"},
    {&TMainForm::SpeedButtonFillClick, u"SpeedButtonFill", u"Вставка эффекта заполнения", u"/F1",
     u"fill", false, u"Ctrl+Shift+F"},
    {&TMainForm::SpeedButtonUpClick, u"SpeedButtonUp", u"Вставка эффекта уход вворх", u"/U1", u"up",
     false, u"Ctrl+Shift+U"},
    {&TMainForm::SpeedButtonDownClick, u"SpeedButtonDown", u"Вставка эффекта уход вниз", u"/D1",
     u"down", false, u"Ctrl+Shift+D"},
    {&TMainForm::SpeedButtonRazbClick, u"SpeedButtonRazb",
     u"Вставка эффекта разбежки в разные стороны", u"/J1", u"apart", true, u"Ctrl+Shift+J"},
    {&TMainForm::SpeedButtonInvClick, u"SpeedButtonInv", u"Вставка эффекта инверсии", u"/I1",
     u"inverse-on", false, u"Ctrl+Shift+I"},
    {&TMainForm::SpeedButton1Click, u"SpeedButton1", u"Устранение эффекта инверсии", u"/N1",
     u"inverse-off", false, u"Ctrl+Shift+N"},
};
