#pragma once
// SHA-256 from OpenSSL's libcrypto, for certificate and host key fingerprints and for
// telling whether a file changed since it was last published.
#include <array>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

#include "shell/general/result.hpp"

namespace pw::publisher {

using Sha256Digest = std::array<std::uint8_t, 32>;

Sha256Digest Sha256(std::string_view bytes);

// The digest of the file's bytes, and how many there were.
struct FileDigest {
    Sha256Digest sha256;
    std::uint64_t size = 0;
};
Result<FileDigest> Sha256OfFile(const std::filesystem::path& file);

// Lower-case hex, 64 characters.
std::string HexDigest(const Sha256Digest& digest);

}  // namespace pw::publisher
