#pragma once

#include <QString>

// A folder of the program's own for the file names it keeps relative to the working folder
// (the backup text, the new document, the last font). A menu launcher starts programs in the
// home folder, which those names would litter; the desktop entry therefore passes
// --data-folder. Started from a terminal without it, the program keeps the current folder.
namespace datafolder {

// The name the font editor loads on a first start.
inline constexpr char16_t FontName[] = u"Guard.zg";

// Our own texts: the folder (or the font file) and the system's reason.
inline constexpr char16_t CannotCreate[] = u"Не удалось создать папку данных %1: %2";
inline constexpr char16_t CannotEnter[] = u"Не удалось перейти в папку данных %1: %2";
inline constexpr char16_t CannotCopyFont[] = u"Не удалось записать начальный шрифт %1: %2";

// $XDG_DATA_HOME/lumetra, else ~/.local/share/lumetra.
QString defaultPath();

// Creates `folder` when missing, copies `starterFont` into it as "Guard.zg" when it holds no
// font yet, and makes it the working folder. A starter font that is not there only leaves the
// font empty, as on any first start. Throws AppError saying what failed and why.
void enter(const QString& folder, const QString& starterFont);

} // namespace datafolder
