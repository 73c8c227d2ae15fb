#include "builder/store/site_files.hpp"

#include <gtest/gtest.h>

#include <sys/resource.h>

#include <algorithm>
#include <csignal>
#include <optional>
#include <string>
#include <vector>

#include "tests/disk_full.hpp"
#include "tests/temp_folder.hpp"

namespace pw::store {
namespace {

// Every entry of `folder`, to see what was made and that nothing was left behind.
std::vector<std::string> Entries(const fs::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) names.push_back(entry.path().filename().string());
    std::ranges::sort(names);
    return names;
}

TEST(Pages, EachPageWordSelectsItsPageAndItsThreeFiles) {
    struct Case {
        const char* word;
        Page page;
        const char* caption;
        const char* fields;
        const char* sectionA;
        const char* sectionB;
    };
    for (const Case& c : {Case{"one", Page::One, "One", "oneBox.txt", "rtemp1.txt", "rtemp31.txt"},
                          Case{"", Page::One, "One", "oneBox.txt", "rtemp1.txt", "rtemp31.txt"},
                          Case{"four", Page::One, "One", "oneBox.txt", "rtemp1.txt", "rtemp31.txt"},
                          Case{"two", Page::Two, "Two", "twoBox.txt", "rtemp2.txt", "rtemp32.txt"},
                          Case{"three", Page::Three, "Three", "threeBox.txt", "rtemp3.txt", "rtemp33.txt"}}) {
        const Page page = PageFromWord(c.word);
        EXPECT_EQ(page, c.page) << c.word;
        EXPECT_EQ(CaptionOf(page), c.caption) << c.word;
        EXPECT_EQ(FilesOf(page).fields, c.fields) << c.word;
        EXPECT_EQ(FilesOf(page).sectionA, c.sectionA) << c.word;
        EXPECT_EQ(FilesOf(page).sectionB, c.sectionB) << c.word;
    }
    for (const Page page : kPages) EXPECT_EQ(PageFromWord(WordOf(page)), page);
}

TEST(SiteFiles, NamesResolveWithoutRegardToCase) {
    const test::TempFolder inst;
    inst.Write("default/pagebox.txt", "");
    EXPECT_EQ(SiteFilePath(inst.path(), "DEFAULT", "PageBox.txt"), inst.path() / "default" / "pagebox.txt");
    EXPECT_EQ(SiteFilePath(inst.path(), "Default", "new.txt"), inst.path() / "default" / "new.txt");
}

TEST(Sections, SaveThenLoadGivesTheTextBack) {
    const test::TempFolder site;
    const fs::path file = site.path() / "rtemp31.txt";
    for (const std::string text : {"Kw5 SiteFoundry", "<p>Grüße €</p>\r\n<p>{x}</p>\r\n", ""}) {
        ASSERT_TRUE(SaveSection(file, text));
        EXPECT_TRUE(test::TempFolder::Read(file).starts_with("{\\rtf1"));
        EXPECT_EQ(LoadSection(file), text);
    }
    EXPECT_FALSE(LoadSection(site.path() / "rtemp2.txt"));
}

TEST(Sections, HandOverIsPlainTextWithALineEnd) {
    const test::TempFolder site;
    EXPECT_EQ(WriteHandOver(site.path(), "<b>Grüße</b>\r\nline 2"), site.path() / "stand.1w1");
    EXPECT_EQ(test::TempFolder::Read(site.path() / "stand.1w1"), "<b>Grüße</b>\r\nline 2\r\n");
    ASSERT_TRUE(WriteHandOver(site.path(), "short"));
    EXPECT_EQ(test::TempFolder::Read(site.path() / "stand.1w1"), "short\r\n");
    EXPECT_TRUE(DeleteHandOver(site.path()));
    EXPECT_FALSE(fs::exists(site.path() / "stand.1w1"));
    EXPECT_TRUE(DeleteHandOver(site.path())) << "an absent file is no error";
}

TEST(PageNamesFile, GivesTheStoredNamesAndDefaultsForTheRest) {
    const test::TempFolder site;
    EXPECT_EQ(LoadPageNames(site.path())->names, (std::array<std::string, 3>{"Home", "News", "About us"}))
        << "no file: the default names";
    site.Write("PageBox.TXT",
               "\"Start\",\"page1\"\r\n\"Our Menu\",\"Page2\"\r\n\"x\",\"page3\"\r\n\"Later\",\"Page2\"\r\n");
    EXPECT_EQ(LoadPageNames(site.path())->names, (std::array<std::string, 3>{"Start", "Later", "About us"}));
}

// One rule for both windows and generation: a name that would put its page's file in another
// folder, or cut its name short, is at fault; page one's name never is (its file is index.html).
TEST(PageNames, ANameThatCannotNameItsFileIsAtFaultWithTheCharacterTold) {
    using namespace std::string_literals;
    struct Case {
        Page page;
        std::string name;
        std::optional<char> character;
        const char* told;  // in the message
    };
    const Case cases[] = {
        {Page::Two, "A/B", '/', "page two, \"A/B\", cannot be the name of its file: it holds the character \"/\""},
        {Page::Three, "../up", '/', "\"../up\""},
        {Page::Three, "C:\\Sites", '\\', "the character \"\\\""},
        {Page::Two, "nul\0x"s, '\0', "\"nul\u2400x\", cannot be the name of its file: it holds the character NUL"},
        {Page::One, "A/B", std::nullopt, ""},
        {Page::Two, "About us", std::nullopt, ""},
        {Page::Three, "\u00dcber uns", std::nullopt, ""},
        {Page::Two, "", std::nullopt, ""},      // ".html": an odd name, but a file name
        {Page::Three, "..", std::nullopt, ""},  // "...html"
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const auto fault = PageNameFaultOf(c.page, c.name);
        ASSERT_EQ(fault.has_value(), c.character.has_value());
        if (!fault) continue;
        EXPECT_EQ(fault->character, *c.character);
        EXPECT_EQ(fault->name, c.name);
        const std::string text = PageNameFaultText(*fault);
        EXPECT_NE(text.find(c.told), std::string::npos) << text;
        EXPECT_EQ(text.find('\0'), std::string::npos) << "no NUL cuts the message short";
    }
}

TEST(PageNamesFile, AFileThatCannotBeReadIsAnError) {
    const test::TempFolder site;
    fs::create_directory(site.path() / "pagebox.txt");
    EXPECT_EQ(LoadPageNames(site.path()).error(), std::errc::is_a_directory);
}

class NewSite : public testing::Test {
protected:
    NewSite() {
        for (const std::string_view name : kDesignFiles) inst_.Write(std::string(name), "design " + std::string(name));
    }
    fs::path Inst() const { return inst_.path(); }
    std::string Read(const fs::path& relative) const { return test::TempFolder::Read(Inst() / relative); }

    test::TempFolder inst_;
};

TEST_F(NewSite, PreparedAsAFirstStartLeavesIt) {
    ASSERT_TRUE(PrepareDefaultSite(Inst()));
    const fs::path site = Inst() / "default";
    EXPECT_EQ(Entries(site),
              (std::vector<std::string>{"ftp.txt", "ftpbeta.txt", "graf1.gif", "graf2.jpg", "oneBox.txt", "pagebox.txt",
                                        "rtemp1.txt", "rtemp2.txt", "rtemp3.txt", "rtemp31.txt", "rtemp32.txt",
                                        "rtemp33.txt", "stock", "temp311.htx", "threeBox.txt", "twoBox.txt"}));
    for (const char* fieldFile : {"oneBox.txt", "twoBox.txt", "threeBox.txt", "pagebox.txt", "ftp.txt"})
        EXPECT_EQ(Read(fs::path("default") / fieldFile), "\"\",\"Text1\"\r\n") << fieldFile;
    for (const char* section :
         {"rtemp1.txt", "rtemp31.txt", "rtemp2.txt", "rtemp32.txt", "rtemp3.txt", "rtemp33.txt", "ftpbeta.txt"})
        EXPECT_EQ(LoadSection(site / section), "Kw5 SiteFoundry") << section;
    EXPECT_EQ(LoadSection(Inst() / "Default.ste"), "Kw5 SiteFoundry");
    for (const std::string_view name : kDesignFiles)
        EXPECT_EQ(Read(fs::path("default") / name), "design " + std::string(name));
    EXPECT_EQ(fs::status(site / "ftp.txt").permissions(), fs::perms::owner_read | fs::perms::owner_write);
    // The site's pages and pictures are for a local web server or a shared preview too.
    EXPECT_EQ(fs::status(site).permissions(), fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                                                  fs::perms::others_read | fs::perms::others_exec);
}

TEST_F(NewSite, AnExistingDefaultIsNeverTouched) {
    inst_.Write("default", "a plain file of that name");
    ASSERT_TRUE(PrepareDefaultSite(Inst()));
    EXPECT_EQ(Read("default"), "a plain file of that name");
    EXPECT_FALSE(fs::exists(Inst() / "Default.ste"));
}

TEST_F(NewSite, ADesignFileTheInstallationLacksIsPassedOver) {
    fs::remove(Inst() / "stock");
    ASSERT_TRUE(PrepareDefaultSite(Inst()));
    EXPECT_FALSE(fs::exists(Inst() / "default" / "stock"));
    EXPECT_TRUE(fs::exists(Inst() / "default" / "temp311.htx"));
}

// A disk that fills half way, as the process's file-size limit: no "default" is left, so
// the next start prepares the site again; what the failed start staged is cleared then.
TEST_F(NewSite, AStartThatFailsHalfWayLeavesNoSiteAndTheNextOnePreparesIt) {
    inst_.Write("stock", std::string(4096, 'j'));
    const auto failed = [&] {
        test::DiskFullAfter full(1024);
        return PrepareDefaultSite(Inst());
    }();

    ASSERT_FALSE(failed);
    EXPECT_EQ(failed.error().reason, std::errc::file_too_large);
    EXPECT_EQ(failed.error().file, Inst() / "stock") << "the shipped file whose copy failed";
    EXPECT_FALSE(fs::exists(Inst() / "default"));

    fs::create_directories(Inst() / ".default-killed" / "half");  // as a killed start leaves it
    ASSERT_TRUE(PrepareDefaultSite(Inst()));
    EXPECT_EQ(Read("default/stock"), std::string(4096, 'j'));
    for (const std::string& name : Entries(Inst())) EXPECT_FALSE(name.starts_with(".default-")) << name;
}

// The message names the file the user would look for, not the hidden staging folder.
TEST_F(NewSite, ASeedFileThatCannotBeWrittenIsNamedAsItWouldStandInTheSite) {
    const auto failed = [&] {
        test::DiskFullAfter full(8);  // less than the first field file
        return PrepareDefaultSite(Inst());
    }();
    ASSERT_FALSE(failed);
    EXPECT_EQ(failed.error().file, Inst() / "default" / "oneBox.txt");
    EXPECT_EQ(failed.error().reason, std::errc::file_too_large);
}

// The marker lists the site in the main menu: a start that cannot write it leaves no
// "default" either, so the next start prepares both.
TEST_F(NewSite, AMarkerThatCannotBeWrittenLeavesNoSiteBehind) {
    fs::create_directory(Inst() / "Default.ste");  // in the way of the marker file
    const auto failed = PrepareDefaultSite(Inst());
    ASSERT_FALSE(failed);
    EXPECT_EQ(failed.error().file, Inst() / "Default.ste");
    EXPECT_FALSE(fs::exists(Inst() / "default"));

    fs::remove(Inst() / "Default.ste");
    ASSERT_TRUE(PrepareDefaultSite(Inst()));
    EXPECT_TRUE(fs::is_directory(Inst() / "default"));
    EXPECT_EQ(LoadSection(Inst() / "Default.ste"), "Kw5 SiteFoundry");
}

}  // namespace
}  // namespace pw::store
