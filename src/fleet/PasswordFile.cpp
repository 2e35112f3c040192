#include "PasswordFile.h"

#include "base/AtomicFile.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <stdexcept>
#include <system_error>

namespace fleet {

std::string readPasswordFile(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0)
        throw std::runtime_error(path + ": " + std::system_category().message(errno));
    if ((st.st_mode & 077) != 0) {
        char mode[8];
        std::snprintf(mode, sizeof mode, "%04o", static_cast<unsigned>(st.st_mode & 07777));
        throw std::runtime_error(path + ": open to group or others (mode " + mode +
                                 "); a password file must be mode 0600 or 0400");
    }
    std::string text;
    try {
        text = readRegularFile(path, 4096);
    } catch (const std::system_error& e) {
        throw std::runtime_error(path + ": " + e.code().message());
    }
    std::string password = text.substr(0, text.find('\n'));
    if (!password.empty() && password.back() == '\r')
        password.pop_back();
    if (password.empty())
        throw std::runtime_error(path + ": no password on the first line");
    return password;
}

} // namespace fleet
