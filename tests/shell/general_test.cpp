#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <vector>

#include "shell/general/copy_file.hpp"
#include "shell/general/text.hpp"
#include "tests/temp_folder.hpp"

namespace pw {
namespace {

struct ReplaceCase {
    std::string text, replacement, search, expected;
};

TEST(ReplaceAll, ReplacesEveryOccurrenceIgnoringCase) {
    const std::vector<ReplaceCase> cases = {
        {"<title>%%titlez%%</title>", "Home", "%%titlez%%", "<title>Home</title>"},
        {"%%Title%% and %%TITLE%%", "x", "%%title%%", "x and x"},
        {"%%1%%%%1%%", "A", "%%1%%", "AA"},
        {"%%1%%", "%%1%% again", "%%1%%", "%%1%% again"},  // replaced text is not searched again
        {"aaaa", "b", "aa", "bb"},                         // matches do not overlap
        {"no placeholder", "x", "%%texta%%", "no placeholder"},
        {"", "x", "%%texta%%", ""},
        {"%%texta%%", "", "%%TEXTA%%", ""},
        {"Grüße %%NAME%% — ÜBER", "Jörg", "%%name%%", "Grüße Jörg — ÜBER"},
        {"ÜBER uns über", "X", "über", "X uns X"},  // letter case ignored beyond ASCII too
        {"bad \xff byte %%x%%", "y", "%%X%%", "bad \xff byte y"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ReplaceAll(c.text, c.replacement, c.search), c.expected) << c.text;
    }
}

TEST(ReplaceAll, HasNoLengthLimit) {
    std::string text(100'000, 'x');
    text += "%%footer%%";
    EXPECT_TRUE(ReplaceAll(text, "end", "%%FOOTER%%") == std::string(100'000, 'x') + "end");
}

TEST(FileExtension, TakesWhatFollowsTheLastDotOfTheFileName) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"C:\\a.b\\page.html", "html"}, {"C:\\a.b\\page", ""},    {"readme", ""}, {"PIC.GIF", "GIF"},
        {"/srv/a.b/page", ""},          {"archive.tar.gz", "gz"}, {"dot.", ""},   {"/home/u/site/pic.JPG", "JPG"},
    };
    for (const auto& [path, extension] : cases) EXPECT_EQ(FileExtension(path), extension) << path;
}

TEST(SquashLower, RemovesSpacesOnlyAndLowersWithoutChangingTheCallersCase) {
    struct Case {
        std::string input, stored, returned;
    };
    const std::vector<Case> cases = {
        {"About us", "Aboutus", "aboutus"},      {" A B ", "AB", "ab"},
        {"Über uns", "Überuns", "überuns"},      {"News", "News", "news"},
        {"Tab\there", "Tab\there", "tab\there"}, {"", "", ""},
        {"ÉTÉ 2026", "ÉTÉ2026", "été2026"},
    };
    for (auto c : cases) {
        EXPECT_EQ(SquashLower(c.input), c.returned);
        EXPECT_EQ(c.input, c.stored);
    }
}

class CopyFileTest : public ::testing::Test {
protected:
    test::TempFolder folder;
    std::vector<int> progress;
    std::vector<std::string> questions;
    bool answer = true;
    CopyCallbacks callbacks{.useExisting =
                                [this](const std::string& q) {
                                    questions.push_back(q);
                                    return answer;
                                },
                            .progress = [this](int p) { progress.push_back(p); }};
};

TEST_F(CopyFileTest, CopiesInBlocksReportingProgressThenZero) {
    const std::vector<std::pair<std::size_t, std::vector<int>>> cases = {
        {2500, {41, 82, 100, 0}}, {1024, {100, 0}}, {1, {100, 0}}, {0, {0}},  // an empty source copies as an empty file
    };
    for (const auto& [size, expectedProgress] : cases) {
        progress.clear();
        std::string bytes(size, '\0');
        for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>(i * 7);
        const auto source = folder.Write("source" + std::to_string(size), bytes);
        const auto destination = folder.path() / ("copy" + std::to_string(size));
        EXPECT_EQ(CopyFile(source, destination, callbacks), CopyOutcome::Copied);
        EXPECT_EQ(folder.Read(destination), bytes);
        EXPECT_EQ(progress, expectedProgress) << size;
    }
    EXPECT_TRUE(questions.empty());
}

TEST_F(CopyFileTest, ExistingDestinationIsKeptAndTheAnswerDecides) {
    const auto source = folder.Write("source", "new");
    const auto destination = folder.Write("dest", "old");
    for (const bool yes : {true, false}) {
        answer = yes;
        EXPECT_EQ(CopyFile(source, destination, callbacks), yes ? CopyOutcome::UsedExisting : CopyOutcome::Declined);
        EXPECT_EQ(folder.Read(destination), "old");
    }
    ASSERT_EQ(questions.size(), 2u);
    EXPECT_EQ(questions[0],
              destination.string() + "\n\nFile already exists in your web page directory. Do you want use it?");
}

TEST_F(CopyFileTest, FailureKeepsItsReasonAndLeavesNothingBehind) {
    const auto destination = folder.path() / "dest";
    const auto missing = CopyFile(folder.path() / "missing", destination, callbacks);
    ASSERT_FALSE(missing);
    EXPECT_EQ(missing.error(), std::errc::no_such_file_or_directory);
    EXPECT_FALSE(std::filesystem::exists(destination));
    EXPECT_FALSE(std::filesystem::exists(folder.path() / "missing"));

    const auto source = folder.Write("source", std::string(3000, 'x'));
    const auto noFolder = CopyFile(source, folder.path() / "no-such-folder" / "dest", callbacks);
    ASSERT_FALSE(noFolder);
    EXPECT_EQ(noFolder.error(), std::errc::no_such_file_or_directory);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.path()), {}), 1) << "no temporary left";

    const auto aFolder = CopyFile(folder.path(), folder.path() / "copy-of-a-folder", callbacks);
    ASSERT_FALSE(aFolder);
    EXPECT_EQ(aFolder.error(), std::errc::is_a_directory);
}

}  // namespace
}  // namespace pw
