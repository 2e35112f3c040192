#pragma once

// The one place where Qt types meet the core's plain bytes and strings.

#include <QString>

#include <string>
#include <string_view>

namespace qtadapt {

// Core strings (paths, messages) are UTF-8.
inline std::string toStd(const QString& text) {
    return text.toStdString();
}
inline QString toQt(const std::string& text) {
    return QString::fromStdString(text);
}

// Windows-1251, the code page of every text the sign, the files and the settings hold.
// A character the code page cannot hold becomes "?"; `replaced`, when given, counts them.
std::string toCp1251(const QString& text, int* replaced = nullptr);
QString fromCp1251(std::string_view bytes);
// Whether the code page holds this character.
bool inCp1251(QChar c);

// A path as the settings and dialogs hold it (".\Tmp.txt") in the form the file system takes:
// on Linux "\" separates folders.
QString nativePath(const QString& heldName);

} // namespace qtadapt
