#pragma once
// The site folder and its files: where each file lives, how names resolve, and how
// files are read and saved. Every save goes through a temporary file in the same
// folder renamed over the old one, so a crash never leaves a half-written file.
#include <expected>
#include <filesystem>
#include <string>
#include <string_view>
#include <system_error>

namespace pw::store {

namespace fs = std::filesystem;

// `name` inside `folder`, matched without regard to letter case when no exact entry
// exists ("pageBox.txt" finds "pagebox.txt"; Latin, Greek and Cyrillic letters fold).
// Several case-variants: the alphabetically first. Without a match: folder / name as given.
fs::path ResolveInFolder(const fs::path& folder, std::string_view name);

// A path relative to `base` given with '\' or '/' separators ("\default\oneBox.txt"),
// each component resolved with ResolveInFolder.
fs::path ResolveRelative(const fs::path& base, std::string_view relative);

// <inst>/<siteFolder>/<fileName>, both names resolved case-insensitively.
fs::path SiteFilePath(const fs::path& inst, std::string_view siteFolder, std::string_view fileName);

// Every byte of the file, or why it could not be read.
std::expected<std::string, std::error_code> ReadWholeFile(const fs::path& path);

// Writes `bytes` to a temporary file beside `path` with exactly `perms` (umask not applied),
// syncs it and renames it over `path`. The folder must exist; it is not created.
// On failure `path` is untouched and no temporary file is left behind.
std::expected<void, std::error_code> SaveFileAtomically(const fs::path& path, std::string_view bytes,
                                                        fs::perms perms = fs::perms::owner_read | fs::perms::owner_write |
                                                                          fs::perms::group_read | fs::perms::others_read);

// Which files hold a page: "one", "two", "three"; an empty or unknown word means "one".
struct PageFiles {
    std::string fields;    // oneBox.txt
    std::string sectionA;  // rtemp1.txt
    std::string sectionB;  // rtemp31.txt
};
PageFiles PageFilesFor(std::string_view pageWord);

// Section files: RTF whose plain text is the section. Saving writes WriteRtf(text) atomically;
// loading gives the plain text (RtfPlainText), line breaks as CR LF.
std::expected<void, std::error_code> SaveSection(const fs::path& path, std::string_view text);
std::expected<std::string, std::error_code> LoadSection(const fs::path& path);

// The hand-over file stand.1w1 in the site folder: text + CR LF, plain, replacing any old one.
inline constexpr std::string_view kHandOverFile = "stand.1w1";
std::expected<void, std::error_code> WriteHandOver(const fs::path& siteFolderPath, std::string_view text);
// Removes stand.1w1; a file already absent is no error.
std::error_code DeleteHandOver(const fs::path& siteFolderPath);

}  // namespace pw::store
