#pragma once

#include <QString>
#include <QStringView>

#include <string>
#include <string_view>

// How the message's Windows-1251 bytes look in the editor and back.
//
// Printable characters are themselves. A control byte (0x00-0x1F apart from TAB and the line
// breaks, and 0x7F) is shown as its Unicode control picture, NUL as U+2400 and so on, so that
// the operator sees what the sign will get; 0x98, the one byte the code page leaves unassigned,
// is shown as U+FFFD. Saving turns each picture back into its byte, so a file with such bytes
// keeps them.
namespace messagetext {

// What the editor holds for a file's bytes whose line breaks are already LF.
QString fromFileBytes(std::string_view bytes);

// The bytes of the editor's raw text (paragraph separators between lines): line breaks become
// CR LF. A character the code page cannot hold becomes "?" (it never gets in; see clean()).
std::string toFileBytes(QStringView raw);

// Text about to enter the editor by typing, paste or drop: line breaks of any kind become one
// LF, control characters their pictures, and every character the code page cannot hold "?".
// `replaced` counts the "?" put in.
QString clean(QStringView text, int* replaced);

} // namespace messagetext
