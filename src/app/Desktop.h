#pragma once

#include <QPalette>

#include <future>

class QApplication;
class QStyle;
class QTranslator;

// How the program fits into the desktop it runs on: Qt's own texts in Russian, a palette every
// fixed colour of the windows reads on, and a style that loads no image plugin it need not.
namespace desktop {

// Reads the system's font configuration on a thread of its own, to be called before the
// application object is made: Qt reads it when the first window lays out its first text, and
// otherwise the program waits the whole reading then. Wait for it before the first window is
// made, so Qt never reads it a second time beside it. Nothing to wait for (an invalid future)
// where Qt does not take its fonts from fontconfig.
std::future<void> readFontConfigurationAhead();

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

// `base` (owned by what is returned) with its standard pictures (tool bar extension arrows,
// dialog buttons, the file dialog's folders and files, media buttons, Fusion's group box frame)
// read as the PNG files they are. Qt's styles read them by file name alone, and Qt then loads
// every image-format plugin installed to ask whether it reads PNG. Right-to-left layouts,
// pictures drawn from built-in data and any picture Qt no longer has are left to `base`.
QStyle* pictureStyle(QStyle* base);

// Puts the application's current style inside pictureStyle(), where Qt may bring image-format
// plugins the program does not need: not on Windows, whose build deploys the JPEG one alone.
void usePictureStyle();

} // namespace desktop
