#pragma once
// The site folder and its files: the pages, which files hold each page, the names of
// every site file, the texts a new page starts with, and how sections, the hand-over
// file and the page names are read and saved. No Qt.
#include <array>
#include <expected>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "shell/general/copy_file.hpp"
#include "shell/general/files.hpp"
#include "shell/general/result.hpp"

namespace pw::store {

namespace fs = std::filesystem;

// ---- Pages ----

// The site's three pages.
enum class Page { One, Two, Three };
inline constexpr std::array kPages = {Page::One, Page::Two, Page::Three};

// The page a page word names: "two" and "three"; anything else, the empty word included, is page one.
Page PageFromWord(std::string_view word);
// "one", "two", "three": the word the windows pass around.
std::string_view WordOf(Page page);
// "One", "Two", "Three": how the windows' captions name the page.
std::string_view CaptionOf(Page page);
// 0, 1, 2.
constexpr std::size_t IndexOf(Page page) { return static_cast<std::size_t>(page); }

// The files that hold one page: its field file and its two section files.
struct PageFiles {
    std::string_view fields;    // oneBox.txt
    std::string_view sectionA;  // rtemp1.txt
    std::string_view sectionB;  // rtemp31.txt
};
PageFiles FilesOf(Page page);

// ---- Names of the site's files ----

inline constexpr std::string_view kDefaultSite = "default";
inline constexpr std::string_view kSiteMarkerExtension = ".ste";
inline constexpr std::string_view kPageNamesFile = "pagebox.txt";
inline constexpr std::string_view kHandOverFile = "stand.1w1";
inline constexpr std::string_view kFtpSettingsFile = "ftp.txt";
inline constexpr std::string_view kTemplateFile = "temp311.htx";
inline constexpr std::string_view kLayoutPictureFile = "stock";
// A design: its template, layout picture and graphics, copied from the installation into a new site.
inline constexpr std::array<std::string_view, 4> kDesignFiles = {kLayoutPictureFile, kTemplateFile, "graf1.gif",
                                                                 "graf2.jpg"};

// ---- Texts a new site and a new page start with ----

// The built-in text of the builder's page field `name` (Text2 title, Text26 hidden, Text5
// footer, Text100 description, Text24 keywords), which it holds before any file supplies
// one; empty for a name that is no page field.
std::string_view BuiltInText(std::string_view name);

// The text of every section of a new site.
inline constexpr std::string_view kSeedSectionText = "Kw5 SiteFoundry";

// The three page names, by default "Home", "News", "About us".
struct PageNames {
    std::array<std::string, 3> names = {"Home", "News", "About us"};
    const std::string& operator[](Page page) const { return names[IndexOf(page)]; }
    std::string& operator[](Page page) { return names[IndexOf(page)]; }
};
// The record name of each page's name in pagebox.txt: "page1", "Page2", "Page3".
std::string_view PageNameFieldOf(Page page);

// A page name that cannot name its page's file (SquashLower(name) + ".html"): it holds
// "/" or "\", which would place the file in another folder, or NUL, which would cut the
// name short. Page one's file is always index.html, so its name is never at fault.
struct PageNameFault {
    Page page;
    std::string name;
    char character;  // the first character at fault
};
std::optional<PageNameFault> PageNameFaultOf(Page page, std::string_view name);
// What the windows tell: the page, its name and the character at fault.
std::string PageNameFaultText(const PageNameFault& fault);

// ---- Reading and saving ----

// <inst>/<siteFolder>/<fileName>, both names resolved case-insensitively.
fs::path SiteFilePath(const fs::path& inst, std::string_view siteFolder, std::string_view fileName);

// Section files: RTF whose plain text is the section. Saving writes WriteRtf(text) atomically;
// loading gives the plain text (RtfPlainText), line breaks as CR LF.
Result<void> SaveSection(const fs::path& path, std::string_view text);
Result<std::string> LoadSection(const fs::path& path);

// The hand-over file stand.1w1 in the site folder: text + CR LF, plain, replacing any old one.
// Returns the path written.
Result<fs::path> WriteHandOver(const fs::path& siteFolderPath, std::string_view text);
// Removes stand.1w1; a file already absent is no error.
Result<void> DeleteHandOver(const fs::path& siteFolderPath);

// The page names from pagebox.txt; default names for those the file does not give, and all
// three when the file is missing. A file that exists but cannot be read is an error.
Result<PageNames> LoadPageNames(const fs::path& siteFolderPath);

// A site that could not be prepared: the file (or folder) being made when it failed, as
// it would stand in the installation, and why.
struct SeedFailure {
    fs::path file;
    std::error_code reason;
};
using SeedResult = std::expected<void, SeedFailure>;

// Fills `folder` (which exists and is empty) as a first start prepares a site: the three
// pages' field files, pagebox.txt and ftp.txt each with the one record "" / "Text1" (ftp.txt
// readable by its owner only), the six section files and ftpbeta.txt with kSeedSectionText,
// then the design files copied from `shippedFolder`. A design file the installation lacks
// is passed over; any other failure stops the filling and is returned, naming the seed file
// in `folder`, or for a failed copy the shipped file it came from.
SeedResult FillNewSite(const fs::path& folder, const fs::path& shippedFolder, const CopyCallbacks& copying = {});

// Prepares the site folder <inst>/<siteFolder> as a first start prepares "default":
// FillNewSite into a hidden staging folder of <inst>, the site marker <markerName>.ste
// beside it, then the staging folder renamed to `siteFolder`. A preparation that fails
// or is killed half way leaves no site folder, so the next one starts afresh; staging
// folders such a preparation left behind are removed first. An existing site folder of
// that name (folder or file, any letter case) is never touched: the call then does nothing.
SeedResult PrepareSite(const fs::path& inst, std::string_view siteFolder, std::string_view markerName,
                       const CopyCallbacks& copying = {});

// PrepareSite for the site a first start makes: the folder "default", the marker "Default.ste".
SeedResult PrepareDefaultSite(const fs::path& inst, const CopyCallbacks& copying = {});

// Why `name` cannot be the name of a new site of `inst`, told as the user is told; nothing
// when it can. The name is the site's folder and, with ".ste", its marker beside it: it
// must be a single folder name that is not hidden and not taken by any entry of <inst>
// (letter case ignored, as sites are found so).
std::optional<std::string> NewSiteNameProblem(const fs::path& inst, std::string_view name);

}  // namespace pw::store
