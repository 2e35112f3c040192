#include "SyncFaults.h"

#include <cerrno>
#include <climits>
#include <string>

#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace {

std::vector<syncfaults::Sync>& recorded() {
    static std::vector<syncfaults::Sync> list;
    return list;
}

int failure = 0;

} // namespace

namespace syncfaults {

const std::vector<Sync>& syncs() {
    return recorded();
}

void failFilesWith(int err) {
    failure = err;
}

void reset() {
    recorded().clear();
    failure = 0;
}

} // namespace syncfaults

// Linked into the test program, this definition wins over the C library's for the static
// libraries under test.
extern "C" int fsync(int fd) {
    struct stat st {};
    const bool folder = ::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode);
    char path[PATH_MAX] = {};
    const std::string link = "/proc/self/fd/" + std::to_string(fd);
    const ssize_t n = ::readlink(link.c_str(), path, sizeof path - 1);
    recorded().push_back({std::string(path, n > 0 ? static_cast<std::size_t>(n) : 0), folder});
    if (!folder && failure != 0) {
        errno = failure;
        return -1;
    }
    return static_cast<int>(::syscall(SYS_fsync, fd));
}
