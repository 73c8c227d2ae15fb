#pragma once
// The site files the publisher offers: the local pane's list, its folder and file commands,
// and what an upload of the whole site sends. Every name is taken inside an explicit folder,
// never the process's current one.
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "shell/general/result.hpp"

namespace pw::publisher {

struct LocalPaneEntries {
    std::vector<std::string> folders;
    std::vector<std::string> files;
};

// The entries of `folder` whose names match "*.gif", then those matching "*.html", then
// "*.jpg" (letter case ignored; ".htm" is not ".html"), each group in the order the file
// system lists them. Links count as what they point to; anything that is neither a file
// nor a folder (sockets, pipes, broken links) is left out, as nothing can be sent from it.
Result<LocalPaneEntries> ListLocalPane(const std::filesystem::path& folder);

// The files of ListLocalPane: what "Upload ALL Files" and `pagewright publish` send.
Result<std::vector<std::string>> PublishableFiles(const std::filesystem::path& folder);

// The local pane's commands on `name` inside `folder` (an absolute `name` stands alone).
// Deletes a file, never a folder.
Result<void> DeleteLocalFile(const std::filesystem::path& folder, std::string_view name);
Result<void> MakeLocalFolder(const std::filesystem::path& folder, std::string_view name);
// Removes an empty folder only.
Result<void> RemoveLocalFolder(const std::filesystem::path& folder, std::string_view name);
// The folder `name` leads to from `folder`, as the system reports its path (links and ".."
// resolved), when it is a folder that can be entered.
Result<std::filesystem::path> EnterLocalFolder(const std::filesystem::path& folder, std::string_view name);

// Why a download may not be saved as `name` in a site folder: it is not one plain file name
// (a host's listing may hold "../x" or "a/b"), or it is one of the site's own files that
// hold settings and content (ftp.txt, the trust and publish-state files, the page names,
// field and section files), which the host's bytes must never replace. Nothing when it may.
std::optional<std::string> DownloadRefusal(std::string_view name);

}  // namespace pw::publisher
