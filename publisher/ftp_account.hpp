#pragma once
// The account a site is published with, as the FTP login keeps it in the site's ftp.txt
// (one field record per box, named after the login's boxes), and the site's upload
// options. `pagewright publish`, the login and the publisher window use only these.
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "shell/general/result.hpp"

namespace pw::publisher {

// The record names in ftp.txt, which are also the object names of the login's boxes.
inline constexpr std::string_view kHostField = "Host";
inline constexpr std::string_view kUserNameField = "UserName";
inline constexpr std::string_view kPasswordField = "Password";

// UTF-8, as the field file holds them (the window converts with ToFileText/FromFileText).
struct FtpAccount {
    std::string host;
    std::string user;
    std::string password;
    friend bool operator==(const FtpAccount&, const FtpAccount&) = default;
};

// <siteFolder>/ftp.txt (its name found as the store finds it, letter case ignored): a later
// record of a name wins, unknown records are ignored. Fails when the file cannot be read.
Result<FtpAccount> LoadFtpAccount(const std::filesystem::path& siteFolder);

// Writes ftp.txt atomically and readable by its owner only, as the login always has:
// Password, UserName, Host. The password is kept as typed.
Result<void> SaveFtpAccount(const std::filesystem::path& siteFolder, const FtpAccount& account);

// The site's own upload settings, beside ftp.txt (not in it: ftp.txt is the login's), as
// field records ("4","Connections"). Never uploaded, never replaced by a download.
inline constexpr std::string_view kFtpOptionsFileName = "ftpoptions.txt";
inline constexpr std::string_view kConnectionsField = "Connections";

// How many connections an upload opens at once: the bounds and the default.
inline constexpr int kMinConnections = 1;
inline constexpr int kMaxConnections = 16;
inline constexpr int kDefaultConnections = 4;

struct FtpOptions {
    int connections = kDefaultConnections;
    friend bool operator==(const FtpOptions&, const FtpOptions&) = default;
};

// `text` as a number of connections: whole, from kMinConnections to kMaxConnections.
std::optional<int> ParseConnections(std::string_view text);

// The options in <siteFolder>/ftpoptions.txt; the defaults for a missing file, and for a
// field that is missing or not a number in range.
FtpOptions LoadFtpOptions(const std::filesystem::path& siteFolder);
// Writes ftpoptions.txt atomically, the connections kept in range.
Result<void> SaveFtpOptions(const std::filesystem::path& siteFolder, const FtpOptions& options);

// The ftp.txt of `siteFolder` (ResolveInFolder), for messages that name it.
std::filesystem::path FtpAccountFile(const std::filesystem::path& siteFolder);

}  // namespace pw::publisher
