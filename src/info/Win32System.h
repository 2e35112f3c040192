#pragma once

// The About window's Windows calls, kept free of the GUI so they are tested on their own.

#include <cstdint>
#include <optional>
#include <string>

namespace win32 {

// GetVersion's packed number (see info::windowsVersionText for its bytes).
std::uint32_t packedVersion();

// GetSystemInfo's processor level.
int processorLevel();

// GetVolumeInformationA's serial number for the root folder `root`, e.g. "C:\\".
std::optional<std::uint32_t> volumeSerial(const char* root);

// FlashWindow with invert set: the title bar of `window` (an HWND) switches between its active
// and inactive look once. True when it showed the active look before the call.
bool flashWindow(void* window);

// ShellExecuteA with no verb, parameters or folder, shown normally, `parent` an HWND or null.
// True when the shell started something for `target`.
bool shellExecute(void* parent, const std::string& target);

// Today in the user's short date format and the time of day in the user's time format, both
// as UTF-8.
std::string shortDateText();
std::string longTimeText();

} // namespace win32
