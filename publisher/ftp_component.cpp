#include "publisher/ftp_component.hpp"

#include "shell/general/text.hpp"

namespace pw::publisher {

bool MatchesMask(std::string_view name, std::string_view mask) {
    if (mask == "*.*") return true;  // every entry, dot or not, as masks have always meant
    // Greedy matching with one backtrack point: the last '*' seen.
    std::size_t n = 0, m = 0;
    std::optional<std::size_t> star;
    std::size_t starName = 0;
    while (n < name.size()) {
        if (m < mask.size() && (mask[m] == '?' || AsciiLower(mask[m]) == AsciiLower(name[n]))) {
            ++n;
            ++m;
        } else if (m < mask.size() && mask[m] == '*') {
            star = m++;
            starName = n;
        } else if (star) {
            m = *star + 1;
            n = ++starName;
        } else {
            return false;
        }
    }
    while (m < mask.size() && mask[m] == '*') ++m;
    return m == mask.size();
}

Result<void> FtpComponent::ListDirectory(std::string_view mask) {
    auto entries = ReadDirectory();
    if (!entries) return Fail(entries.error());
    for (const RemoteEntry& entry : *entries) {
        if (MatchesMask(entry.name, mask) && events_.directoryEntry)
            events_.directoryEntry(entry.name, entry.attributes);
    }
    return {};
}

Result<void> ConnectTrusting(FtpComponent& ftp, const std::function<bool(const UnverifiedPeer&)>& accept,
                             const std::function<void(const std::error_code&)>& trustNotSaved) {
    auto connected = ftp.Connect();
    // A peer trusted here verifies on the next Connect; one that is offered again (it
    // could not be trusted) is not offered twice.
    std::string offered;
    while (!connected && connected.error() == FtpErrc::UnverifiedPeer && accept) {
        const auto peer = ftp.LastUnverifiedPeer();
        if (!peer || peer->replaces || peer->fingerprint == offered || !accept(*peer)) break;
        offered = peer->fingerprint;
        if (auto trusted = ftp.TrustUnverifiedPeer(); !trusted && trustNotSaved) trustNotSaved(trusted.error());
        connected = ftp.Connect();
    }
    return connected;
}

}  // namespace pw::publisher
