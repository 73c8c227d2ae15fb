#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "builder/generation.hpp"
#include "builder/store/site_files.hpp"
#include "tests/generation/seeded_site.hpp"
#include "tests/temp_folder.hpp"

namespace pw {
namespace {

namespace fs = std::filesystem;

class StoredPageTest : public testing::Test {
protected:
    test::TempFolder inst_;
    fs::path site_ = test::SeedFirstStartSite(inst_);
};

TEST_F(StoredPageTest, FirstStartSiteGivesBuiltInTextsAndDefaultNames) {
    for (const char* pageWord : {"one", "two", "three"}) {
        const StoredPage page = LoadStoredPage(site_, store::PageFromWord(pageWord));
        SCOPED_TRACE(pageWord);
        EXPECT_TRUE(page.unread.empty());
        EXPECT_EQ(page.inputs.page, store::PageFromWord(pageWord));
        EXPECT_EQ(page.inputs.title, " Type your page title (meta title)");
        EXPECT_EQ(page.inputs.description, " Type information about your site (meta content)");
        EXPECT_EQ(page.inputs.keywords, "Type keywords  here (meta tags)");
        EXPECT_EQ(page.inputs.sectionA, "Kw5 SiteFoundry");
        EXPECT_EQ(page.inputs.sectionB, "Kw5 SiteFoundry");
        EXPECT_EQ(page.inputs.names[store::Page::One], "Home");
        EXPECT_EQ(page.inputs.names[store::Page::Two], "News");
        EXPECT_EQ(page.inputs.names[store::Page::Three], "About us");
    }
}

TEST_F(StoredPageTest, FieldRecordsOverrideBuiltInsAndTheLaterRecordWins) {
    inst_.Write(site_ / "twoBox.txt",
                "\"Shop keywords\",\"Text24\"\r\n\"First title\",\"Text2\"\r\n\"Second title\",\"Text2\"\r\n"
                "\"Wrong case\",\"text100\"\r\n\"Not a page field\",\"page1\"\r\n");
    ASSERT_TRUE(store::SaveSection(site_ / "rtemp2.txt", "<p>Two lines</p>\r\n<p>here</p>").has_value());
    const StoredPage page = LoadStoredPage(site_, store::Page::Two);
    EXPECT_EQ(page.inputs.title, "Second title");
    EXPECT_EQ(page.inputs.keywords, "Shop keywords");
    EXPECT_EQ(page.inputs.description, " Type information about your site (meta content)");
    EXPECT_EQ(page.inputs.names[store::Page::One], "Home");
    EXPECT_EQ(page.inputs.sectionA, "<p>Two lines</p>\r\n<p>here</p>");
}

TEST_F(StoredPageTest, NamesTheFileDoesNotGiveKeepTheirDefaults) {
    fs::remove(site_ / "pagebox.txt");
    inst_.Write(site_ / "pageBox.txt", "\"Our shop\",\"Page2\"\r\n\"Ignored\",\"page2\"\r\n");
    const StoredPage page = LoadStoredPage(site_, store::Page::One);
    EXPECT_EQ(page.inputs.names[store::Page::One], "Home");
    EXPECT_EQ(page.inputs.names[store::Page::Two], "Our shop");
    EXPECT_EQ(page.inputs.names[store::Page::Three], "About us");
}

TEST_F(StoredPageTest, MissingFilesAreListedAndLeaveBuiltInsAndEmptySections) {
    for (const char* file : {"threeBox.txt", "rtemp3.txt", "rtemp33.txt", "pagebox.txt"}) fs::remove(site_ / file);
    const StoredPage page = LoadStoredPage(site_, store::Page::Three);
    std::vector<std::string> unread;
    for (const auto& [path, cause] : page.unread) {
        unread.push_back(path.filename().string());
        EXPECT_EQ(cause, std::errc::no_such_file_or_directory);
    }
    // A site without a page-names file simply has the default names.
    EXPECT_EQ(unread, (std::vector<std::string>{"threeBox.txt", "rtemp3.txt", "rtemp33.txt"}));
    EXPECT_EQ(page.inputs.title, " Type your page title (meta title)");
    EXPECT_EQ(page.inputs.sectionA, "");
    EXPECT_EQ(page.inputs.names[store::Page::Three], "About us");
}

TEST_F(StoredPageTest, FooterFieldNeverReachesThePage) {
    inst_.Write(site_ / "oneBox.txt", "\"My own footer\r\nsecond line\",\"Text5\"\r\n");
    const StoredPage page = LoadStoredPage(site_, store::Page::One);
    const auto html = GeneratePageText(site_ / "temp311.htx", page.inputs);
    ASSERT_TRUE(html.has_value()) << html.error().message();
    EXPECT_EQ(html->find("My own footer"), std::string::npos);
    EXPECT_NE(html->find("<p class=\"credit\">" + CreditLine() + "</p>"), std::string::npos);
}

}  // namespace
}  // namespace pw
