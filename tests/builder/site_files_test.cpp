#include "builder/store/site_files.hpp"

#include <gtest/gtest.h>

#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <fstream>
#include <random>
#include <string>
#include <vector>

namespace pw::store {
namespace {

// A fresh folder under the system temp folder, removed with everything in it.
class TempFolder : public testing::Test {
protected:
    TempFolder() {
        const auto name = "pw_store_" + std::to_string(::getpid()) + "_" + std::to_string(std::random_device{}());
        root_ = fs::temp_directory_path() / name;
        fs::create_directories(root_);
    }
    ~TempFolder() override {
        std::error_code ignored;
        fs::permissions(root_, fs::perms::owner_all, fs::perm_options::add, ignored);
        fs::remove_all(root_, ignored);
    }

    void Write(const fs::path& path, const std::string& bytes) { std::ofstream(path, std::ios::binary) << bytes; }

    std::string Read(const fs::path& path) {
        auto bytes = ReadWholeFile(path);
        return bytes ? *bytes : "<unreadable>";
    }

    // Every entry of `folder`, to see that nothing was left behind.
    std::vector<std::string> Entries(const fs::path& folder) {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(folder)) names.push_back(entry.path().filename().string());
        std::ranges::sort(names);
        return names;
    }

    fs::path root_;
};

using Resolve = TempFolder;

TEST_F(Resolve, FindsNamesWithoutRegardToCase) {
    for (const char* name : {"pagebox.txt", "ärger.txt", "привет.txt", "Καλημέρα.txt"}) Write(root_ / name, "");
    EXPECT_EQ(ResolveInFolder(root_, "pageBox.txt"), root_ / "pagebox.txt");
    EXPECT_EQ(ResolveInFolder(root_, "PAGEBOX.TXT"), root_ / "pagebox.txt");
    EXPECT_EQ(ResolveInFolder(root_, "ÄRGER.txt"), root_ / "ärger.txt");
    EXPECT_EQ(ResolveInFolder(root_, "ПРИВЕТ.TXT"), root_ / "привет.txt");
    EXPECT_EQ(ResolveInFolder(root_, "ΚΑΛΗΜΈΡΑ.txt"), root_ / "Καλημέρα.txt");
    EXPECT_EQ(ResolveInFolder(root_, "missing.txt"), root_ / "missing.txt");
    EXPECT_EQ(ResolveInFolder(root_ / "no-such-folder", "x"), root_ / "no-such-folder" / "x");
}

TEST_F(Resolve, PrefersTheExactName) {
    fs::create_directory(root_ / "Default");
    fs::create_directory(root_ / "default");
    EXPECT_EQ(ResolveInFolder(root_, "default"), root_ / "default");
    EXPECT_EQ(ResolveInFolder(root_, "Default"), root_ / "Default");
    EXPECT_EQ(ResolveInFolder(root_, "DEFAULT"), root_ / "Default");  // the alphabetically first variant
}

TEST_F(Resolve, RelativePathsTakeEitherSeparator) {
    fs::create_directory(root_ / "default");
    Write(root_ / "default" / "pagebox.txt", "");
    EXPECT_EQ(ResolveRelative(root_, "\\Default\\pageBox.txt"), root_ / "default" / "pagebox.txt");
    EXPECT_EQ(ResolveRelative(root_, "Default/PAGEBOX.TXT"), root_ / "default" / "pagebox.txt");
    EXPECT_EQ(ResolveRelative(root_, "\\default\\new.txt"), root_ / "default" / "new.txt");
    EXPECT_EQ(SiteFilePath(root_, "DEFAULT", "PageBox.txt"), root_ / "default" / "pagebox.txt");
}

TEST(PageFiles, EachPageWordSelectsItsThreeFiles) {
    struct Case {
        const char* word;
        const char* fields;
        const char* sectionA;
        const char* sectionB;
    };
    for (const Case& c : {Case{"one", "oneBox.txt", "rtemp1.txt", "rtemp31.txt"},
                          Case{"", "oneBox.txt", "rtemp1.txt", "rtemp31.txt"},
                          Case{"four", "oneBox.txt", "rtemp1.txt", "rtemp31.txt"},
                          Case{"two", "twoBox.txt", "rtemp2.txt", "rtemp32.txt"},
                          Case{"three", "threeBox.txt", "rtemp3.txt", "rtemp33.txt"}}) {
        const PageFiles files = PageFilesFor(c.word);
        EXPECT_EQ(files.fields, c.fields) << c.word;
        EXPECT_EQ(files.sectionA, c.sectionA) << c.word;
        EXPECT_EQ(files.sectionB, c.sectionB) << c.word;
    }
}

using AtomicSave = TempFolder;

TEST_F(AtomicSave, ReplacesTheFileAndLeavesNothingElse) {
    const fs::path file = root_ / "oneBox.txt";
    Write(file, "old");
    ASSERT_TRUE(SaveFileAtomically(file, "new content"));
    EXPECT_EQ(Read(file), "new content");
    ASSERT_TRUE(SaveFileAtomically(file, ""));
    EXPECT_EQ(Read(file), "");
    EXPECT_EQ(Entries(root_), std::vector<std::string>{"oneBox.txt"});
}

TEST_F(AtomicSave, AppliesTheRequestedPermissions) {
    const fs::path file = root_ / "ftp.txt";
    ASSERT_TRUE(SaveFileAtomically(file, "secret", fs::perms::owner_read | fs::perms::owner_write));
    EXPECT_EQ(fs::status(file).permissions(), fs::perms::owner_read | fs::perms::owner_write);
    ASSERT_TRUE(SaveFileAtomically(root_ / "page.html", "x"));
    EXPECT_EQ(fs::status(root_ / "page.html").permissions(),
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read | fs::perms::others_read);
}

TEST_F(AtomicSave, MissingFolderIsAnErrorAndCreatesNothing) {
    const auto result = SaveFileAtomically(root_ / "gone" / "oneBox.txt", "x");
    ASSERT_FALSE(result);
    EXPECT_EQ(result.error(), std::errc::no_such_file_or_directory);
    EXPECT_TRUE(Entries(root_).empty());
}

TEST_F(AtomicSave, FailedRenameKeepsWhatIsThere) {
    fs::create_directories(root_ / "index.html" / "inside");  // a folder where the file should go
    EXPECT_FALSE(SaveFileAtomically(root_ / "index.html", "x"));
    EXPECT_TRUE(fs::is_directory(root_ / "index.html" / "inside"));
    EXPECT_EQ(Entries(root_), std::vector<std::string>{"index.html"});
}

// A full disk, as the process's file-size limit: the write fails half-way.
TEST_F(AtomicSave, FailedWriteKeepsTheOldFile) {
    const fs::path file = root_ / "rtemp1.txt";
    Write(file, "old section");
    rlimit saved{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = saved;
    small.rlim_cur = 16;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    const auto result = SaveFileAtomically(file, std::string(100, 'x'));
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, oldHandler);

    ASSERT_FALSE(result);
    EXPECT_EQ(result.error(), std::errc::file_too_large);
    EXPECT_EQ(Read(file), "old section");
    EXPECT_EQ(Entries(root_), std::vector<std::string>{"rtemp1.txt"});
}

TEST_F(AtomicSave, UnwritableFolderKeepsTheOldFile) {
    if (::geteuid() == 0) GTEST_SKIP() << "root writes into read-only folders";
    const fs::path file = root_ / "oneBox.txt";
    Write(file, "old");
    fs::permissions(root_, fs::perms::owner_read | fs::perms::owner_exec);
    EXPECT_FALSE(SaveFileAtomically(file, "new"));
    fs::permissions(root_, fs::perms::owner_all);
    EXPECT_EQ(Read(file), "old");
    EXPECT_EQ(Entries(root_), std::vector<std::string>{"oneBox.txt"});
}

TEST_F(AtomicSave, ReadingAMissingFileIsAnError) {
    const auto bytes = ReadWholeFile(root_ / "nothing.txt");
    ASSERT_FALSE(bytes);
    EXPECT_EQ(bytes.error(), std::errc::no_such_file_or_directory);
}

using Sections = TempFolder;

TEST_F(Sections, SaveThenLoadGivesTheTextBack) {
    const fs::path file = root_ / "rtemp31.txt";
    for (const std::string text : {"Kw5 SiteFoundry", "<p>Grüße €</p>\r\n<p>{x}</p>\r\n", ""}) {
        ASSERT_TRUE(SaveSection(file, text));
        EXPECT_TRUE(Read(file).starts_with("{\\rtf1"));
        EXPECT_EQ(LoadSection(file), text);
    }
    EXPECT_FALSE(LoadSection(root_ / "rtemp2.txt"));
}

TEST_F(Sections, HandOverIsPlainTextWithALineEnd) {
    ASSERT_TRUE(WriteHandOver(root_, "<b>Grüße</b>\r\nline 2"));
    EXPECT_EQ(Read(root_ / "stand.1w1"), "<b>Grüße</b>\r\nline 2\r\n");
    ASSERT_TRUE(WriteHandOver(root_, "short"));
    EXPECT_EQ(Read(root_ / "stand.1w1"), "short\r\n");
    EXPECT_FALSE(DeleteHandOver(root_));
    EXPECT_FALSE(fs::exists(root_ / "stand.1w1"));
    EXPECT_FALSE(DeleteHandOver(root_)) << "an absent file is no error";
}

}  // namespace
}  // namespace pw::store
