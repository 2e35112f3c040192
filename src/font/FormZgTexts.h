#pragma once

// Every text the font editor shows, byte for byte in one place. Some look alike but are not:
// the first letter of the New button's hint is the Latin "C".

namespace zgtext {

inline constexpr char CaptionAtBuild[] = "Редактор знакогенератора";
inline constexpr char CaptionPrefix[] = "Редактор шрифта: ";

inline constexpr char HintSpeedButtonNew[] = "Cоздать новый знакогенератор";
inline constexpr char HintSpeedButtonOpen[] = "открыть знакогенератор";
inline constexpr char HintSpeedButtonSave[] = "сохранить знакогенератор";
inline constexpr char HintSpeedButtonCopy[] = "символ с рабочего поля в буфер";
inline constexpr char HintSpeedButtonPaste[] = "символ в рабочее поле из буфера";
inline constexpr char HintSpeedButtonUndo[] = "Вернуть последнее изменение";
inline constexpr char HintSpeedButtonClearSym[] = "Очистить рабочее поле";
inline constexpr char HintSpeedButtonInvers[] = "инвертировать поле";
inline constexpr char HintSpeedButtonTx[] = "загрузить знакогенератор во внешнее устройство";
inline constexpr char HintScrollBarSimb[] = "установка символа";

// Two blanks before "столбце" and two at the end.
inline constexpr char LabelOpis[] =
    "При создании символа необходимо не допускать пробелов в самом левом  "
    "столбце знакогенератора. При создании буквы -Ы- необходимо правую палочку писать слитно.  ";

// Our own question before a font upload that would blank the sign.
inline constexpr char AskEmptyFont[] =
    "Шрифт пуст: в символах с 32 по 255 нет ни одной точки. После загрузки табло не покажет "
    "ни одной буквы. Всё равно загрузить?";

inline constexpr char OpenFilter[] = "растровый знакогенератор *.zg|*.zg|Все файлы|*.*";
inline constexpr char SaveFilter[] = "растровый знакогенератор *.zg|*.zg";
inline constexpr char SaveSuffix[] = "zg";
inline constexpr char OpenTitle[] = "Открыть знакогенератор";
inline constexpr char SaveTitle[] = "Сохранить знакогенератор";

inline constexpr char NameWithLineBreak[] =
    "В имени файла есть перевод строки, такое имя не принимается";

inline constexpr char AskCloseUnsaved[] =
    "Не удалось сохранить шрифт. Закрыть редактор без сохранения?";

// Our own question before the close writes the font over a file of another size.
inline constexpr char AskReplaceOtherFile[] =
    "Файл %1 не похож на файл шрифта (%2 байт). Записать шрифт поверх него?";

// The font file when the remembered one does not exist.
inline constexpr char FallbackFontFile[] = ".\\Tmp.zg";

} // namespace zgtext
