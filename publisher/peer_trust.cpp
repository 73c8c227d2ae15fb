#include "publisher/peer_trust.hpp"

#include <algorithm>

#include "shell/general/files.hpp"

namespace pw::publisher {
namespace {

// The text of the record that marks an endpoint as reached with TLS; no fingerprint reads so.
constexpr std::string_view kTlsMark = "TLS";

std::vector<FieldRecord> ReadRecords(const std::filesystem::path& file) {
    if (file.empty()) return {};
    const auto bytes = ReadWholeFile(file);
    return bytes ? ParseFieldRecords(*bytes) : std::vector<FieldRecord>{};
}

}  // namespace

PeerTrust::PeerTrust(std::filesystem::path file) : file_(std::move(file)), records_(ReadRecords(file_)) {}

bool PeerTrust::Trusts(std::string_view endpoint, std::string_view fingerprint) const {
    return fingerprint != kTlsMark && std::ranges::any_of(records_, [&](const FieldRecord& record) {
               return record.name == endpoint && record.text == fingerprint;
           });
}

std::optional<KeptFingerprint> PeerTrust::Trusted(std::string_view endpoint) const {
    std::optional<KeptFingerprint> last;
    // One record a line, as Keep writes them.
    for (std::size_t i = 0; i < records_.size(); ++i) {
        const FieldRecord& record = records_[i];
        if (record.name == endpoint && record.text != kTlsMark) last = KeptFingerprint{record.text, file_, i + 1};
    }
    return last;
}

Result<void> PeerTrust::Add(const std::string& endpoint, const std::string& fingerprint) {
    if (Trusts(endpoint, fingerprint)) return {};
    return Keep(endpoint, fingerprint);
}

bool PeerTrust::RequiresTls(std::string_view endpoint) const {
    return std::ranges::any_of(
        records_, [&](const FieldRecord& record) { return record.name == endpoint && record.text == kTlsMark; });
}

Result<void> PeerTrust::RequireTls(const std::string& endpoint) {
    if (RequiresTls(endpoint)) return {};
    return Keep(endpoint, std::string(kTlsMark));
}

Result<void> PeerTrust::Keep(const std::string& endpoint, const std::string& text) {
    records_.push_back({text, endpoint});
    if (file_.empty()) return {};
    // Another window or run may have added to the file meanwhile: keep what it holds.
    std::vector<FieldRecord> saved = ReadRecords(file_);
    saved.push_back({text, endpoint});
    std::string bytes;
    for (const FieldRecord& record : saved) bytes += FormatFieldRecord(record.text, record.name);
    return SaveFileAtomically(file_, bytes, kOwnerOnly);
}

}  // namespace pw::publisher
