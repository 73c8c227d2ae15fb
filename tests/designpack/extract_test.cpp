// Extraction into real temporary folders: bytes, folders, modes and times, the
// overwrite policy with its questions, hostile names and broken blocks.
#include <sys/stat.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "designpack/extract.hpp"
#include "tests/designpack/tiny_pack.hpp"
#include "tests/temp_folder.hpp"

namespace pw::designpack {
namespace {

namespace fs = std::filesystem;
using test::Bytes;
using test::TempFolder;
using test::TinyPack;

std::string RandomText(std::size_t size, unsigned seed) {
    std::mt19937 random(seed);
    std::string text(size, '\0');
    for (char& c : text) c = static_cast<char>(random());
    return text;
}

std::vector<fs::path> Listing(const fs::path& folder) {
    std::vector<fs::path> entries;
    for (const auto& entry : fs::recursive_directory_iterator(folder)) entries.push_back(entry.path());
    std::sort(entries.begin(), entries.end());
    return entries;
}

// Reads through to another source and sets a stop flag once a read reaches `at`, as
// closing the installer does while the worker writes.
class StoppingSource final : public ByteSource {
public:
    StoppingSource(ByteSource& inner, std::uint64_t at, std::atomic<bool>& stop)
        : inner_(inner), at_(at), stop_(stop) {}
    std::uint64_t size() const override { return inner_.size(); }
    std::error_code readAt(std::uint64_t offset, std::span<std::uint8_t> out) override {
        if (offset >= at_) stop_ = true;
        return inner_.readAt(offset, out);
    }

private:
    ByteSource& inner_;
    std::uint64_t at_;
    std::atomic<bool>& stop_;
};

// A pack in memory, read and ready to extract into a fresh target folder.
class ExtractTest : public ::testing::Test {
protected:
    // Builds the pack and reads it; fails the test when it does not read.
    void Load(const TinyPack& tiny) {
        bytes_ = tiny.Build();
        source_ = std::make_unique<MemorySource>(bytes_);
        ASSERT_FALSE(ReadPayload(*source_, catalog_));
    }

    std::error_code Extract() { return ExtractAll(*source_, catalog_, target(), session_, report_); }

    fs::path target() const { return folder_.path() / "target"; }

    void SetUp() override { fs::create_directories(target()); }

    TempFolder folder_;
    Bytes bytes_;
    std::unique_ptr<MemorySource> source_;
    Catalog catalog_;
    ExtractionSession session_;
    ExtractReport report_;
};

TEST_F(ExtractTest, WritesExactBytesFoldersEmptyFilesModesAndTimes) {
    TinyPack tiny;
    const std::string big = RandomText(120'000, 1);  // three blocks of 40,000
    tiny.members.push_back(test::File("temp311.htx", "<html>%%texta%%</html>"));
    tiny.members.push_back(test::File("outer\\inner/deep.bin", big));
    tiny.members.push_back({"empty.txt", {}});
    tiny.members.push_back({"made/", {}});
    test::TinyMember readOnly = test::File("locked.txt", "read me");
    readOnly.attributes = kAttrArchive | kAttrReadOnly;
    readOnly.modifiedDate = (2001 - 1980) << 9 | 9 << 5 | 11;  // 2001-09-11
    readOnly.modifiedTime = 8 << 11 | 46 << 5 | 40 / 2;        // 08:46:40
    tiny.members.push_back(readOnly);
    Load(tiny);

    std::vector<std::string> statuses;
    std::vector<std::tuple<std::uint32_t, std::uint32_t, std::string>> steps;
    session_.status = [&](const std::string& text) { statuses.push_back(text); };
    session_.progress = [&](std::uint32_t done, std::uint32_t total, const std::string& text) {
        steps.emplace_back(done, total, text);
    };
    ASSERT_FALSE(Extract());

    EXPECT_EQ(TempFolder::Read(target() / "temp311.htx"), "<html>%%texta%%</html>");
    EXPECT_EQ(TempFolder::Read(target() / "outer/inner/deep.bin"), big);
    EXPECT_TRUE(fs::is_regular_file(target() / "empty.txt"));
    EXPECT_EQ(fs::file_size(target() / "empty.txt"), 0u);
    EXPECT_TRUE(fs::is_directory(target() / "made"));
    EXPECT_FALSE(fs::exists(target() / "icon.ico")) << "member 0 is the icon, never written";

    struct stat locked {
    }, normal{};
    ASSERT_EQ(::stat((target() / "locked.txt").c_str(), &locked), 0);
    ASSERT_EQ(::stat((target() / "temp311.htx").c_str(), &normal), 0);
    EXPECT_EQ(locked.st_mode & 0222, 0u);
    EXPECT_NE(normal.st_mode & S_IWUSR, 0u);
    EXPECT_EQ(locked.st_mtime, 1000198000) << "2001-09-11 08:46:40 taken as UTC";
    EXPECT_EQ(normal.st_mtime, 1704110400) << "2024-01-01 12:00:00 UTC";

    EXPECT_EQ(statuses.front(), "  inflating: temp311.htx");
    ASSERT_EQ(steps.size(), 5u);
    EXPECT_EQ(steps.front(), std::make_tuple(2u, 6u, std::string("temp311.htx")));
    EXPECT_EQ(steps.back(), std::make_tuple(6u, 6u, std::string("locked.txt")));
    EXPECT_FALSE(report_.stopped);
    EXPECT_TRUE(report_.passedOver.empty());
}

TEST_F(ExtractTest, NamesInWindows1252AreWrittenAsUtf8) {
    TinyPack tiny;
    tiny.members.push_back(test::File("M\xFCller\\caf\xE9.htx", "x"));
    Load(tiny);
    std::vector<std::string> statuses;
    session_.status = [&](const std::string& text) { statuses.push_back(text); };
    ASSERT_FALSE(Extract());
    EXPECT_EQ(TempFolder::Read(target() / "M\u00FCller" / "caf\u00E9.htx"), "x");
    EXPECT_EQ(statuses, std::vector<std::string>{"  inflating: M\u00FCller\\caf\u00E9.htx"});
}

TEST_F(ExtractTest, OverwriteFlagReplacesExistingFilesWithoutAsking) {
    TinyPack tiny;
    test::TinyMember member = test::File("temp311.htx", "new template");
    member.attributes = kAttrArchive | kAttrReadOnly;
    tiny.members.push_back(member);
    Load(tiny);
    folder_.Write("target/temp311.htx", "old template that was longer");
    fs::permissions(target() / "temp311.htx", fs::perms::owner_read);
    session_.askFileExists = [](const fs::path&) -> FileExistsAnswer {
        ADD_FAILURE() << "asked although the pack says overwrite";
        return FileExistsAnswer::skip;
    };

    ASSERT_FALSE(Extract());
    EXPECT_EQ(Listing(target()), std::vector<fs::path>{target() / "temp311.htx"});
    EXPECT_EQ(TempFolder::Read(target() / "temp311.htx"), "new template");
    struct stat info {};
    ASSERT_EQ(::stat((target() / "temp311.htx").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0222, 0u);
    EXPECT_EQ(info.st_mtime, 1704110400);
}

// Three existing files, the pack without the overwrite flag, and scripted answers.
TEST_F(ExtractTest, FileExistsAnswersDecideEachFileAndTheRestOfTheRun) {
    struct Case {
        const char* what;
        std::vector<FileExistsAnswer> answers;  // given in turn
        std::string expected[3];                // contents of a, b, c afterwards
        std::size_t questions;
        bool stopped;
    };
    using A = FileExistsAnswer;
    const Case cases[] = {
        {"replace, skip, replace", {A::replace, A::skip, A::replace}, {"new a", "old b", "new c"}, 3, false},
        {"replace all stops asking", {A::skip, A::replaceAll}, {"old a", "new b", "new c"}, 2, false},
        {"skip all stops asking", {A::replace, A::skipAll}, {"new a", "old b", "old c"}, 2, false},
        {"close box stops after the member", {A::replace, A::closed}, {"new a", "old b", "old c"}, 2, true},
    };
    TinyPack tiny;
    tiny.flags = 0;
    for (const char* name : {"a", "b", "c"}) tiny.members.push_back(test::File(name, std::string("new ") + name));
    Load(tiny);

    for (const Case& c : cases) {
        for (const char* name : {"a", "b", "c"}) {
            fs::remove(target() / name);
            folder_.Write(fs::path("target") / name, std::string("old ") + name);
        }
        ExtractionSession session;
        std::size_t asked = 0;
        session.askFileExists = [&](const fs::path& path) {
            EXPECT_EQ(path.parent_path(), target());
            return c.answers.at(asked++);
        };
        ASSERT_FALSE(ExtractAll(*source_, catalog_, target(), session, report_)) << c.what;
        EXPECT_EQ(asked, c.questions) << c.what;
        EXPECT_EQ(report_.stopped, c.stopped) << c.what;
        for (int i = 0; i < 3; ++i)
            EXPECT_EQ(TempFolder::Read(target() / std::string(1, char('a' + i))), c.expected[i]) << c.what;
    }
}

// Stopping while a member of three blocks is written: the block under way is finished,
// the member is removed (a file it was to replace keeps its old copy) and the walk ends.
TEST_F(ExtractTest, StopWhileWritingRemovesTheMemberAndKeepsAnOldCopy) {
    struct Case {
        const char* what;
        std::uint32_t flags;
        const char* existing;  // the file already in the target, or nullptr
    };
    const Case cases[] = {
        {"new file", 2, nullptr},
        {"replaced without asking", 2, "old copy"},
        {"replaced after asking", 0, "old copy"},
    };
    TinyPack tiny;
    tiny.members.push_back(test::File("first.txt", "written before"));
    tiny.members.push_back({"big.bin", test::Blocks(test::ToBytes(RandomText(120'000, 2)))});
    tiny.members.push_back(test::File("after.txt", "never reached"));
    for (const Case& c : cases) {
        tiny.flags = c.flags;
        Load(tiny);
        fs::remove_all(target());
        fs::create_directories(target());
        if (c.existing) folder_.Write("target/big.bin", c.existing);
        const Bytes& big = tiny.members[2].stored;
        const std::uint64_t secondBlock = catalog_.memberOffset(2) + 2 + (big[0] | big[1] << 8);
        ExtractionSession session;
        session.askFileExists = [](const fs::path&) { return FileExistsAnswer::replace; };
        StoppingSource source(*source_, secondBlock, session.stop);

        ASSERT_FALSE(ExtractAll(source, catalog_, target(), session, report_)) << c.what;
        EXPECT_TRUE(report_.stopped) << c.what;
        EXPECT_TRUE(report_.passedOver.empty()) << c.what;
        std::vector<fs::path> expected{target() / "first.txt"};
        if (c.existing) expected.insert(expected.begin(), target() / "big.bin");
        EXPECT_EQ(Listing(target()), expected) << c.what;
        if (c.existing) {
            EXPECT_EQ(TempFolder::Read(target() / "big.bin"), c.existing) << c.what;
        }
    }
}

TEST_F(ExtractTest, RenameWritesUnderTheChosenNameAndCancelAsksAgain) {
    TinyPack tiny;
    tiny.flags = 0;
    tiny.members.push_back(test::File("stock", "new picture"));
    Load(tiny);
    folder_.Write("target/stock", "old picture");

    std::vector<FileExistsAnswer> answers{FileExistsAnswer::rename, FileExistsAnswer::rename};
    std::size_t asked = 0, namesAsked = 0;
    session_.askFileExists = [&](const fs::path&) { return answers.at(asked++); };
    session_.askNewName = [&](const fs::path& proposed) -> std::optional<fs::path> {
        EXPECT_EQ(proposed, target() / "stock");
        if (namesAsked++ == 0) return std::nullopt;  // cancelled: the same name exists again
        return target() / "stock2";
    };
    ASSERT_FALSE(Extract());
    EXPECT_EQ(asked, 2u);
    EXPECT_EQ(TempFolder::Read(target() / "stock"), "old picture");
    EXPECT_EQ(TempFolder::Read(target() / "stock2"), "new picture");
}

TEST_F(ExtractTest, HostileNamesWriteNothingOutsideTheTarget) {
    const std::string outside = (folder_.path() / "escaped").string();
    const std::string names[] = {outside,
                                 "../escaped",
                                 "..\\escaped",
                                 "a/../../escaped",
                                 "a\\..\\..\\escaped",
                                 "C:\\escaped",
                                 "C:escaped",
                                 "\\escaped",
                                 "/escaped",
                                 "..",
                                 "./..//escaped",
                                 std::string("a\0b", 3),
                                 "",
                                 "./",
                                 "ok/../../escaped/"};
    TinyPack tiny;
    for (const std::string& name : names) tiny.members.push_back(test::File(name, "payload"));
    tiny.members.push_back(test::File("fine.txt", "fine"));
    Load(tiny);

    ASSERT_FALSE(Extract());
    EXPECT_EQ(Listing(folder_.path()), (std::vector<fs::path>{target(), target() / "fine.txt"}));
    ASSERT_EQ(report_.passedOver.size(), std::size(names));
    for (const PassedOver& passed : report_.passedOver)
        EXPECT_EQ(passed.reason, CreateOutcome::refusedName) << passed.name;
    EXPECT_FALSE(DeleteExtracted(catalog_, target()));
    EXPECT_EQ(Listing(folder_.path()), std::vector<fs::path>{target()});
}

TEST_F(ExtractTest, BrokenBlocksMakeThePackCorruptAndLeaveNoPartialFile) {
    const std::string tooLong(kMaxBlockInflated + 1, 'x');
    struct Case {
        const char* what;
        Bytes stored;
    };
    const Case cases[] = {
        {"not zlib", test::RawBlock(Bytes(100, 0xAB))},
        {"inflates past 50,515 bytes", test::Block(test::ToBytes(tooLong))},
        {"stream with bytes after its end",
         [] {
             Bytes raw = test::Block(test::ToBytes("abc"));
             raw.erase(raw.begin(), raw.begin() + 2);
             raw.push_back(0);
             return test::RawBlock(raw);
         }()},
        {"truncated stream",
         [] {
             Bytes raw = test::Block(test::ToBytes(std::string(1000, 'q')));
             raw.erase(raw.begin(), raw.begin() + 2);
             raw.resize(raw.size() - 3);
             return test::RawBlock(raw);
         }()},
    };
    for (const Case& c : cases) {
        TinyPack tiny;
        tiny.members.push_back(test::File("first.txt", "written before"));
        test::TinyMember broken{"broken.txt", test::Blocks(test::ToBytes("good first block"))};
        broken.stored.insert(broken.stored.end(), c.stored.begin(), c.stored.end());
        tiny.members.push_back(broken);
        tiny.members.push_back(test::File("after.txt", "never reached"));
        Load(tiny);
        fs::remove_all(target());
        fs::create_directories(target());

        EXPECT_EQ(Extract(), make_error_code(PackErrc::corrupt)) << c.what;
        EXPECT_EQ(Listing(target()), std::vector<fs::path>{target() / "first.txt"}) << c.what;
    }
}

TEST_F(ExtractTest, FilesThatCannotBeCreatedArePassedOverAndTheWalkGoesOn) {
    TinyPack tiny;
    tiny.members.push_back(test::File("blocked/file.txt", "x"));
    tiny.members.push_back(test::File("next.txt", "y"));
    Load(tiny);
    folder_.Write("target/blocked", "a file where a folder is needed");

    ASSERT_FALSE(Extract());
    EXPECT_EQ(TempFolder::Read(target() / "next.txt"), "y");
    ASSERT_EQ(report_.passedOver.size(), 1u);
    EXPECT_EQ(report_.passedOver[0].reason, CreateOutcome::failed);
    EXPECT_TRUE(report_.passedOver[0].error);
}

TEST_F(ExtractTest, IconComesBackInMemoryAndDeleteExtractedRemovesOnlyMemberFiles) {
    TinyPack tiny;
    tiny.members[0] = test::File("C:\\icons\\pack.ico", "ICONDATA");
    tiny.members.push_back(test::File("dir/one.txt", "1"));
    tiny.members.push_back({"dir/", {}});
    Load(tiny);

    std::vector<std::uint8_t> icon;
    ASSERT_FALSE(ExtractIcon(*source_, catalog_, icon));
    EXPECT_EQ(std::string(icon.begin(), icon.end()), "ICONDATA");

    ASSERT_FALSE(Extract());
    folder_.Write("target/dir/user.txt", "the user's own file");
    EXPECT_FALSE(DeleteExtracted(catalog_, target()));
    EXPECT_EQ(Listing(target()), (std::vector<fs::path>{target() / "dir", target() / "dir/user.txt"}));
    EXPECT_FALSE(DeleteExtracted(catalog_, target())) << "files already gone are fine";
}

}  // namespace
}  // namespace pw::designpack
