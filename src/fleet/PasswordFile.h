#pragma once

#include <string>

namespace fleet {

// The password: the first line of the file, which must be closed to group and others. Throws
// std::runtime_error "PATH: why".
std::string readPasswordFile(const std::string& path);

} // namespace fleet
