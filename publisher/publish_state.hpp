#pragma once
// What has been published from a site to each destination, so that `pagewright publish
// --changed-only` can leave out what the host already holds. Kept in the site folder
// beside ftp.txt, owner-only, as field records: a destination record
//   "<endpoint> TAB <user> TAB <remote folder>","Destination"
// followed by one record per file sent there:  "<size> <sha256 hex> <name>","File".
#include <cstdint>
#include <filesystem>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "shell/general/field_file.hpp"
#include "shell/general/result.hpp"

namespace pw::publisher {

inline constexpr std::string_view kPublishStateFileName = "ftpsent.txt";

struct PublishDestination {
    std::string endpoint;  // HostAddress::Endpoint()
    std::string user;
    std::string folder;  // the remote folder as the server reports it
};

struct SentFile {
    std::uint64_t size = 0;
    std::string sha256;  // lower-case hex
    friend bool operator==(const SentFile&, const SentFile&) = default;
};

class PublishState {
public:
    // The files recorded in `file` for `destination`: none when the file is missing or
    // unreadable. Other destinations' records are kept for Save.
    PublishState(std::filesystem::path file, PublishDestination destination);

    // The record of `name`, or nullptr.
    const SentFile* Find(const std::string& name) const;
    // The recorded names that are not among `siteFiles`: what pagewright sent there before
    // and the site no longer holds (a renamed page, a removed picture), by name.
    std::vector<std::string> StaleFiles(const std::vector<std::string>& siteFiles) const;
    void Set(const std::string& name, SentFile sent);
    void Erase(const std::string& name);

    // Writes every destination's records atomically, readable by the owner only.
    Result<void> Save() const;

private:
    std::filesystem::path file_;
    std::string destinationKey_;
    std::map<std::string, SentFile> files_;
    std::vector<FieldRecord> others_;  // other destinations, as read
};

// The size and digest of `file` as a record of it being sent.
Result<SentFile> SentFileOf(const std::filesystem::path& file);

// A file recorded in a publish state file, for any destination.
struct RecordedFile {
    std::string destination;  // "<endpoint><folder>": "ftp://host:21/www"
    std::string name;
};
// Every file recorded in `file`, destination by destination; none when it cannot be read.
std::vector<RecordedFile> RecordedFiles(const std::filesystem::path& file);

}  // namespace pw::publisher
