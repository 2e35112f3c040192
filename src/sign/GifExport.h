#pragma once

#include "sign/SignPlayer.h"

#include <string>

namespace sign {

// Whether this build can write GIF files (giflib is optional).
bool gifExportAvailable();

// Writes `player` running from where it stands for `ms` milliseconds as a looping animated
// GIF, each dot a disc on a square of `pitch` pixels. Empty on success, else why not.
std::string writeGif(const std::string& path, SignPlayer player, int ms, int pitch = 4);

} // namespace sign
