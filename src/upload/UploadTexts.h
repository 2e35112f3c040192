#pragma once

#include <QStringView>

// Every text the uploads show, exactly as the operator sees it: blanks at the ends count.
namespace uploadtext {

inline constexpr QStringView Cancel = u"Отменить";
inline constexpr QStringView CancelHint = u"Остановить передачу (Esc)";
inline constexpr QStringView TimeLeft = u"осталось %1";

// Serial port and uploads
inline constexpr QStringView PortOpenFailedStatus = u" COM Порт не удалось открыть!";
inline constexpr QStringView PortOpenFailedBox = u"Не могу открыть порт";
inline constexpr QStringView PortConfigFailed = u"Не могу сконфигурировать порт";
inline constexpr QStringView Preparing = u" Подготовка к передаче ...";
inline constexpr QStringView SendingText = u" Передача текста ...";
inline constexpr QStringView SendDone = u" Передача завершена";
inline constexpr QStringView FontTime = u" Время передачи 18 sec ";
inline constexpr QStringView SendingFont = u" Загрузка знакогенератора...";
inline constexpr QStringView SendFailedStatus = u" Передача не завершена";
inline constexpr QStringView SendFailedBox = u"Передача не завершена";
inline constexpr QStringView PortNotChosen = u"Порт не выбран в меню \"СОМ Порт\".";
inline constexpr QStringView TooLongStatus = u" Текст слишком длинный для передачи";
inline constexpr QStringView TooLongBox = u"Текст слишком длинный для передачи";
inline constexpr QStringView TooLongDetails =
    u"Кадр текста занял бы %1 байт, а передать можно не больше %2 байт.";

// Our own: what the progress area keeps after an upload, until the next edit or upload.
inline constexpr QStringView SummaryTextSent = u"Передано %1 за %2 с";
inline constexpr QStringView SummaryFontSent = u"Передан знакогенератор: %1 за %2 с";
inline constexpr QStringView SummaryNotOpened = u"Порт не открыт: на знаке остался прежний %1";
inline constexpr QStringView SummaryCancelled = u"Передача отменена: на знаке остался прежний %1";
inline constexpr QStringView SummaryUnfinished =
    u"Передача не завершена: на знаке остался прежний %1";
inline constexpr QStringView SummaryText = u"текст";
inline constexpr QStringView SummaryFont = u"знакогенератор";
inline constexpr QStringView Bytes = u"%1 байт";
inline constexpr QStringView BytesFew = u"%1 байта"; // 2, 3, 4, 22, ... but not 12 to 14

// Our own: a sign behind an MQTT broker whose user has no password file in the settings.
inline constexpr QStringView BrokerPassword = u"Пароль пользователя %1 на брокере MQTT %2:";
inline constexpr QStringView NoPasswordGiven = u"пароль к брокеру не введён";

} // namespace uploadtext
