#pragma once

// Every text the main window shows, in one place, exactly as the operator sees it. Several
// words mix alphabets on purpose: "СОМ" and "Мах" are Cyrillic; the "C" of "Cоздать" and of
// " Cек" and the "c" of "  cимвол " are Latin.

#include <QStringView>

namespace mainform {

// Captions
inline constexpr QStringView DesignCaption = u"Загрузчик для бегущей строки";

inline constexpr QStringView EditorName = u"Текст сообщения";

// Menus
inline constexpr QStringView MenuFile = u"Файл";
inline constexpr QStringView MenuEdit = u"Правка";
inline constexpr QStringView MenuOptions = u"Опции";
inline constexpr QStringView MenuPort = u"СОМ Порт";
inline constexpr QStringView MenuHelp = u"Справка";

inline constexpr QStringView ItemNew = u"New";
inline constexpr QStringView ItemOpen = u"Open";
inline constexpr QStringView ItemSaveAs = u"Save AS";
inline constexpr QStringView ItemSave = u"Save";
inline constexpr QStringView ItemExit = u"Exit";
inline constexpr QStringView ItemCut = u"Вырезать в буфер";
inline constexpr QStringView ItemCopy = u"Копировать в буфер";
inline constexpr QStringView ItemPaste = u"Вставить из буфера";
inline constexpr QStringView ItemDelete = u"Удалить";
inline constexpr QStringView ItemSelectAll = u"Выделить все";
inline constexpr QStringView ItemStandardFormat = u"Установить типичные параметры текста";
inline constexpr QStringView ItemFontChoice = u"Выбор шрифта";
inline constexpr QStringView ItemAddBlanks = u"Добавить пробелы";
inline constexpr QStringView ItemShortLength = u"Мах длинна текта 6140 символов";
inline constexpr QStringView ItemLongLength = u"Мах длинна текта 59 000 символов";
inline constexpr QStringView ItemPortPrefix = u"соединить с COM ";
inline constexpr QStringView ItemUpload = u"Переслать файл во внешнее устройство";
inline constexpr QStringView ItemDevices = u"Выбор устройств..."; // our own
inline constexpr QStringView ItemAboutText = u"О программе";
inline constexpr QStringView ItemHelpText = u"Помощь";
inline constexpr QStringView ItemDiagramText = u"Схема подключения";

// Upper tool bar hints
inline constexpr QStringView HintNew = u"Cоздать новый файл";
inline constexpr QStringView HintOpen = u"открыть  файл";
inline constexpr QStringView HintSaveAs = u"Записать  файл как...";
inline constexpr QStringView HintSave = u"сохранить  файл";
inline constexpr QStringView HintSelectAll = u"Выбрать весь текст";
inline constexpr QStringView HintCut = u"Вырезать в буфер";
inline constexpr QStringView HintCopy = u"Копировать в буфер";
inline constexpr QStringView HintPaste = u"Вставить из буфера";
inline constexpr QStringView HintDelete = u"Удалить ";
inline constexpr QStringView HintStandard = u"Привести текст в стандарт ";
inline constexpr QStringView HintUpload = u"загрузить файл во внешнее устройство";
inline constexpr QStringView HintFontEditor = u"Открыть знаконератор ";
inline constexpr QStringView HintAbout = u"О программе";

// Status bar
inline constexpr QStringView PanelLengthStart = u"Длинна текста 0000 символов";
inline constexpr QStringView PanelTimeStart = u"Время передачи 00 сек";
inline constexpr QStringView PanelMessageStart = u"2";
inline constexpr QStringView Exiting = u"Выход из программы...";
inline constexpr QStringView SettingsTooLarge =
    u" Файл настроек %1 больше 16 МБ: он не прочитан, настройки взяты по умолчанию";
inline constexpr QStringView AskLeaveWithoutSettings =
    u"Не удалось сохранить настройки. Выйти без сохранения?";

// Message editor
inline constexpr QStringView ReplacedPrefix = u"Заменено на \"?\" символов: ";

// Message editor: caret readout, length monitor
inline constexpr QStringView CaretLine = u"строка ";
inline constexpr QStringView CaretColumn = u"  cимвол ";
inline constexpr QStringView LengthPrefix = u" Длинна текста ";
inline constexpr QStringView OverflowPrefix = u"Буфер переполнен на ";
inline constexpr QStringView CharactersSuffix = u" Символов ";
inline constexpr QStringView TimePrefix = u"Время передачи ";
inline constexpr QStringView SecondsSuffix = u" Cек";
inline constexpr QStringView MinutesSuffix = u" Мин ";

} // namespace mainform
