#include "DigestPrimitives.h"

#include <windows.h>

#include <bcrypt.h>
#include <wincrypt.h>

namespace fleet::detail {

std::array<std::uint8_t, 32> sha256(std::span<const std::uint8_t> bytes) {
    std::array<std::uint8_t, 32> digest{};
    // BCRYPT_SHA256_ALG_HANDLE needs Windows 10; this opens the provider each time instead.
    BCRYPT_ALG_HANDLE algorithm = nullptr;
    if (BCryptOpenAlgorithmProvider(&algorithm, BCRYPT_SHA256_ALGORITHM, nullptr, 0) != 0)
        return digest;
    BCryptHash(algorithm, nullptr, 0, const_cast<PUCHAR>(bytes.data()),
               static_cast<ULONG>(bytes.size()), digest.data(), static_cast<ULONG>(digest.size()));
    BCryptCloseAlgorithmProvider(algorithm, 0);
    return digest;
}

std::string encodeBase64(std::span<const std::uint8_t> bytes) {
    if (bytes.empty())
        return {};
    constexpr DWORD Flags = CRYPT_STRING_BASE64 | CRYPT_STRING_NOCRLF;
    DWORD size = 0;
    if (!CryptBinaryToStringA(bytes.data(), static_cast<DWORD>(bytes.size()), Flags, nullptr,
                              &size))
        return {};
    std::string out(size, '\0');
    if (!CryptBinaryToStringA(bytes.data(), static_cast<DWORD>(bytes.size()), Flags, out.data(),
                              &size))
        return {};
    out.resize(size); // without the terminating zero
    return out;
}

std::optional<std::vector<std::uint8_t>> decodeBase64(std::string_view text) {
    if (text.empty())
        return std::vector<std::uint8_t>{};
    std::vector<std::uint8_t> out(text.size() / 4 * 3);
    DWORD size = static_cast<DWORD>(out.size());
    if (!CryptStringToBinaryA(text.data(), static_cast<DWORD>(text.size()), CRYPT_STRING_BASE64,
                              out.data(), &size, nullptr, nullptr))
        return std::nullopt;
    out.resize(size);
    return out;
}

} // namespace fleet::detail
