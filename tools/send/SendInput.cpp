#include "SendInput.h"

#include "base/Cp1251.h"
#include "editor/MessageEncoding.h"
#include "editor/MessageFile.h"

#include <cerrno>
#include <memory>

namespace sendtool {

InputBytes readInput(const std::string& path, std::FILE* standardInput, std::size_t maxBytes) {
    InputBytes input;
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(nullptr, std::fclose);
    std::FILE* stream = standardInput;
    if (path != "-") {
        file.reset(std::fopen(path.c_str(), "rb"));
        if (!file) {
            input.error = errno;
            return input;
        }
        stream = file.get();
    }
    char buffer[65536];
    errno = 0;
    for (;;) {
        const std::size_t n = std::fread(buffer, 1, sizeof buffer, stream);
        input.bytes.append(buffer, n);
        if (input.bytes.size() > maxBytes) {
            input.error = EFBIG;
            return input;
        }
        if (n < sizeof buffer) {
            if (std::ferror(stream))
                input.error = errno ? errno : EIO;
            return input;
        }
    }
}

MessageBytes messageBytes(std::string_view fileBytes, Encoding encoding) {
    const MessageEncoding as = encoding == Encoding::Cp1251 ? MessageEncoding::Cp1251
                               : encoding == Encoding::Utf8 ? MessageEncoding::Utf8
                                                            : MessageEncoding::Auto;
    const DecodedMessage decoded = decodeMessage(fileBytes, as);
    return {messagefile::withCrLfBreaks(decoded.cp1251), decoded.replaced};
}

std::string toUtf8(std::string_view cp1251) {
    return cp1251::cp1251ToUtf8(
        {reinterpret_cast<const std::uint8_t*>(cp1251.data()), cp1251.size()});
}

} // namespace sendtool
