#pragma once

#include <string>
#include <vector>

// The test program's own fsync, standing in for the C library's in the code under test: it
// records what was synced and can fail the sync of regular files as a dying disk would.
namespace syncfaults {

struct Sync {
    std::string path;
    bool folder;
};

// Every sync since the last reset(), in order.
const std::vector<Sync>& syncs();
// From now on the sync of a regular file fails with `err` (0: syncs succeed again).
void failFilesWith(int err);
void reset();

} // namespace syncfaults
