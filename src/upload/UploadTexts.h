#pragma once

#include <QStringView>

// Texts of the upload's own controls.
namespace uploadtext {

inline constexpr QStringView Cancel = u"Отменить";
inline constexpr QStringView CancelHint = u"Остановить передачу (Esc)";
inline constexpr QStringView TimeLeft = u"осталось %1";

} // namespace uploadtext
