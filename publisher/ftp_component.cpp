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

}  // namespace pw::publisher
