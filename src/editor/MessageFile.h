#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// Message files: Windows-1251 text, lines separated by CR LF.
namespace messagefile {

// Larger files are refused: the editor could not hold them sensibly and the sign takes at most
// a few ten thousand characters anyway.
inline constexpr std::size_t MaxBytes = 16u * 1024u * 1024u;

// A file's bytes with every line break as one LF: CR LF, a lone LF (files written elsewhere)
// and a lone CR all end a line. Every other byte, NUL included, stays as it is.
std::string withLfBreaks(std::string_view fileBytes);

// The bytes the editor gives back for a file's bytes, as saved and as sent: every line break,
// whatever it was in the file, becomes CR LF.
std::string withCrLfBreaks(std::string_view fileBytes);

} // namespace messagefile
