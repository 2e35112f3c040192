#pragma once

// Every text of the message document and its file commands, exactly as the operator sees it.
// The "С" of a Russian word is never Latin here; the caption has three blanks before "File:".

#include "base/Version.h"

#include <QStringView>

namespace doctext {

inline constexpr QStringView CaptionPrefix =
    u"Загрузчик для бегущей строки V" LUMETRA_VERSION "   File: ";
inline constexpr QStringView OpenTitle = u"Open";
inline constexpr QStringView SaveAsTitle = u"Save AS";

inline constexpr QStringView DefaultNewName = u".\\User.txt";
inline constexpr QStringView BackupName = u".\\Tmp.txt";
inline constexpr QStringView Reading = u"Чтение файла: ";
inline constexpr QStringView Writing = u"Запись файла: ";
inline constexpr QStringView Clearing = u"Очистка рабочего пространства...";
inline constexpr QStringView AskSavePrefix = u"Записать файл <";
inline constexpr QStringView AskSaveSuffix = u"> ?";
inline constexpr QStringView AskOverwrite = u"Такой файл существует. Переписать?";
inline constexpr QStringView AskOverwriteSaveAs = u"Файл с таким именем существует, переписать?";
inline constexpr QStringView CannotOpen = u"Cannot open file ";
inline constexpr QStringView CannotCreate = u"Cannot create file ";
inline constexpr QStringView OpenFilter = u"Текстовые файлы   *.txt|*.txt|Все файлы|*.*";
inline constexpr QStringView SaveFilter = u"Текстовые файлы   *.txt|*.txt";
inline constexpr QStringView SaveDefaultSuffix = u"txt";

// Our own. The conversion messages are short enough for the 150-pixel message panel.
inline constexpr QStringView ConvertedFromUtf8 = u"Из UTF-8 в Win-1251";
inline constexpr QStringView ConvertedWithReplaced = u"Из UTF-8; \"?\": %1";
inline constexpr QStringView NameWithLineBreak =
    u"В имени файла есть перевод строки, такое имя не принимается";

} // namespace doctext
