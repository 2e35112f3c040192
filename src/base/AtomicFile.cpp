#include "base/AtomicFile.h"

#include <cerrno>
#include <filesystem>
#include <system_error>

#ifdef _WIN32
#include <windows.h>
#endif

namespace {

#ifdef _WIN32
constexpr int NoRoomLeft = ERROR_DISK_FULL;
const std::error_category& numbers() {
    return std::system_category();
}
#else
constexpr int NoRoomLeft = ENOSPC;
const std::error_category& numbers() {
    return std::generic_category();
}
#endif

} // namespace

FileError::FileError(int err) : std::system_error(err ? err : NoRoomLeft, numbers()) {}

FileKind fileKind(const std::string& path) {
    namespace fs = std::filesystem;
    std::error_code ec;
    switch (fs::status(fs::path(path), ec).type()) {
    case fs::file_type::not_found:
        return FileKind::Missing;
    case fs::file_type::regular:
        return FileKind::Regular;
    case fs::file_type::directory:
        return FileKind::Folder;
    case fs::file_type::fifo:
        return FileKind::Fifo;
    case fs::file_type::character:
    case fs::file_type::block:
        return FileKind::Device;
    case fs::file_type::socket:
        return FileKind::Socket;
    default:
        return FileKind::Other;
    }
}

// Windows has its own in AtomicFileWin32.cpp.
#ifndef _WIN32

#include "base/UniqueFd.h"

#include <utility>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::string directoryOf(const std::string& path) {
    const auto slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

void syncFolder(const std::string& folder) {
    UniqueFd dir(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.get() < 0)
        throw FileError(errno);
    // Some file systems cannot sync a folder at all (EINVAL); there is nothing more to do.
    if (::fsync(dir.get()) != 0 && errno != EINVAL)
        throw FileError(errno);
}

mode_t currentUmask() {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return mask;
}

} // namespace

std::string resolveSymlinks(const std::string& path) {
    std::string current = path;
    for (int depth = 0; depth < 40; ++depth) {
        struct stat st {};
        if (::lstat(current.c_str(), &st) != 0 || !S_ISLNK(st.st_mode))
            return current;
        std::string target(static_cast<std::size_t>(st.st_size > 0 ? st.st_size : 4096), '\0');
        const ssize_t n = ::readlink(current.c_str(), target.data(), target.size());
        if (n < 0)
            return current;
        target.resize(static_cast<std::size_t>(n));
        current =
            (!target.empty() && target[0] == '/') ? target : directoryOf(current) + "/" + target;
    }
    return current;
}

void replaceFileAtomically(const std::string& path, std::span<const std::uint8_t> bytes) {
    const std::string target = resolveSymlinks(path);

    struct stat st {};
    const bool exists = ::stat(target.c_str(), &st) == 0;
    if (exists) {
        if (S_ISDIR(st.st_mode))
            throw FileError(EISDIR);
        if (!S_ISREG(st.st_mode))
            throw FileError(EINVAL);
        // A read-only file stays read-only for root too, as it would on the sign's home system.
        if ((st.st_mode & 0222) == 0 || ::access(target.c_str(), W_OK) != 0)
            throw FileError(EACCES);
    } else if (errno != ENOENT) {
        throw FileError(errno);
    }

    std::string temp = target + ".XXXXXX";
    UniqueFd fd(::mkostemp(temp.data(), O_CLOEXEC));
    if (fd.get() < 0)
        throw FileError(errno);

    auto fail = [&](int err) {
        ::unlink(temp.c_str());
        throw FileError(err);
    };

    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd.get(), bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            fail(n < 0 ? errno : ENOSPC);
        done += static_cast<std::size_t>(n);
    }
    if (::fsync(fd.get()) != 0)
        fail(errno);

    const mode_t mode = exists ? (st.st_mode & 07777) : (0666 & ~currentUmask());
    ::fchmod(fd.get(), mode);
    if (exists && ::fchown(fd.get(), st.st_uid, st.st_gid) != 0) {
        // Only root may give the file away; the owner's own files keep their owner anyway.
    }
    if (::close(fd.release()) != 0)
        fail(errno);
    if (::rename(temp.c_str(), target.c_str()) != 0)
        fail(errno);
    // Until the folder is on the disk too, a power loss can bring the old file back.
    syncFolder(directoryOf(target));
}

namespace {

// Opens a regular file for reading; refuses folders (EISDIR) and anything else (EINVAL).
UniqueFd openRegularFile(const std::string& path) {
    // O_NONBLOCK so that opening a FIFO cannot hang before fstat has told what it is.
    UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
    if (fd.get() < 0)
        throw FileError(errno);
    struct stat st {};
    if (::fstat(fd.get(), &st) != 0)
        throw FileError(errno);
    if (S_ISDIR(st.st_mode))
        throw FileError(EISDIR);
    if (!S_ISREG(st.st_mode))
        throw FileError(EINVAL);
    return fd;
}

// Reads into `into` until it is full or the file ends; returns how many bytes came.
std::size_t readSome(int fd, std::uint8_t* into, std::size_t size) {
    std::size_t done = 0;
    while (done < size) {
        const ssize_t n = ::read(fd, into + done, size - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            throw FileError(errno);
        if (n == 0)
            break;
        done += static_cast<std::size_t>(n);
    }
    return done;
}

} // namespace

std::string readRegularFile(const std::string& path, std::size_t maxBytes) {
    const UniqueFd fd = openRegularFile(path);
    std::string data;
    std::uint8_t buffer[65536];
    for (;;) {
        const std::size_t n = readSome(fd.get(), buffer, sizeof buffer);
        data.append(reinterpret_cast<const char*>(buffer), n);
        if (data.size() > maxBytes)
            throw FileError(EFBIG);
        if (n < sizeof buffer)
            return data;
    }
}

std::size_t readFileStart(const std::string& path, std::span<std::uint8_t> into) {
    const UniqueFd fd = openRegularFile(path);
    return readSome(fd.get(), into.data(), into.size());
}

#endif
