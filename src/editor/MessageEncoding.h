#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// How a message file's bytes become the Windows-1251 text the editor and the sign hold.
//
// Files written here are Windows-1251. Files written by today's editors are often UTF-8; those
// are recognised and converted. Russian Windows-1251 text is practically never valid UTF-8 (a
// capital letter would have to be followed by punctuation from 0x80-0xBF, a small letter by
// two of them), so existing files keep loading byte for byte.
enum class MessageEncoding { Auto, Cp1251, Utf8 };

struct DecodedMessage {
    std::string cp1251;       // the text as Windows-1251 bytes, line breaks untouched
    std::size_t replaced = 0; // characters Windows-1251 cannot hold, now "?"
    bool converted = false;   // read as UTF-8 (BOM, or valid UTF-8 with non-ASCII bytes)
};

// Auto: a UTF-8 byte-order mark, or valid UTF-8 holding at least one non-ASCII character,
// reads as UTF-8 (the mark dropped); anything else is Windows-1251 byte for byte.
// Read as UTF-8, each byte that starts no valid sequence becomes one "?", counted.
DecodedMessage decodeMessage(std::string_view fileBytes,
                             MessageEncoding encoding = MessageEncoding::Auto);
