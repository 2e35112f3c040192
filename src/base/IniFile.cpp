#include "base/IniFile.h"

#include "base/AppError.h"
#include "base/AtomicFile.h"
#include "base/FileNames.h"
#include "base/SystemError.h"

#include <filesystem>
#include <vector>

namespace {

constexpr std::size_t MaxIniBytes = 16u << 20;

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

// One line of the file with its own line ending, so unchanged lines are written back as read.
struct Line {
    std::string text;
    std::string ending;
};

std::vector<Line> splitLines(const std::string& data) {
    std::vector<Line> lines;
    std::size_t start = 0;
    while (start < data.size()) {
        const auto nl = data.find('\n', start);
        if (nl == std::string::npos) {
            lines.push_back({data.substr(start), ""});
            break;
        }
        std::size_t end = nl;
        if (end > start && data[end - 1] == '\r')
            --end;
        lines.push_back({data.substr(start, end - start), data.substr(end, nl + 1 - end)});
        start = nl + 1;
    }
    return lines;
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
        return readRegularFile(path, MaxIniBytes);
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
    const auto lines = splitLines(readIfPossible(m_path));
    bool inSection = false;
    for (const auto& line : lines) {
        std::string_view name, k, v;
        if (sectionName(line.text, name)) {
            inSection = iniNamesEqual(name, section);
        } else if (inSection && keyLine(line.text, k, v) && iniNamesEqual(k, key)) {
            return std::string(v.substr(0, MaxValueLength));
        }
    }
    return std::string(fallback);
}

void IniFile::WriteString(std::string_view section, std::string_view key, std::string_view value) {
    const auto fail = [&] { throw AppError("Unable to write to " + m_path); };
    // A line break would end the entry early and start lines of its own (a section, a key)
    // that the next read believes.
    if (hasLineBreak(section) || hasLineBreak(key) || hasLineBreak(value))
        fail();

    std::string data;
    try {
        data = readRegularFile(m_path, MaxIniBytes);
    } catch (const std::system_error& e) {
        if (!isNotFoundError(e.code().value()))
            fail();
    }
    auto lines = splitLines(data);
    std::string eol = "\r\n";
    for (const auto& line : lines)
        if (!line.ending.empty()) {
            eol = line.ending;
            break;
        }
    const std::string entry = std::string(key) + "=" + std::string(value);

    // Find the section, the key inside it, and the last non-blank line of the section.
    std::ptrdiff_t sectionAt = -1, keyAt = -1, lastInSection = -1;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        std::string_view name, k, v;
        if (sectionName(lines[i].text, name)) {
            if (sectionAt >= 0)
                break;
            if (iniNamesEqual(name, section))
                sectionAt = lastInSection = static_cast<std::ptrdiff_t>(i);
        } else if (sectionAt >= 0) {
            if (!trim(lines[i].text).empty())
                lastInSection = static_cast<std::ptrdiff_t>(i);
            if (keyLine(lines[i].text, k, v) && iniNamesEqual(k, key)) {
                keyAt = static_cast<std::ptrdiff_t>(i);
                break;
            }
        }
    }

    if (keyAt >= 0) {
        lines[keyAt].text = entry;
    } else if (sectionAt >= 0) {
        if (lines[lastInSection].ending.empty())
            lines[lastInSection].ending = eol;
        lines.insert(lines.begin() + lastInSection + 1, Line{entry, eol});
    } else {
        if (!lines.empty() && lines.back().ending.empty())
            lines.back().ending = eol;
        lines.push_back({"[" + std::string(section) + "]", eol});
        lines.push_back({entry, eol});
    }

    std::string out;
    for (const auto& line : lines)
        out += line.text + line.ending;

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
