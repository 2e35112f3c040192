#include "editor/MessageFile.h"

namespace messagefile {

std::string withLfBreaks(std::string_view fileBytes) {
    std::string out;
    out.reserve(fileBytes.size());
    for (std::size_t i = 0; i < fileBytes.size(); ++i) {
        const char c = fileBytes[i];
        if (c != '\r') {
            out.push_back(c);
            continue;
        }
        out.push_back('\n');
        if (i + 1 < fileBytes.size() && fileBytes[i + 1] == '\n')
            ++i;
    }
    return out;
}

std::string withCrLfBreaks(std::string_view fileBytes) {
    const std::string lf = withLfBreaks(fileBytes);
    std::string out;
    out.reserve(lf.size() + lf.size() / 16);
    for (const char c : lf) {
        if (c == '\n')
            out.push_back('\r');
        out.push_back(c);
    }
    return out;
}

} // namespace messagefile
