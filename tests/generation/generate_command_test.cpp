#include "builder/generate_command.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <string>
#include <vector>

#include "tests/generation/seeded_site.hpp"
#include "tests/temp_folder.hpp"

namespace pw {
namespace {

namespace fs = std::filesystem;

// A temporary installation holding a first-start "default" site.
class GenerateCommand : public testing::Test {
protected:
    int Run(const std::vector<std::string>& args) {
        out_.str("");
        err_.str("");
        return RunGenerateCommand(inst_.path(), args, out_, err_);
    }
    std::vector<std::string> HtmlFiles(const fs::path& folder) {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(folder)) {
            if (entry.path().extension() == ".html") names.push_back(entry.path().filename().string());
        }
        std::ranges::sort(names);
        return names;
    }
    bool ErrSays(const std::string& part) const { return err_.str().find(part) != std::string::npos; }

    test::TempFolder inst_;
    fs::path site_ = test::SeedFirstStartSite(inst_);
    std::ostringstream out_, err_;
};

TEST_F(GenerateCommand, WritesAllThreePagesOfTheDefaultSiteAndPrintsTheirPaths) {
    ASSERT_EQ(Run({}), 0) << err_.str();
    EXPECT_EQ(out_.str(), (site_ / "index.html").string() + "\n" + (site_ / "news.html").string() + "\n" +
                              (site_ / "aboutus.html").string() + "\n");
    EXPECT_EQ(err_.str(), "");
    const std::string news = test::TempFolder::Read(site_ / "news.html");
    EXPECT_NE(news.find("<title> Type your page title (meta title)</title>"), std::string::npos);
    EXPECT_TRUE(news.ends_with("</html>\r\n\r\n"));
}

TEST_F(GenerateCommand, WritesOnlyTheChosenPageOfTheChosenSite) {
    const fs::path shop = test::SeedFirstStartSite(inst_, "shop");
    inst_.Write(shop / "pagebox.txt", "\"Start\",\"page1\"\r\n\"Offers\",\"Page2\"\r\n\"Contact Us\",\"Page3\"\r\n");
    inst_.Write(shop / "threeBox.txt", "\"Reach us\",\"Text2\"\r\n");
    ASSERT_EQ(Run({"--site", "shop", "--page=three"}), 0) << err_.str();
    EXPECT_EQ(out_.str(), (shop / "contactus.html").string() + "\n");
    EXPECT_EQ(HtmlFiles(shop), std::vector<std::string>{"contactus.html"});
    EXPECT_TRUE(HtmlFiles(site_).empty());
    const std::string page = test::TempFolder::Read(shop / "contactus.html");
    EXPECT_NE(page.find("<h1>Reach us</h1>"), std::string::npos);
    EXPECT_NE(page.find(R"(<a class=MainNav href="offers.html">Offers</a>)"), std::string::npos);
}

// A page written under a new name takes the file of its old name with it; files the
// generation did not write, and a file another page is now written as, stay.
TEST_F(GenerateCommand, APageWrittenUnderANewNameRemovesOnlyItsOwnOldFile) {
    const auto names = [&](const char* two, const char* three) {
        inst_.Write(site_ / "pagebox.txt",
                    std::string("\"Home\",\"page1\"\r\n\"") + two + "\",\"Page2\"\r\n\"" + three + "\",\"Page3\"\r\n");
    };
    ASSERT_EQ(Run({}), 0) << err_.str();
    inst_.Write(site_ / "extra.html", "the user's own page");
    names("Offers", "About us");
    ASSERT_EQ(Run({"--page", "two"}), 0) << err_.str();
    EXPECT_EQ(HtmlFiles(site_), (std::vector<std::string>{"aboutus.html", "extra.html", "index.html", "offers.html"}));

    // Page three takes the name page two had; page two then moves on: page three's file stays.
    names("Offers", "Offers");
    ASSERT_EQ(Run({"--page", "three"}), 0) << err_.str();
    names("Deals", "Offers");
    ASSERT_EQ(Run({"--page", "two"}), 0) << err_.str();
    EXPECT_EQ(HtmlFiles(site_), (std::vector<std::string>{"deals.html", "extra.html", "index.html", "offers.html"}));
    EXPECT_EQ(test::TempFolder::Read(site_ / "extra.html"), "the user's own page");
    EXPECT_EQ(err_.str(), "");
}

TEST_F(GenerateCommand, SiteNameIsMatchedWithoutRegardToCase) {
    ASSERT_EQ(Run({"--site=Default", "--page", "one"}), 0) << err_.str();
    EXPECT_EQ(HtmlFiles(site_), std::vector<std::string>{"index.html"});
}

TEST_F(GenerateCommand, MissingSiteFails) {
    EXPECT_EQ(Run({"--site", "nosuchsite"}), 1);
    EXPECT_TRUE(ErrSays("there is no site \"nosuchsite\" in " + inst_.path().string())) << err_.str();
    EXPECT_EQ(out_.str(), "");
}

TEST_F(GenerateCommand, MissingTemplateFailsOnceAndWritesNothing) {
    fs::remove(site_ / "temp311.htx");
    EXPECT_EQ(Run({}), 1);
    EXPECT_EQ(err_.str(), "pagewright generate: Error accessing file: " + (site_ / "temp311.htx").string() +
                              " (No such file or directory)\n");
    EXPECT_EQ(out_.str(), "");
    EXPECT_TRUE(HtmlFiles(site_).empty());
}

TEST_F(GenerateCommand, UnusableNameFailsThatPageButWritesTheOthers) {
    inst_.Write(site_ / "pagebox.txt", "\"../../outside\",\"Page2\"\r\n");
    EXPECT_EQ(Run({}), 1);
    EXPECT_TRUE(ErrSays("The page name gives no usable file name: ../../outside.html")) << err_.str();
    EXPECT_EQ(HtmlFiles(site_), (std::vector<std::string>{"aboutus.html", "index.html"}));
}

TEST_F(GenerateCommand, UnreadableFieldFileIsReportedAndBuiltInsAreUsed) {
    fs::remove(site_ / "oneBox.txt");
    fs::create_directory(site_ / "oneBox.txt");  // exists, yet cannot be read as a file
    ASSERT_EQ(Run({"--page", "one"}), 0);
    EXPECT_TRUE(ErrSays("warning: could not read " + (site_ / "oneBox.txt").string())) << err_.str();
    EXPECT_EQ(HtmlFiles(site_), std::vector<std::string>{"index.html"});
}

TEST_F(GenerateCommand, HelpExplainsTheCommand) {
    EXPECT_EQ(Run({"--help"}), 0);
    EXPECT_TRUE(out_.str().starts_with("Usage: pagewright generate [--site NAME] [--page one|two|three|all]\n"));
    EXPECT_NE(out_.str().find("--site NAME"), std::string::npos);
    EXPECT_TRUE(HtmlFiles(site_).empty());
}

TEST_F(GenerateCommand, UsageErrorsExitWithTwoAndWriteNothing) {
    struct Case {
        std::vector<std::string> args;
        std::string message;
    };
    const std::vector<Case> cases = {
        {{"--bogus"}, "unknown option '--bogus'"},
        {{"index"}, "unknown option 'index'"},
        {{"--page"}, "--page needs a value"},
        {{"--page", "four"}, "--page takes one, two, three or all"},
        {{"--site", "../default"}, "--site takes a site folder name, not a path"},
        {{"--site="}, "--site takes a site folder name, not a path"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Run(c.args), 2) << c.message;
        EXPECT_TRUE(err_.str().starts_with("pagewright generate: " + c.message + "\n")) << err_.str();
        EXPECT_TRUE(ErrSays("Usage: pagewright generate"));
        EXPECT_EQ(out_.str(), "");
    }
    EXPECT_TRUE(HtmlFiles(site_).empty());
}

}  // namespace
}  // namespace pw
