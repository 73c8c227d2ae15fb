#pragma once
// The FTP component on libcurl: FTP (with TLS when the server offers it), FTP that requires
// TLS, and SFTP, on one easy handle whose connection stays logged in between calls.
#include <chrono>
#include <filesystem>
#include <memory>
#include <vector>

#include "publisher/ftp_component.hpp"
#include "publisher/site_upload.hpp"

namespace pw::publisher {

struct FtpSettings {
    // Longest wait for the connection and login.
    std::chrono::milliseconds connectTimeout{20'000};
    // A transfer slower than 1 byte/s for this long fails, and so does any wait this long
    // for the server's answer. Whole seconds are what counts (at least one).
    std::chrono::milliseconds stallTime{30'000};
    // Where certificates and host keys the user trusts for the site are kept
    // (<site folder>/ftptrust.txt), read when the component is made; empty: trust lasts
    // only for the component.
    std::filesystem::path trustFile = {};
    // The user's known SSH hosts, and private keys: the first that exists is offered,
    // then the SSH agent's keys (for SFTP with an empty password).
    std::filesystem::path knownHostsFile = {};
    std::vector<std::filesystem::path> identityFiles = {};
};

// Settings with the 20 s and 30 s limits, trust kept in `siteFolder`, and the SSH files of
// the user's home folder ($HOME/.ssh: known_hosts; id_ed25519, id_ecdsa, id_rsa).
FtpSettings DefaultFtpSettings(const std::filesystem::path& siteFolder);

// A component on libcurl, not yet connected.
std::unique_ptr<FtpComponent> MakeCurlFtp(FtpSettings settings);

// The upload's extra connections: components on libcurl with `primary`'s host, user and
// password (copied now, as the workers call it while the primary is in use; the engine
// gives them the primary's transfer type), each connected through ConnectTrusting with `accept` (empty: a peer that does not
// verify is refused; the site's kept trust still holds through `settings`).
SiteUpload::ConnectionFactory CurlConnectionsLike(const FtpComponent& primary, FtpSettings settings,
                                                  std::function<bool(const UnverifiedPeer&)> accept = {});

}  // namespace pw::publisher
