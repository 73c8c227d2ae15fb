// The copies of a site's design kept before a design pack replaces it: what a copy holds,
// putting it back, and how many are kept.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>

#include "shell/designs/design_copies.hpp"
#include "tests/temp_folder.hpp"

namespace pw::designs {
namespace {

using std::chrono::seconds;
const std::chrono::system_clock::time_point kMorning{seconds(1'765'440'000)};  // 2025-12-11 08:00:00 UTC

// A site in a design whose template refers to its pictures in every way a design may.
class DesignCopiesTest : public ::testing::Test {
protected:
    test::TempFolder inst;
    fs::path site = inst.path() / "default";

    void SetUp() override {
        inst.Write("default/temp311.htx",
                   "<html><head><style>body { background: url(graf2.jpg) }</style>"
                   "<link href=\"style.css\" rel=\"stylesheet\"></head>"
                   "<body background=\"Back.GIF\"><img src=\"graf1.gif\"><img src='images/sub.gif'>"
                   "<img src=\"http://example.com/far.gif\"><img src=\"../other/up.gif\"><img src=\"gone.gif\">"
                   "<a href=\"page2.html\">%%2%%</a>%%texta%%</body></html>");
        inst.Write("default/stock", "layout picture");
        inst.Write("default/graf1.gif", "graf one");
        inst.Write("default/graf2.jpg", "graf two");
        inst.Write("default/back.gif", "background");
        inst.Write("default/style.css", "not a picture");
        inst.Write("default/images/sub.gif", "in a folder");
        inst.Write("default/index.html", "the user's page");
        inst.Write("default/photo.jpg", "the user's photo");
    }
    std::string Read(const char* name) const { return test::TempFolder::Read(site / name); }
};

TEST_F(DesignCopiesTest, TheDesignIsTheTemplateTheLayoutPictureAndThePicturesTheTemplateShowsFromTheSite) {
    EXPECT_EQ(DesignFilesOf(site),
              (std::vector<std::string>{"temp311.htx", "stock", "graf2.jpg", "back.gif", "graf1.gif"}));
    fs::remove(site / "stock");
    EXPECT_EQ(DesignFilesOf(site), (std::vector<std::string>{"temp311.htx", "graf2.jpg", "back.gif", "graf1.gif"}));
    EXPECT_TRUE(DesignFilesOf(inst.path() / "no such site").empty());
}

TEST_F(DesignCopiesTest, PuttingTheCopyBackRestoresEveryDesignFileAndUsesTheCopyUp) {
    const auto copy = KeepCopy(site, kMorning);
    ASSERT_TRUE(copy.has_value()) << copy.error().message();
    EXPECT_EQ(*copy, site / ".designs" / "2025-12-11 080000Z");
    EXPECT_EQ(LatestCopy(site), *copy);
    // A design pack writes its own design, with a picture the old one did not have.
    for (const char* name : {"temp311.htx", "stock", "graf1.gif", "graf2.jpg"})
        inst.Write(fs::path("default") / name, "new");
    inst.Write("default/back.gif", "new");
    inst.Write("default/index.html", "the page made in the new design");

    ASSERT_TRUE(RestoreLatestCopy(site).has_value());
    EXPECT_TRUE(Read("temp311.htx").starts_with("<html><head><style>"));
    EXPECT_EQ(Read("stock"), "layout picture");
    EXPECT_EQ(Read("graf1.gif"), "graf one");
    EXPECT_EQ(Read("graf2.jpg"), "graf two");
    EXPECT_EQ(Read("back.gif"), "background");
    EXPECT_EQ(Read("index.html"), "the page made in the new design") << "pages are made again, not copied";
    EXPECT_EQ(Read("photo.jpg"), "the user's photo");
    EXPECT_FALSE(LatestCopy(site).has_value()) << "that copy is used up";
    EXPECT_EQ(RestoreLatestCopy(site).error(), std::errc::no_such_file_or_directory);
    EXPECT_TRUE(Read("temp311.htx").starts_with("<html><head><style>")) << "nothing to put back changes nothing";
}

TEST_F(DesignCopiesTest, ACopyIsPutBackUnderTheSitesOwnLetterCase) {
    ASSERT_TRUE(KeepCopy(site, kMorning).has_value());
    fs::rename(site / "graf1.gif", site / "GRAF1.GIF");
    inst.Write("default/GRAF1.GIF", "new");
    ASSERT_TRUE(RestoreLatestCopy(site).has_value());
    EXPECT_EQ(Read("GRAF1.GIF"), "graf one");
    EXPECT_FALSE(fs::exists(site / "graf1.gif"));
}

TEST_F(DesignCopiesTest, TheNewestFiveCopiesAreKeptAndEachGoesBackOneDesign) {
    for (int change = 0; change < 7; ++change) {
        inst.Write("default/stock", "design " + std::to_string(change));
        ASSERT_TRUE(KeepCopy(site, kMorning + seconds(change / 2)).has_value());  // two a second
    }
    std::vector<std::string> kept;
    for (const auto& entry : fs::directory_iterator(site / ".designs"))
        kept.push_back(entry.path().filename().string());
    std::ranges::sort(kept);
    EXPECT_EQ(kept, (std::vector<std::string>{"2025-12-11 080001Z", "2025-12-11 080001Z-2", "2025-12-11 080002Z",
                                              "2025-12-11 080002Z-2", "2025-12-11 080003Z"}));
    for (int back = 6; back >= 2; --back) {
        ASSERT_TRUE(RestoreLatestCopy(site).has_value());
        EXPECT_EQ(Read("stock"), "design " + std::to_string(back));
    }
    EXPECT_FALSE(LatestCopy(site).has_value());
}

TEST_F(DesignCopiesTest, ACopyLeftHalfMadeNeverCountsAndGoesWithTheNextCopy) {
    inst.Write("default/.designs/2025-12-11 090000Z.partial/stock", "half");
    EXPECT_FALSE(LatestCopy(site).has_value());
    ASSERT_TRUE(KeepCopy(site, kMorning).has_value());
    EXPECT_EQ(LatestCopy(site), site / ".designs" / "2025-12-11 080000Z");
    EXPECT_FALSE(fs::exists(site / ".designs" / "2025-12-11 090000Z.partial"));
}

TEST_F(DesignCopiesTest, ASiteWithoutADesignKeepsNothingAndNoFolderIsMade) {
    const fs::path missing = inst.path() / "gone";
    EXPECT_EQ(KeepCopy(missing, kMorning).error(), std::errc::no_such_file_or_directory);
    EXPECT_FALSE(fs::exists(missing)) << "a site folder made here would stop the first start preparing it";
    fs::create_directories(inst.path() / "empty");
    EXPECT_EQ(KeepCopy(inst.path() / "empty", kMorning).error(), std::errc::no_such_file_or_directory);
    EXPECT_FALSE(fs::exists(inst.path() / "empty" / ".designs"));
}

}  // namespace
}  // namespace pw::designs
