#pragma once

#include <QString>

#include <string>

// Why a file could not be read or written, in the operator's words: what the name stands for
// when it is no regular file (a folder, a FIFO, a device), else the system's reason for `err`
// in Russian. Told after a failure's own text, which stays as it is.
QString fileFailureReason(int err, const std::string& path);
