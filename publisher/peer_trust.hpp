#pragma once
// Certificates and host keys the user chose to trust for one site, and the hosts that were
// reached with encryption, kept in the site folder beside ftp.txt as field records
// ("fingerprint","endpoint") and ("TLS","endpoint"), readable by the owner only.
#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "shell/general/field_file.hpp"
#include "shell/general/result.hpp"

namespace pw::publisher {

inline constexpr std::string_view kTrustFileName = "ftptrust.txt";

// A fingerprint as a file holds it, and where: line numbers count from 1.
struct KeptFingerprint {
    std::string fingerprint;
    std::filesystem::path file;
    std::size_t line = 0;
};

class PeerTrust {
public:
    // What `file` records; nothing when it is missing or unreadable. With an empty path
    // nothing is read or saved.
    explicit PeerTrust(std::filesystem::path file);

    // True when `fingerprint` was trusted for `endpoint` (HostAddress::Endpoint()).
    bool Trusts(std::string_view endpoint, std::string_view fingerprint) const;

    // The fingerprint last trusted for `endpoint`, and its line; nothing when none was.
    std::optional<KeptFingerprint> Trusted(std::string_view endpoint) const;

    // Trusts the pair from now on and saves the file atomically with owner-only access.
    // When saving fails the pair still holds for this object.
    Result<void> Add(const std::string& endpoint, const std::string& fingerprint);

    // True once `endpoint` was reached with TLS: it is never used without it again.
    bool RequiresTls(std::string_view endpoint) const;
    // Records that `endpoint` was reached with TLS (saved as Add saves).
    Result<void> RequireTls(const std::string& endpoint);

private:
    Result<void> Keep(const std::string& endpoint, const std::string& text);

    std::filesystem::path file_;
    std::vector<FieldRecord> records_;  // text: fingerprint or kTlsMark, name: endpoint
};

}  // namespace pw::publisher
