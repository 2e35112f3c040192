#include "base/IniFile.h"

#include "base/AppError.h"
#include "base/AtomicFile.h"
#include "base/FileNames.h"
#include "base/SystemError.h"

#include <filesystem>
#include <optional>

namespace {

unsigned char foldCase(unsigned char c) {
    if (c >= 'a' && c <= 'z')
        return static_cast<unsigned char>(c - 'a' + 'A');
    if (c >= 0xE0) // Windows-1251 small а..я
        return static_cast<unsigned char>(c - 0x20);
    if (c == 0xB8) // ё
        return 0xA8;
    return c;
}

std::string_view trim(std::string_view s) {
    const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    while (!s.empty() && blank(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && blank(s.back()))
        s.remove_suffix(1);
    return s;
}

// One line of the file: its text and its own line ending, so unchanged lines are written back
// as read. Views into the file's bytes; lines are taken one at a time, so a file of millions of
// blank lines costs no more memory than its bytes.
struct Line {
    std::string_view text;
    std::string_view ending;
    std::size_t at = 0; // where the line starts in the file
    std::size_t end() const { return at + text.size() + ending.size(); }
};

// Calls `take` for each line until it returns false.
template <typename Take> void eachLine(std::string_view data, Take take) {
    std::size_t start = 0;
    while (start < data.size()) {
        const auto nl = data.find('\n', start);
        Line line;
        line.at = start;
        if (nl == std::string_view::npos) {
            line.text = data.substr(start);
            start = data.size();
        } else {
            std::size_t textEnd = nl;
            if (textEnd > start && data[textEnd - 1] == '\r')
                --textEnd;
            line.text = data.substr(start, textEnd - start);
            line.ending = data.substr(textEnd, nl + 1 - textEnd);
            start = nl + 1;
        }
        if (!take(line))
            return;
    }
}

// The section name of a "[name]" line, or nothing.
bool sectionName(std::string_view line, std::string_view& name) {
    line = trim(line);
    if (line.size() < 2 || line.front() != '[')
        return false;
    const auto close = line.find(']');
    if (close == std::string_view::npos)
        return false;
    name = trim(line.substr(1, close - 1));
    return true;
}

bool keyLine(std::string_view line, std::string_view& key, std::string_view& value) {
    const auto eq = line.find('=');
    if (eq == std::string_view::npos)
        return false;
    key = trim(line.substr(0, eq));
    value = trim(line.substr(eq + 1));
    return !key.empty();
}

std::string readIfPossible(const std::string& path) {
    try {
        return readRegularFile(path, IniFile::MaxFileBytes);
    } catch (const std::exception&) {
        return {};
    }
}

} // namespace

bool iniNamesEqual(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (foldCase(static_cast<unsigned char>(a[i])) !=
            foldCase(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

std::string IniFile::ReadString(std::string_view section, std::string_view key,
                                std::string_view fallback) const {
    const std::string data = readIfPossible(m_path);
    std::optional<std::string> found;
    bool inSection = false;
    eachLine(data, [&](const Line& line) {
        std::string_view name, k, v;
        if (sectionName(line.text, name))
            inSection = iniNamesEqual(name, section);
        else if (inSection && keyLine(line.text, k, v) && iniNamesEqual(k, key))
            found = std::string(v.substr(0, MaxValueLength));
        return !found;
    });
    return found ? *found : std::string(fallback);
}

bool IniFile::tooLarge() const {
    std::error_code error;
    const auto size = std::filesystem::file_size(m_path, error);
    return !error && size > MaxFileBytes;
}

void IniFile::WriteString(std::string_view section, std::string_view key, std::string_view value) {
    const auto fail = [&](const char* reason = nullptr) {
        throw AppError("Unable to write to " + m_path + (reason ? std::string("\n") + reason : ""));
    };
    // A line break would end the entry early and start lines of its own (a section, a key)
    // that the next read believes.
    if (hasLineBreak(section) || hasLineBreak(key) || hasLineBreak(value))
        fail();

    std::string data;
    try {
        data = readRegularFile(m_path, MaxFileBytes);
    } catch (const FileError& e) {
        if (isTooLargeError(e.err()))
            fail(TooLargeReason);
        if (!isNotFoundError(e.err()))
            fail();
    }
    std::string eol = "\r\n";
    eachLine(data, [&](const Line& line) {
        if (line.ending.empty())
            return true;
        eol = line.ending;
        return false;
    });
    const std::string entry = std::string(key) + "=" + std::string(value);

    // Find the section, the key inside it, and the last non-blank line of the section.
    std::optional<Line> sectionAt, keyAt, lastInSection;
    eachLine(data, [&](const Line& line) {
        std::string_view name, k, v;
        if (sectionName(line.text, name)) {
            if (sectionAt)
                return false;
            if (iniNamesEqual(name, section))
                sectionAt = lastInSection = line;
        } else if (sectionAt) {
            if (!trim(line.text).empty())
                lastInSection = line;
            if (keyLine(line.text, k, v) && iniNamesEqual(k, key)) {
                keyAt = line;
                return false;
            }
        }
        return true;
    });

    // The new file: the old one with the entry put in place, spliced around one point.
    const std::string_view all = data;
    std::string out;
    const auto splice = [&](std::size_t cut, std::string_view insert, std::size_t resume) {
        out.reserve(data.size() + insert.size());
        out.append(all.substr(0, cut)).append(insert).append(all.substr(resume));
    };
    if (keyAt) {
        splice(keyAt->at, entry, keyAt->at + keyAt->text.size());
    } else {
        const std::size_t after = sectionAt ? lastInSection->end() : data.size();
        const bool unended = after > 0 && data[after - 1] != '\n';
        std::string insert = unended ? eol : std::string();
        if (!sectionAt)
            insert += "[" + std::string(section) + "]" + eol;
        insert += entry + eol;
        splice(after, insert, after);
    }
    // Read back, a file over the limit would be taken for a missing one.
    if (out.size() > MaxFileBytes)
        fail(TooLargeReason);

    try {
        const auto folder = std::filesystem::path(m_path).parent_path();
        if (!folder.empty())
            std::filesystem::create_directories(folder);
        replaceFileAtomically(m_path,
                              {reinterpret_cast<const std::uint8_t*>(out.data()), out.size()});
    } catch (const std::exception&) {
        fail();
    }
}
