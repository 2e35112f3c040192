#include "font/FontTable.h"

#include "base/AppError.h"
#include "base/AtomicFile.h"

#include <algorithm>
#include <cerrno>
#include <system_error>

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/stat.h>
#endif

namespace {

constexpr int FileNotFound = 2;
constexpr int InvalidFilename = 3;
constexpr int TooManyOpenFiles = 4;
constexpr int AccessDenied = 5;
constexpr int ReadBeyondEnd = 100;
constexpr int DiskFull = 101;

#ifndef _WIN32
bool folderExists(const std::string& path) {
    const auto slash = path.rfind('/');
    const std::string folder =
        slash == std::string::npos ? std::string(".") : path.substr(0, slash == 0 ? 1 : slash);
    struct stat st {};
    return ::stat(folder.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}
#endif

[[noreturn]] void fail(int err, const std::string& path) {
    ZgError e = zgErrorFor(err, path);
    throw IoError(e.code, e.text, e.numberOnly ? err : 0);
}

} // namespace

#ifdef _WIN32

// Windows' own numbers are the ones the operator is told; only their texts are ours.
ZgError zgErrorFor(int err, const std::string&) {
    switch (err) {
    case ERROR_FILE_NOT_FOUND:
        return {FileNotFound, "File not found"};
    case ERROR_PATH_NOT_FOUND:
        return {InvalidFilename, "Invalid filename"};
    case ERROR_TOO_MANY_OPEN_FILES:
        return {TooManyOpenFiles, "Too many open files"};
    case ERROR_ACCESS_DENIED:
        return {AccessDenied, "File access denied"};
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
        return {DiskFull, "Disk full"};
    default:
        return {err, "I/O error " + std::to_string(err), true};
    }
}

#else

ZgError zgErrorFor(int err, const std::string& path) {
    switch (err) {
    case ENOENT:
        // Windows tells a missing file from a missing folder; so do we.
        if (folderExists(path))
            return {FileNotFound, "File not found"};
        return {InvalidFilename, "Invalid filename"};
    case ENOTDIR:
        return {InvalidFilename, "Invalid filename"};
    case EMFILE:
    case ENFILE:
        return {TooManyOpenFiles, "Too many open files"};
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR: // a folder in the file's place is refused as Windows refuses it
        return {AccessDenied, "File access denied"};
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
        return {DiskFull, "Disk full"};
    default:
        return {err, "I/O error " + std::to_string(err), true};
    }
}

#endif

void FontTables::ClearFont() {
    FontTable.fill(0);
    changed();
}

void FontTables::ClearSymbol(int n) {
    std::fill_n(symbol(n), SymbolBytes, std::uint8_t{0});
    changed();
}

void FontTables::InvertSymbol(int n) {
    std::uint8_t* s = symbol(n);
    for (std::size_t i = 0; i < SymbolBytes; ++i)
        s[i] = static_cast<std::uint8_t>(~s[i]);
    changed();
}

bool FontTables::DotIsSet(int n, int c, int r) const {
    return (symbol(n)[c] >> r) & 1u;
}

void FontTables::SetDot(int n, int c, int r) {
    symbol(n)[c] = static_cast<std::uint8_t>(symbol(n)[c] | (1u << r));
    changed();
}

void FontTables::ClearDot(int n, int c, int r) {
    symbol(n)[c] = static_cast<std::uint8_t>(symbol(n)[c] & ~(1u << r));
    changed();
}

void FontTables::CopySymbol(int n) {
    std::copy_n(symbol(n), SymbolBytes, SymbolClip.begin());
}

void FontTables::PasteSymbol(int n) {
    std::copy_n(SymbolClip.begin(), SymbolBytes, symbol(n));
    changed();
}

void FontTables::TakeUndoCopy() {
    UndoTable = FontTable;
}

void FontTables::ShiftSymbolLeft(int n) {
    std::uint8_t* s = symbol(n);
    std::copy(s + 1, s + SymbolBytes, s);
    s[SymbolBytes - 1] = 0;
    changed();
}

void FontTables::ShiftSymbolRight(int n) {
    std::uint8_t* s = symbol(n);
    std::copy_backward(s, s + SymbolBytes - 1, s + SymbolBytes);
    s[0] = 0;
    changed();
}

void FontTables::ShiftSymbolUp(int n) {
    std::uint8_t* s = symbol(n);
    for (std::size_t i = 0; i < SymbolBytes; ++i)
        s[i] = static_cast<std::uint8_t>(s[i] >> 1);
    changed();
}

void FontTables::ShiftSymbolDown(int n) {
    std::uint8_t* s = symbol(n);
    for (std::size_t i = 0; i < SymbolBytes; ++i)
        s[i] = static_cast<std::uint8_t>(s[i] << 1);
    changed();
}

void FontTables::MirrorSymbol(int n) {
    std::reverse(symbol(n), symbol(n) + SymbolBytes);
    changed();
}

void FontTables::FlipSymbol(int n) {
    std::uint8_t* s = symbol(n);
    for (std::size_t i = 0; i < SymbolBytes; ++i) {
        std::uint8_t flipped = 0;
        for (int r = 0; r < 8; ++r)
            if ((s[i] >> r) & 1u)
                flipped = static_cast<std::uint8_t>(flipped | (0x80u >> r));
        s[i] = flipped;
    }
    changed();
}

void FontTables::SymbolToLeft(int n) {
    std::uint8_t* s = symbol(n);
    std::uint8_t* first = std::find_if(s, s + SymbolBytes, [](std::uint8_t c) { return c != 0; });
    if (first != s + SymbolBytes) {
        const std::uint8_t* end = std::copy(first, s + SymbolBytes, s);
        std::fill(s + (end - s), s + SymbolBytes, std::uint8_t{0});
    }
    changed();
}

bool FontTables::allBlank(int first, int last) const {
    return std::all_of(symbol(first), symbol(last) + SymbolBytes,
                       [](std::uint8_t column) { return column == 0; });
}

void FontTables::RestoreUndoCopy() {
    FontTable = UndoTable;
    changed();
}

void FontTables::LoadZg(const std::string& path) {
    std::array<std::uint8_t, TableBytes> buffer{};
    std::size_t done = 0;
    try {
        done = readFileStart(path, buffer);
    } catch (const FileError& e) {
        fail(e.err(), path);
    }
    std::copy_n(buffer.begin(), done, FontTable.begin());
    if (done > 0)
        changed();
    if (done < buffer.size())
        throw IoError(ReadBeyondEnd, "Read beyond end of file");
}

void FontTables::SaveZg(const std::string& path) {
    try {
        replaceFileAtomically(path, FontTable);
    } catch (const FileError& e) {
        fail(e.err(), resolveSymlinks(path));
    }
}
