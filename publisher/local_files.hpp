#pragma once
// The site files the publisher offers: the local pane's list and what an upload of the
// whole site sends.
#include <filesystem>
#include <string>
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

}  // namespace pw::publisher
