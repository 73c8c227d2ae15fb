#pragma once
// Which file generation last wrote for each page, so that a page written under a new name
// (its name changed in the page names window) takes its old file with it: left behind, the
// old page would be published again and again, with its old text. Kept in the site folder
// as field records, one a page: "<file name>","<page word>" ("offers.html","two").
#include <filesystem>
#include <map>
#include <string>
#include <string_view>

#include "builder/store/site_files.hpp"
#include "shell/general/result.hpp"

namespace pw {

inline constexpr std::string_view kWrittenPagesFile = "pagefiles.txt";

// The file each page was last written as; pages never written (or written before this
// record was kept) are missing. Empty when the record cannot be read.
std::map<store::Page, std::string> WrittenPageFiles(const std::filesystem::path& siteFolder);

// Records that `page` was written as `written`, a file of `siteFolder`, and removes the file
// it was written as before when that is another file no other page was written as. Files
// generation did not write are never touched. Fails when the record cannot be saved or the
// old file cannot be removed (the new page is written either way).
Result<void> RecordWrittenPage(const std::filesystem::path& siteFolder, store::Page page,
                               const std::filesystem::path& written);

}  // namespace pw
