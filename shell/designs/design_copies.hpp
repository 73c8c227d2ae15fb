#pragma once
// Copies of a site's design, kept before a design pack replaces it, so the user can go
// back to the design they had. They live in <site>/.designs/<time>/, which the upload
// never sends (it takes only the site folder's own .gif, .html and .jpg files). No Qt.
#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "shell/general/result.hpp"

namespace pw::designs {

namespace fs = std::filesystem;

inline constexpr std::string_view kCopiesFolder = ".designs";
inline constexpr std::size_t kKeptCopies = 5;

// The files that make up the site's design, as named in the site folder: temp311.htx, stock,
// and each picture the template refers to that lies in the site folder itself ("graf1.gif",
// not "images/a.gif" or another site's address). Files that do not exist are left out.
std::vector<std::string> DesignFilesOf(const fs::path& siteFolder);

// Copies DesignFilesOf(siteFolder) into <siteFolder>/.designs/<now, UTC>/ ("2026-12-11
// 134507Z", with "-2"... added when that name is taken), then removes all but the newest
// kKeptCopies copies. The copy is made under a temporary name and renamed when complete,
// so a copy that fails half way never counts. Returns the copy's folder. A site without
// any design file (or without a folder) has nothing to keep: not_found, and nothing is made.
Result<fs::path> KeepCopy(const fs::path& siteFolder, std::chrono::system_clock::time_point now);

// The newest complete copy, when there is one.
std::optional<fs::path> LatestCopy(const fs::path& siteFolder);

// Puts the newest copy back: each of its files replaces the site's file of that name
// (letter case ignored), atomically, and the copy is removed, so the next call goes back
// one design further. No copy is not_found (nothing changes).
Result<void> RestoreLatestCopy(const fs::path& siteFolder);

}  // namespace pw::designs
