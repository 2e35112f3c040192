#include "SendInput.h"

#include "Platform.h"

#include "base/AtomicFile.h"
#include "base/Cp1251.h"
#include "editor/MessageEncoding.h"
#include "editor/MessageFile.h"

#include <cerrno>
#include <filesystem>
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

bool isInputFile(const std::string& input, const std::string& output) {
    if (input == "-")
        return platform::isStandardInput(output);
    std::error_code ec;
    return std::filesystem::equivalent(input, output, ec) && !ec;
}

std::error_code writeOutput(const std::string& path, std::span<const std::uint8_t> bytes) {
    const FileKind kind = fileKind(path);
    if (kind != FileKind::Fifo && kind != FileKind::Device) {
        try {
            replaceFileAtomically(path, bytes);
            return {};
        } catch (const FileError& e) {
            return e.code();
        }
    }
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file)
        return {errno, std::generic_category()};
    errno = 0;
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    const bool closed = std::fclose(file) == 0;
    if (written && closed)
        return {};
    return {errno ? errno : EIO, std::generic_category()};
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
