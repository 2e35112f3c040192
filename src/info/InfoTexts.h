#pragma once

// Every text the help, connection-diagram and About windows show, in one place.

#include "base/Version.h"

namespace infotexts {

inline constexpr char16_t HelpCaption[] = u"Справка";
inline constexpr char16_t DiagramCaption[] = u"Схема подключения";

inline constexpr char16_t AboutCaption[] = u"О программе";
// Six blanks after the version, two before the year.
inline constexpr char16_t VersionLine[] = u"Lumetra V" LUMETRA_VERSION "      (c)  2026";
inline constexpr char16_t MakerTownPhone[] = u"Example Town, +0 000 000-00-00";
inline constexpr char16_t AuthorName[] = u"The Lumetra developers";
inline constexpr char16_t ContactEmail[] = u"lumetra@example.org";
inline constexpr char16_t MailScheme[] = u"mailto:";
inline constexpr char16_t LogoName[] = u"Lumetra";
inline constexpr char16_t WebIntro[] =
    u"Новая версия программы и дополнительная информация на сайте  ";
inline constexpr char16_t WebAddress[] = u"www.example.org";
inline constexpr char16_t WebScheme[] = u"http://";
inline constexpr char16_t OkCaption[] = u"OK";

inline constexpr char16_t NoCpuInfo[] = u"No info about CPU";
inline constexpr char16_t NoDosVersion[] = u"No info about DOS version";
inline constexpr char16_t NoWinVersion[] = u"No info about WIN version";
inline constexpr char16_t HddPlaceholder[] = u"LabelHDD";
inline constexpr char16_t Today[] = u"Сегодня";
inline constexpr char16_t TodayPrefix[] = u"Сегодня ";
inline constexpr char16_t TimePlaceholder[] = u"LabelTime";
inline constexpr char16_t TimePrefix[] = u"Время идет ";

} // namespace infotexts
