#pragma once

#include <string>
#include <string_view>

// A Windows-style INI file. Names and values are Windows-1251 bytes; section and key names
// match without regard to letter case; a value read is trimmed and at most 2047 characters.
// Nothing is cached: every read looks at the file as it is now, every write rewrites it.
class IniFile {
public:
    static constexpr std::size_t MaxValueLength = 2047;
    // A larger file is not read (every entry gives its default) and never written.
    static constexpr std::size_t MaxFileBytes = 16u << 20;
    // Said after "Unable to write to <path>" when the limit stopped the write.
    static constexpr const char* TooLargeReason = "Файл настроек больше 16 МБ.";

    explicit IniFile(std::string path) : m_path(std::move(path)) {}

    const std::string& path() const { return m_path; }

    // The value, or `fallback` when the file, the section or the key is missing or unreadable.
    std::string ReadString(std::string_view section, std::string_view key,
                           std::string_view fallback) const;

    // True when the file is there and over MaxFileBytes, so its entries are not read.
    bool tooLarge() const;

    // Replaces the key's value in place, or adds the key to its section, or appends the
    // section; every other line stays byte for byte. The file (and its folder) is created when
    // missing and replaced atomically, so a failure never leaves it half-written; a symbolic
    // link stays a link. A name or value holding CR or LF is never written. Throws AppError
    // "Unable to write to <path>" on failure, with TooLargeReason on a line of its own when
    // the file is over MaxFileBytes or would grow over it.
    void WriteString(std::string_view section, std::string_view key, std::string_view value);

private:
    std::string m_path;
};

// Case-insensitive equality over ASCII and the Windows-1251 Cyrillic letters.
bool iniNamesEqual(std::string_view a, std::string_view b);
