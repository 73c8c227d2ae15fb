// The installed help pages: every link from one page to another lands on a page
// (and an anchor) that exists, every page is reachable from the start page, and each
// page stands alone, with nothing fetched from elsewhere.
#include <gtest/gtest.h>

#include <filesystem>
#include <regex>
#include <set>
#include <string>

#include "tests/temp_folder.hpp"

namespace {

namespace fs = std::filesystem;

const fs::path kInstalled = PW_INSTALL_DIR;
const fs::path kSources = fs::path(PW_SOURCE_DIR) / "help" / "pages";

bool IsPage(const fs::path& file) { return file.extension() == ".htm" || file.extension() == ".html"; }

std::set<std::string> SourcePages() {
    std::set<std::string> pages;
    for (const auto& entry : fs::directory_iterator(kSources)) {
        if (IsPage(entry.path())) pages.insert(entry.path().filename().string());
    }
    return pages;
}

std::vector<std::string> Matches(const std::string& text, const std::regex& pattern) {
    std::vector<std::string> found;
    for (std::sregex_iterator it(text.begin(), text.end(), pattern), end; it != end; ++it) found.push_back((*it)[1]);
    return found;
}

bool HasAnchor(const std::string& page, const std::string& id) {
    return page.find("id=\"" + id + "\"") != std::string::npos;
}

// Follows the links from foundry.htm; fails on any link to a missing page or anchor.
std::set<std::string> ReachableFromStartPage() {
    const std::regex href(R"re(href="([^"]*)")re");
    std::set<std::string> seen;
    std::vector<std::string> pending = {"foundry.htm"};
    while (!pending.empty()) {
        const std::string name = pending.back();
        pending.pop_back();
        if (!seen.insert(name).second) continue;
        const std::string page = pw::test::TempFolder::Read(kInstalled / name);
        for (const std::string& link : Matches(page, href)) {
            const std::size_t hash = link.find('#');
            const std::string target = hash == std::string::npos ? link : link.substr(0, hash);
            const std::string anchor = hash == std::string::npos ? "" : link.substr(hash + 1);
            const std::string targetName = target.empty() ? name : target;
            EXPECT_EQ(target.find(':'), std::string::npos) << name << " links outside the help: " << link;
            EXPECT_EQ(target.find('/'), std::string::npos) << name << " links into another folder: " << link;
            if (!fs::exists(kInstalled / targetName)) {
                ADD_FAILURE() << name << " links to a missing page: " << link;
                continue;
            }
            if (!anchor.empty()) {
                EXPECT_TRUE(HasAnchor(pw::test::TempFolder::Read(kInstalled / targetName), anchor))
                    << name << " links to a missing anchor: " << link;
            }
            pending.push_back(targetName);
        }
    }
    return seen;
}

TEST(HelpPages, EveryLinkLandsOnAnInstalledPageAndEveryPageIsReachable) {
    ASSERT_TRUE(fs::exists(kInstalled / "foundry.htm")) << "the viewer opens foundry.htm in the installation folder";
    EXPECT_EQ(ReachableFromStartPage(), SourcePages());
}

TEST(HelpPages, InstalledPagesCarryTheirStyleAndFetchNothing) {
    const std::regex outside(R"re((?:src|href)\s*=\s*"(?:https?:|//|file:)|<link|@import|url\()re", std::regex::icase);
    for (const std::string& name : SourcePages()) {
        SCOPED_TRACE(name);
        const std::string page = pw::test::TempFolder::Read(kInstalled / name);
        EXPECT_NE(page.find("<style>"), std::string::npos);
        EXPECT_FALSE(std::regex_search(page, outside));
        EXPECT_NE(page.find("<title>"), std::string::npos);
        EXPECT_NE(page.find("<meta charset=\"utf-8\">"), std::string::npos);
    }
}

}  // namespace
