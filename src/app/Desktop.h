#pragma once

#include <QPalette>

class QApplication;
class QTranslator;

// How the program fits into the desktop it runs on: Qt's own texts in Russian and a palette
// every fixed colour of the windows reads on.
namespace desktop {

// Loads Qt's Russian translations (standard buttons, file and font dialogs) from Qt's
// translations folder and installs them. False when they are not installed; the program then
// runs with Qt's English texts.
bool installQtTranslations(QApplication& app, QTranslator& translator);

// Whether text on this palette's window and base is lighter than the background.
bool isDark(const QPalette& palette);

// The light palette the windows are designed for: black text on white, button-face grey.
QPalette lightPalette();

// A dark palette such as a dark desktop theme gives.
QPalette darkPalette();

// LUMETRA_PALETTE=dark stands in for a dark desktop theme (the Fusion style with darkPalette()),
// so tests and screenshots can see one anywhere. Then: a dark palette is replaced by
// lightPalette(), since the editor's black standard text, the font editor's maroon note and
// grey grid, and the black outlines of the pictures are all fixed colours that read only on a
// light background. A light desktop palette is kept as it is.
void applyPalette(QApplication& app);

} // namespace desktop
