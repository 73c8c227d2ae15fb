#include "publisher/publish_state.hpp"

#include <algorithm>
#include <charconv>
#include <optional>

#include "publisher/digest.hpp"
#include "shell/general/files.hpp"

namespace pw::publisher {
namespace {

constexpr std::string_view kDestinationRecord = "Destination";
constexpr std::string_view kFileRecord = "File";

std::string KeyOf(const PublishDestination& destination) {
    return destination.endpoint + '\t' + destination.user + '\t' + destination.folder;
}

// "<size> <sha256> <name>"; nothing when malformed.
std::optional<std::pair<std::string, SentFile>> ParseFileRecord(std::string_view text) {
    const std::size_t space = text.find(' ');
    if (space == std::string_view::npos) return std::nullopt;
    SentFile sent;
    const auto [end, error] = std::from_chars(text.data(), text.data() + space, sent.size);
    if (error != std::errc() || end != text.data() + space) return std::nullopt;
    text.remove_prefix(space + 1);
    if (text.size() < 66 || text[64] != ' ') return std::nullopt;
    sent.sha256 = std::string(text.substr(0, 64));
    std::string name(text.substr(65));
    if (name.empty()) return std::nullopt;
    return std::pair{std::move(name), std::move(sent)};
}

}  // namespace

PublishState::PublishState(std::filesystem::path file, PublishDestination destination)
    : file_(std::move(file)), destinationKey_(KeyOf(destination)) {
    const auto bytes = ReadWholeFile(file_);
    if (!bytes) return;
    bool ours = false;
    for (FieldRecord& record : ParseFieldRecords(*bytes)) {
        if (record.name == kDestinationRecord) ours = record.text == destinationKey_;
        if (!ours) {
            others_.push_back(std::move(record));
        } else if (record.name == kFileRecord) {
            if (auto parsed = ParseFileRecord(record.text)) files_.insert_or_assign(parsed->first, parsed->second);
        }
    }
}

const SentFile* PublishState::Find(const std::string& name) const {
    const auto found = files_.find(name);
    return found == files_.end() ? nullptr : &found->second;
}

std::vector<std::string> PublishState::StaleFiles(const std::vector<std::string>& siteFiles) const {
    std::vector<std::string> stale;
    for (const auto& [name, sent] : files_) {
        if (std::ranges::find(siteFiles, name) == siteFiles.end()) stale.push_back(name);
    }
    return stale;
}

void PublishState::Set(const std::string& name, SentFile sent) { files_.insert_or_assign(name, std::move(sent)); }

void PublishState::Erase(const std::string& name) { files_.erase(name); }

Result<void> PublishState::Save() const {
    std::string bytes;
    for (const FieldRecord& record : others_) bytes += FormatFieldRecord(record.text, record.name);
    bytes += FormatFieldRecord(destinationKey_, kDestinationRecord);
    for (const auto& [name, sent] : files_) {
        bytes += FormatFieldRecord(std::to_string(sent.size) + ' ' + sent.sha256 + ' ' + name, kFileRecord);
    }
    return SaveFileAtomically(file_, bytes, kOwnerOnly);
}

Result<SentFile> SentFileOf(const std::filesystem::path& file) {
    const auto digest = Sha256OfFile(file);
    if (!digest) return Fail(digest.error());
    return SentFile{digest->size, HexDigest(digest->sha256)};
}

std::vector<RecordedFile> RecordedFiles(const std::filesystem::path& file) {
    std::vector<RecordedFile> recorded;
    const auto bytes = ReadWholeFile(file);
    if (!bytes) return recorded;
    std::string destination;
    for (const FieldRecord& record : ParseFieldRecords(*bytes)) {
        if (record.name == kDestinationRecord) {
            // "<endpoint> TAB <user> TAB <folder>"
            const std::size_t user = record.text.find('\t');
            const std::size_t folder = record.text.find('\t', user == std::string::npos ? user : user + 1);
            destination =
                record.text.substr(0, user) + (folder == std::string::npos ? "" : record.text.substr(folder + 1));
        } else if (record.name == kFileRecord) {
            if (auto parsed = ParseFileRecord(record.text)) recorded.push_back({destination, std::move(parsed->first)});
        }
    }
    return recorded;
}

}  // namespace pw::publisher
