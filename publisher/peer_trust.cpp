#include "publisher/peer_trust.hpp"

#include <algorithm>

#include "shell/general/files.hpp"

namespace pw::publisher {
namespace {

std::vector<FieldRecord> ReadRecords(const std::filesystem::path& file) {
    if (file.empty()) return {};
    const auto bytes = ReadWholeFile(file);
    return bytes ? ParseFieldRecords(*bytes) : std::vector<FieldRecord>{};
}

}  // namespace

PeerTrust::PeerTrust(std::filesystem::path file) : file_(std::move(file)), records_(ReadRecords(file_)) {}

bool PeerTrust::Trusts(std::string_view endpoint, std::string_view fingerprint) const {
    return std::ranges::any_of(
        records_, [&](const FieldRecord& record) { return record.name == endpoint && record.text == fingerprint; });
}

Result<void> PeerTrust::Add(const std::string& endpoint, const std::string& fingerprint) {
    if (Trusts(endpoint, fingerprint)) return {};
    records_.push_back({fingerprint, endpoint});
    if (file_.empty()) return {};
    // Another window or run may have added to the file meanwhile: keep what it holds.
    std::vector<FieldRecord> saved = ReadRecords(file_);
    saved.push_back({fingerprint, endpoint});
    std::string bytes;
    for (const FieldRecord& record : saved) bytes += FormatFieldRecord(record.text, record.name);
    return SaveFileAtomically(file_, bytes, kOwnerOnly);
}

}  // namespace pw::publisher
