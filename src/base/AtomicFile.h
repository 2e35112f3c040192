#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <system_error>

// Why a file could not be read or replaced, the one failure of every function here: the
// system's error number (errno; on Windows GetLastError's, see SystemError.h), also as code().
// A replacement's data that found no room gives ENOSPC, EDQUOT or EFBIG (ERROR_DISK_FULL), a
// disk that failed it EIO.
class FileError : public std::system_error {
public:
    explicit FileError(int err); // 0, a write that took nothing, counts as no room left
    int err() const { return code().value(); }
};

// Replaces the file at `path` with `bytes` so that it is either the old file or the whole new
// one, never a mix: the bytes go to a temporary file beside it, which is then renamed over it.
// A symbolic link stays a link (the file it points to is replaced). A name that is not a
// regular file (a folder, a FIFO, a device) is refused, and so is a file without write
// permission, even for root. The permissions of an existing file are kept. The file and then
// its folder are synced, so a reported replacement survives a power loss. On Windows a
// read-only or folder name is refused with ERROR_ACCESS_DENIED, and links are not followed.
// Throws FileError.
void replaceFileAtomically(const std::string& path, std::span<const std::uint8_t> bytes);

// Reads a whole regular file of at most `maxBytes`. Refuses folders, FIFOs and devices (they
// could block or never end) with EISDIR/EINVAL, larger files with EFBIG (on Windows:
// ERROR_ACCESS_DENIED, ERROR_INVALID_FUNCTION, ERROR_FILE_TOO_LARGE). Throws FileError.
std::string readRegularFile(const std::string& path, std::size_t maxBytes);

// Reads the first `into.size()` bytes of a regular file, or all it has when it is shorter, and
// returns how many were read. Refuses what readRegularFile refuses. Throws FileError.
std::size_t readFileStart(const std::string& path, std::span<std::uint8_t> into);

// The file a chain of symbolic links ends at (the name itself when it is none).
std::string resolveSymlinks(const std::string& path);

// What a name stands for (links followed), so that a refusal can say why in words.
enum class FileKind { Missing, Regular, Folder, Fifo, Device, Socket, Other };
FileKind fileKind(const std::string& path);
