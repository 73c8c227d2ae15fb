#pragma once
// Certificates and host keys the user chose to trust for one site, kept in the site folder
// beside ftp.txt as field records ("fingerprint","endpoint"), readable by the owner only.
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "shell/general/field_file.hpp"
#include "shell/general/result.hpp"

namespace pw::publisher {

inline constexpr std::string_view kTrustFileName = "ftptrust.txt";

class PeerTrust {
public:
    // What `file` records; nothing when it is missing or unreadable. With an empty path
    // nothing is read or saved.
    explicit PeerTrust(std::filesystem::path file);

    // True when `fingerprint` was trusted for `endpoint` (HostAddress::Endpoint()).
    bool Trusts(std::string_view endpoint, std::string_view fingerprint) const;

    // Trusts the pair from now on and saves the file atomically with owner-only access.
    // When saving fails the pair still holds for this object.
    Result<void> Add(const std::string& endpoint, const std::string& fingerprint);

private:
    std::filesystem::path file_;
    std::vector<FieldRecord> records_;  // text: fingerprint, name: endpoint
};

}  // namespace pw::publisher
