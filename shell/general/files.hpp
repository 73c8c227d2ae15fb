#pragma once
// Reading and saving files, and finding a name in a folder without regard to letter
// case. Every save goes through a temporary file in the same folder that is renamed
// over the old one, so a crash or a full disk never leaves a half-written file behind.
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "shell/general/file_descriptor.hpp"
#include "shell/general/result.hpp"

namespace pw {

inline constexpr std::filesystem::perms kOwnerOnly =
    std::filesystem::perms::owner_read | std::filesystem::perms::owner_write;
inline constexpr std::filesystem::perms kSharedReadable =
    kOwnerOnly | std::filesystem::perms::group_read | std::filesystem::perms::others_read;

// Every byte of the file.
Result<std::string> ReadWholeFile(const std::filesystem::path& path);

// A new file written under a hidden temporary name beside `destination` and renamed over
// it by Commit (a ReplacingFile, file_descriptor.hpp). Until then `destination` stays as it
// was; a file that is dropped without Commit, or whose Commit fails, leaves no temporary behind.
class AtomicFile {
public:
    // The folder must exist; it is not created. `perms` are applied exactly (no umask).
    static Result<AtomicFile> Create(const std::filesystem::path& destination,
                                     std::filesystem::perms perms = kSharedReadable);

    Result<void> Write(std::string_view bytes);
    // Makes the bytes durable, renames the file over the destination and syncs the folder.
    Result<void> Commit();

private:
    AtomicFile(ReplacingFile file, std::filesystem::perms perms) : file_(std::move(file)), perms_(perms) {}

    ReplacingFile file_;
    std::filesystem::perms perms_;
};

// `bytes` as the whole content of `path`, through an AtomicFile.
Result<void> SaveFileAtomically(const std::filesystem::path& path, std::string_view bytes,
                                std::filesystem::perms perms = kSharedReadable);

// The entry of `folder` whose name equals `name` without regard to letter case (Unicode
// lower case; names that are not UTF-8 are taken as Windows-1252); the alphabetically
// first when several do; nothing when none does.
Result<std::optional<std::string>> FindIgnoringCase(const std::filesystem::path& folder, std::string_view name);

// `name` inside `folder`: the exact entry when it exists, else the entry found by
// FindIgnoringCase ("pageBox.txt" finds "pagebox.txt"), else folder / name as given
// (also when the folder cannot be read: opening the path then reports why).
std::filesystem::path ResolveInFolder(const std::filesystem::path& folder, std::string_view name);

// The user's home folder: $HOME, else the account's own; empty when there is neither.
std::filesystem::path HomeFolder();

}  // namespace pw
