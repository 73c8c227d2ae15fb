#pragma once
// The site check: what would be wrong on the web host if the site were published now,
// found in the site folder before anything is sent. No Qt: `pagewright check` and the
// publisher's "Check Site..." both run it.
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "shell/general/result.hpp"

namespace pw::publisher {

// What a finding is about, in the order findings of one page are listed.
enum class FindingKind {
    PageNotMade,      // the page was never generated, or its name can be no file name
    PageOutdated,     // its content, the page names or the design changed after it was generated
    UnreadableFile,   // a file the check needed could not be read
    SampleText,       // a meta text of the builder's fields is still its built-in text
    SampleSection,    // a section still holds the seed text "Kw5 SiteFoundry"
    PlaceholderLeft,  // a %%word%% the generation did not fill is on the page
    MissingFile,      // a picture or file the page refers to is not in the site folder
    OtherLetterCase,  // ... is there, but only under another letter case
    NotSent,          // ... is there, but "Upload ALL Files" would not send it
    OutsideSite,      // ... lies outside the site folder
    MissingPage,      // a link leads to a page of the site that does not exist
    LargePicture,     // a picture of the site is over kLargePictureBytes
    StalePage,        // a page's file under the page's earlier name is still in the site folder
    StaleOnHost,      // a file sent to a host before is no longer in the site, so it stays online
};

struct Finding {
    std::string file;  // the file of the site folder it is about: "index.html", "photo.jpg"
    FindingKind kind;
    std::string subject;  // what in that file: the reference as the page writes it, the
                          // placeholder, the page field's name, "A" or "B" for a section
    std::string problem;  // what is wrong, in the site owner's words
    std::string remedy;   // what to do about it
};

// What the check says when it found nothing.
inline constexpr std::string_view kNoProblemsText = "No problems found.";

// "file: problem: remedy", the one line a finding is shown as.
std::string FindingLine(const Finding& finding);

// Pictures larger than this are slow to load on phones.
inline constexpr std::uintmax_t kLargePictureBytes = 1024 * 1024;

// Checks the site in `siteFolder` (the three pages of its builder, as the store holds them)
// and returns every finding: page by page (One, Two, Three), each page's findings by kind,
// then in the order they appear on the page (one finding for each thing however often the
// page names it); after the pages, the large pictures by name, then the stale files: page
// files left under a page's earlier name, then the files the publish state records as sent
// that the site no longer holds, host by host. Texts the page's design
// does not use are not reported. Fails only when the site folder cannot be listed.
Result<std::vector<Finding>> CheckSite(const std::filesystem::path& siteFolder);

}  // namespace pw::publisher
