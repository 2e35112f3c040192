#pragma once

#include "fleet/SignState.h"

#include <map>
#include <optional>
#include <string>

namespace agent {

using fleet::SignState;

// The state file: the state and the frame "resend" sends, which may not have reached the line.
struct StateFile {
    SignState state;
    std::string resendB64;
    std::string program;                     // the program that runs, as it came; empty for none
    std::map<std::string, std::string> vars; // its variables as last heard
};

// Nothing when the file is missing; throws std::runtime_error when it cannot be read or is not
// a state file.
std::optional<StateFile> loadStateFile(const std::string& path);
// Replaces the file atomically; throws FileError.
void saveStateFile(const std::string& path, const StateFile& file);

} // namespace agent
