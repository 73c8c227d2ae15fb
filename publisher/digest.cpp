#include "publisher/digest.hpp"

#include <fcntl.h>
#include <openssl/evp.h>

#include <memory>

#include "shell/general/file_descriptor.hpp"

namespace pw::publisher {
namespace {

using DigestContext = std::unique_ptr<EVP_MD_CTX, decltype(&EVP_MD_CTX_free)>;

}  // namespace

Sha256Digest Sha256(std::string_view bytes) {
    Sha256Digest digest{};
    EVP_Digest(bytes.data(), bytes.size(), digest.data(), nullptr, EVP_sha256(), nullptr);
    return digest;
}

Result<FileDigest> Sha256OfFile(const std::filesystem::path& file) {
    const FileDescriptor fd(::open(file.c_str(), O_RDONLY | O_CLOEXEC));
    if (!fd.valid()) return Fail(LastError());
    DigestContext context(EVP_MD_CTX_new(), EVP_MD_CTX_free);
    if (!context || EVP_DigestInit_ex(context.get(), EVP_sha256(), nullptr) != 1) {
        return Fail(std::make_error_code(std::errc::not_enough_memory));
    }
    FileDigest result;
    char buffer[1 << 16];
    for (std::size_t count = 0;;) {
        if (const std::error_code failed = ReadSome(fd.get(), buffer, sizeof buffer, count)) return Fail(failed);
        if (count == 0) break;
        EVP_DigestUpdate(context.get(), buffer, count);
        result.size += count;
    }
    EVP_DigestFinal_ex(context.get(), result.sha256.data(), nullptr);
    return result;
}

std::string HexDigest(const Sha256Digest& digest) {
    static constexpr char kHex[] = "0123456789abcdef";
    std::string hex;
    for (const std::uint8_t byte : digest) {
        hex.push_back(kHex[byte >> 4]);
        hex.push_back(kHex[byte & 0xF]);
    }
    return hex;
}

}  // namespace pw::publisher
