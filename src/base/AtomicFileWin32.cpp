#include "base/AtomicFile.h"

#include <algorithm>
#include <random>
#include <utility>

#include <windows.h>

namespace {

[[noreturn]] void throwLastError() {
    throw FileError(static_cast<int>(::GetLastError()));
}

// A handle closed when it goes out of scope.
class UniqueHandle {
public:
    explicit UniqueHandle(HANDLE h) : m_h(h) {}
    ~UniqueHandle() {
        if (valid())
            ::CloseHandle(m_h);
    }
    UniqueHandle(UniqueHandle&& other) noexcept
        : m_h(std::exchange(other.m_h, INVALID_HANDLE_VALUE)) {}
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;
    HANDLE get() const { return m_h; }
    bool valid() const { return m_h != INVALID_HANDLE_VALUE; }
    bool close() {
        const bool ok = ::CloseHandle(m_h) != 0;
        m_h = INVALID_HANDLE_VALUE;
        return ok;
    }

private:
    HANDLE m_h;
};

// Opens a file on disk for reading. A folder is refused by the system itself
// (ERROR_ACCESS_DENIED); a device name such as "COM1" or "CON" opens, and is refused here, since
// reading it could wait for ever.
UniqueHandle openRegularFile(const std::string& path) {
    UniqueHandle h(::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                 nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!h.valid())
        throwLastError();
    if (::GetFileType(h.get()) != FILE_TYPE_DISK)
        throw FileError(ERROR_INVALID_FUNCTION);
    return h;
}

std::size_t readSome(HANDLE h, std::uint8_t* into, std::size_t size) {
    std::size_t done = 0;
    while (done < size) {
        DWORD n = 0;
        const DWORD ask = static_cast<DWORD>(std::min<std::size_t>(size - done, 1u << 20));
        if (!::ReadFile(h, into + done, ask, &n, nullptr))
            throwLastError();
        if (n == 0)
            break;
        done += n;
    }
    return done;
}

} // namespace

std::string resolveSymlinks(const std::string& path) {
    return path;
}

void replaceFileAtomically(const std::string& path, std::span<const std::uint8_t> bytes) {
    const DWORD attributes = ::GetFileAttributesA(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        const DWORD err = ::GetLastError();
        if (err != ERROR_FILE_NOT_FOUND)
            throw FileError(static_cast<int>(err));
    } else if (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY)) {
        throw FileError(ERROR_ACCESS_DENIED);
    }

    std::string temp;
    HANDLE created = INVALID_HANDLE_VALUE;
    std::random_device random;
    for (int attempt = 0; attempt < 100 && created == INVALID_HANDLE_VALUE; ++attempt) {
        temp = path + ".~" + std::to_string(random() % 1000000u);
        created = ::CreateFileA(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
        if (created == INVALID_HANDLE_VALUE && ::GetLastError() != ERROR_FILE_EXISTS)
            break;
    }
    UniqueHandle file(created);
    if (!file.valid())
        throw FileError(static_cast<int>(::GetLastError()));

    auto fail = [&](DWORD err) {
        if (file.valid())
            file.close();
        ::DeleteFileA(temp.c_str());
        throw FileError(static_cast<int>(err));
    };

    std::size_t done = 0;
    while (done < bytes.size()) {
        DWORD n = 0;
        const DWORD ask = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1u << 20));
        if (!::WriteFile(file.get(), bytes.data() + done, ask, &n, nullptr))
            fail(::GetLastError());
        if (n == 0)
            fail(ERROR_DISK_FULL);
        done += n;
    }
    if (!::FlushFileBuffers(file.get()))
        fail(::GetLastError());
    if (!file.close())
        fail(::GetLastError());
    if (!::MoveFileExA(temp.c_str(), path.c_str(),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        fail(::GetLastError());
    // The new file keeps what the old one was marked as (hidden, archive...).
    if (attributes != INVALID_FILE_ATTRIBUTES)
        ::SetFileAttributesA(path.c_str(), attributes);
}

std::string readRegularFile(const std::string& path, std::size_t maxBytes) {
    const UniqueHandle h = openRegularFile(path);
    LARGE_INTEGER size{};
    if (!::GetFileSizeEx(h.get(), &size))
        throwLastError();
    if (static_cast<std::uint64_t>(size.QuadPart) > maxBytes)
        throw FileError(ERROR_FILE_TOO_LARGE);
    std::string data(static_cast<std::size_t>(size.QuadPart), '\0');
    data.resize(readSome(h.get(), reinterpret_cast<std::uint8_t*>(data.data()), data.size()));
    return data;
}

std::size_t readFileStart(const std::string& path, std::span<std::uint8_t> into) {
    const UniqueHandle h = openRegularFile(path);
    return readSome(h.get(), into.data(), into.size());
}
