#pragma once

#include "base/Language.h"
#include "upload/Upload.h"

#include <string>

// What became of an upload, worded once for the window and lumetra-send alike, in `language`
// (the window's is Russian): UTF-8, without a line break at the end. A refused permission
// that group membership grants adds a second line saying so. Each caller frames the text its
// own way: lumetra-send puts its name before it, the window's boxes their headline above it.
std::string uploadText(const UploadResult& result, Language language);
