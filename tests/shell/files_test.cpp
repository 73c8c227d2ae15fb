#include "shell/general/files.hpp"

#include <gtest/gtest.h>

#include "tests/disk_full.hpp"

#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <fstream>
#include <random>
#include <string>
#include <vector>

namespace pw {
namespace {

namespace fs = std::filesystem;

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

TEST_F(Resolve, AnUnreadableFolderIsAnErrorAndResolvesToTheNameAsGiven) {
    const auto found = FindIgnoringCase(root_ / "no-such-folder", "pagebox.txt");
    ASSERT_FALSE(found);
    EXPECT_EQ(found.error(), std::errc::no_such_file_or_directory);
    Write(root_ / "plain-file", "");
    EXPECT_EQ(FindIgnoringCase(root_ / "plain-file", "x").error(), std::errc::not_a_directory);
    const auto none = FindIgnoringCase(root_, "nothing-like-it");
    ASSERT_TRUE(none);
    EXPECT_FALSE(none->has_value());
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
    const auto result = [&] {
        test::DiskFullAfter full(16);
        return SaveFileAtomically(file, std::string(100, 'x'));
    }();

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

TEST_F(AtomicSave, AFileDroppedBeforeCommitLeavesTheOldOne) {
    const fs::path file = root_ / "index.html";
    Write(file, "old page");
    {
        auto atomic = AtomicFile::Create(file);
        ASSERT_TRUE(atomic);
        ASSERT_TRUE(atomic->Write("half a new p"));
    }
    EXPECT_EQ(Read(file), "old page");
    EXPECT_EQ(Entries(root_), std::vector<std::string>{"index.html"});
}

TEST_F(AtomicSave, ReadingAMissingFileIsAnError) {
    const auto bytes = ReadWholeFile(root_ / "nothing.txt");
    ASSERT_FALSE(bytes);
    EXPECT_EQ(bytes.error(), std::errc::no_such_file_or_directory);
}

}  // namespace
}  // namespace pw
