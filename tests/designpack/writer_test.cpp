// The pack writer and the mkdesignpack program: what they write reads back and extracts
// to the same files, keeps both block limits, and is the same byte for byte each time.
#include <zlib.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <random>
#include <sstream>

#include "designpack/extract.hpp"
#include "designpack/pack_writer.hpp"
#include "tests/designpack/tiny_pack.hpp"
#include "tests/temp_folder.hpp"

namespace pw::designpack {
namespace {

namespace fs = std::filesystem;
using test::Bytes;
using test::TempFolder;

Bytes RandomBytes(std::size_t size, unsigned seed) {
    std::mt19937 random(seed);
    Bytes bytes(size);
    for (auto& b : bytes) b = static_cast<std::uint8_t>(random());
    return bytes;
}

Bytes Written(const PackContents& contents) {
    std::ostringstream out;
    EXPECT_FALSE(WritePack(contents, out));
    const std::string text = out.str();
    return Bytes(text.begin(), text.end());
}

PackMember Member(std::string name, ContentSource content) {
    return {MemberRecord{std::move(name), 0, kAttrArchive, 0x5821, 0x6000, 0x5821, 0x6000}, std::move(content)};
}

PackContents SampleContents() {
    PackContents contents;
    contents.stub = test::ToBytes("stub");
    contents.members = {Member("pack.ico", test::ToBytes("ICON")),
                        Member("random.bin", RandomBytes(300'000, 7)),
                        Member("zeros.bin", Bytes(1'000'000, 0)),
                        Member("empty.txt", Bytes{}),
                        Member("sub/", Bytes{}),
                        Member("sub/deeper/page.htx", test::ToBytes("<html></html>"))};
    contents.settings = {"KW5 Software", "", "Click 'OK' to continue.", "default", "Design Updater", "www.example.com"};
    contents.components = {{"vb600a", "runtime", {{"libQt6Widgets.so.6", ""}, {"~Software\\Key", "1.0"}}}};
    contents.flags.bits = PackFlags::kOverwrite;
    contents.passwordCheck = PackPasswordHash("abc");
    return contents;
}

// Walks a member's blocks by hand and checks both limits on each.
void ExpectBlocksWithinLimits(const Bytes& pack, std::uint64_t offset, std::uint32_t storedSize,
                              const std::string& name) {
    const std::uint64_t end = offset + storedSize;
    Bytes inflated(kMaxBlockInflated + 1);
    while (offset < end) {
        const std::size_t length = pack[offset] | pack[offset + 1] << 8;
        EXPECT_LE(length, kMaxBlockStored) << name;
        uLongf out = inflated.size();
        ASSERT_EQ(uncompress(inflated.data(), &out, &pack[offset + 2], length), Z_OK) << name;
        EXPECT_LE(out, kMaxBlockInflated) << name;
        offset += 2 + length;
    }
    EXPECT_EQ(offset, end) << name;
}

TEST(WriterTest, RoundTripReadsExtractsAndKeepsBlockLimits) {
    const PackContents contents = SampleContents();
    const Bytes pack = Written(contents);
    MemorySource source(pack);
    Catalog catalog;
    ASSERT_FALSE(ReadPayload(source, catalog));

    EXPECT_EQ(catalog.memberAreaOffset, 4u);
    ASSERT_EQ(catalog.members.size(), contents.members.size());
    for (std::size_t i = 0; i < catalog.members.size(); ++i) {
        EXPECT_EQ(catalog.members[i].name, contents.members[i].record.name);
        ExpectBlocksWithinLimits(pack, catalog.memberOffset(i), catalog.members[i].storedSize, catalog.members[i].name);
    }
    EXPECT_EQ(catalog.members[3].storedSize, 0u) << "an empty file has no blocks";
    EXPECT_EQ(catalog.settings.prompt, "Click 'OK' to continue.");
    ASSERT_EQ(catalog.components.size(), 1u);
    ASSERT_EQ(catalog.components[0].requirements.size(), 2u);
    EXPECT_EQ(catalog.components[0].requirements[1].name, "~Software\\Key");
    EXPECT_EQ(catalog.components[0].requirements[1].value, "1.0");
    EXPECT_EQ(catalog.flags.bits, PackFlags::kOverwrite);
    EXPECT_EQ(catalog.passwordCheck, 0x6EDC6A73u);

    TempFolder folder;
    ExtractionSession session;
    ExtractReport report;
    ASSERT_FALSE(ExtractAll(source, catalog, folder.path(), session, report));
    for (std::size_t i = 1; i < contents.members.size(); ++i) {
        const auto& expected = std::get<Bytes>(contents.members[i].content);
        if (IsFolderEntry(contents.members[i].record.name)) continue;
        EXPECT_EQ(test::ToBytes(TempFolder::Read(folder.path() / contents.members[i].record.name)), expected)
            << contents.members[i].record.name;
    }
    EXPECT_EQ(Written(contents), pack) << "the same contents give the same bytes";
}

TEST(WriterTest, ReadsStubAndMembersFromFiles) {
    TempFolder folder;
    const std::string big(200'000, 'b');
    PackContents contents;
    contents.stub = folder.Write("stub", "#!program");
    contents.members = {Member("i.ico", folder.Write("i.ico", "ICO")), Member("big.txt", folder.Write("big.txt", big))};
    const Bytes pack = Written(contents);
    EXPECT_EQ(std::string(pack.begin(), pack.begin() + 9), "#!program");

    MemorySource source(pack);
    Catalog catalog;
    ASSERT_FALSE(ReadPayload(source, catalog));
    ExtractionSession session;
    ExtractReport report;
    ASSERT_FALSE(ExtractAll(source, catalog, folder.path() / "out", session, report));
    // The target folder itself is not created by the walk; the installer makes it.
    ASSERT_EQ(report.passedOver.size(), 1u);
    fs::create_directories(folder.path() / "out");
    ASSERT_FALSE(ExtractAll(source, catalog, folder.path() / "out", session, report));
    EXPECT_EQ(TempFolder::Read(folder.path() / "out/big.txt"), big);

    contents.members[1].content = folder.path() / "missing";
    std::ostringstream out;
    EXPECT_EQ(WritePack(contents, out), std::errc::no_such_file_or_directory);
    contents.members[1].content = folder.path();  // a folder opens, but cannot be read as content
    EXPECT_EQ(WritePack(contents, out), std::errc::is_a_directory);
}

TEST(WriterTest, ContentsBeyondTheFormatsLimitsAreRefusedBeforeWriting) {
    struct Case {
        const char* what;
        void (*change)(PackContents&);
        PackWriteErrc reason;
        std::string offending;
    };
    using E = PackWriteErrc;
    const Case cases[] = {
        {"no members", [](PackContents& c) { c.members.clear(); }, E::noIconMember, ""},
        {"caption of 80", [](PackContents& c) { c.settings.caption.assign(80, 'c'); }, E::captionTooLong,
         std::string(80, 'c')},
        {"prompt of 256", [](PackContents& c) { c.settings.prompt.assign(256, 'p'); }, E::settingTooLong,
         std::string(256, 'p')},
        {"name of 256", [](PackContents& c) { c.members[1].record.name.assign(256, 'n'); }, E::memberNameTooLong,
         std::string(256, 'n')},
        {"six components", [](PackContents& c) { c.components.assign(6, c.components[0]); }, E::tooManyComponents, ""},
        {"identifier of 20", [](PackContents& c) { c.components[0].identifier.assign(20, 'i'); }, E::identifierTooLong,
         std::string(20, 'i')},
        {"six requirements",
         [](PackContents& c) {
             c.components[0].requirements.assign(6, {"a", ""});
         },
         E::tooManyRequirements, "vb600a"},
        {"value of 20", [](PackContents& c) { c.components[0].requirements[0].value.assign(20, 'v'); },
         E::requirementValueTooLong, std::string(20, 'v')},
        {"name with ';'", [](PackContents& c) { c.components[0].requirements[0].name = "a;b"; },
         E::requirementNotListable, "a;b="},
        {"folder with content", [](PackContents& c) { c.members[4].content = test::ToBytes("x"); },
         E::folderEntryWithContent, "sub/"},
    };
    for (const Case& c : cases) {
        PackContents contents = SampleContents();
        c.change(contents);
        std::string offending;
        EXPECT_EQ(ValidatePack(contents, &offending), c.reason) << c.what;
        EXPECT_EQ(offending, c.offending) << c.what;
        std::ostringstream out;
        const std::error_code written = WritePack(contents, out);
        EXPECT_EQ(written, c.reason) << c.what;
        EXPECT_EQ(written, std::errc::invalid_argument) << c.what;
        EXPECT_TRUE(out.str().empty()) << c.what;
    }
    EXPECT_FALSE(ValidatePack(SampleContents()));
}

// mkdesignpack itself, run as a designer runs it.
class MkDesignPackTest : public ::testing::Test {
protected:
    int Run(const std::string& arguments) {
        const std::string command =
            std::string(MKDESIGNPACK) + " " + arguments + " 2>" + (folder_.path() / "stderr.txt").string();
        return std::system(command.c_str());
    }

    std::string Common(const fs::path& output) const {
        const auto p = folder_.path();
        return "--stub " + (p / "stub").string() + " --icon " + (p / "pack.ico").string() + " --output " +
               output.string() + " ";
    }

    TempFolder folder_;
};

TEST_F(MkDesignPackTest, PacksAFolderSortedWithFixedTimesReproducibly) {
    folder_.Write("stub", "#!stub");
    folder_.Write("pack.ico", "ICO");
    folder_.Write("design/temp311.htx", "<html></html>");
    folder_.Write("design/graf1.gif", "GIF89a");
    folder_.Write("design/pics/b.jpg", "JPEG");
    fs::create_directories(folder_.path() / "design/empty");
    const std::string options =
        "--caption \"Design Updater\" --prompt \"Click 'OK' to continue.\" "
        "--publisher \"KW5 Software\" --target default --overwrite "
        "--component \"vb600a|runtime|libQt6Widgets.so.6=\" "
        "--time \"2024-01-01 12:00:00\" " +
        (folder_.path() / "design").string();
    ASSERT_EQ(Run(Common(folder_.path() / "one.exe") + options), 0) << TempFolder::Read(folder_.path() / "stderr.txt");
    fs::last_write_time(folder_.path() / "design/graf1.gif", fs::file_time_type::clock::now() - std::chrono::hours(50));
    ASSERT_EQ(Run(Common(folder_.path() / "two.exe") + options), 0);

    const std::string one = TempFolder::Read(folder_.path() / "one.exe");
    EXPECT_EQ(one, TempFolder::Read(folder_.path() / "two.exe"));
    EXPECT_NE(fs::status(folder_.path() / "one.exe").permissions() & fs::perms::owner_exec, fs::perms::none);

    const Bytes pack = test::ToBytes(one);
    MemorySource source(pack);
    Catalog catalog;
    ASSERT_FALSE(ReadPayload(source, catalog));
    std::vector<std::string> names;
    for (const MemberRecord& m : catalog.members) {
        names.push_back(m.name);
        EXPECT_EQ(m.modifiedDate, 0x5821) << m.name;
        EXPECT_EQ(m.modifiedTime, 0x6000) << m.name;
    }
    EXPECT_EQ(names, (std::vector<std::string>{"pack.ico", "empty/", "graf1.gif", "pics/b.jpg", "temp311.htx"}));
    EXPECT_EQ(catalog.settings.caption, "Design Updater");
    EXPECT_EQ(catalog.settings.defaultTarget, "default");
    EXPECT_EQ(catalog.flags.bits, PackFlags::kOverwrite);
    ASSERT_EQ(catalog.components.size(), 1u);
    EXPECT_EQ(catalog.components[0].requirements.at(0).name, "libQt6Widgets.so.6");
}

TEST_F(MkDesignPackTest, MistakesExitWithAMessageAndWriteNothing) {
    folder_.Write("stub", "#!stub");
    folder_.Write("pack.ico", "ICO");
    folder_.Write("design/a.txt", "a");
    const auto output = folder_.path() / "out.exe";
    const std::string design = (folder_.path() / "design").string();
    const std::string cases[] = {
        Common(output) + "--caption " + std::string(80, 'c') + " " + design,
        Common(output) + "--time yesterday " + design,
        Common(output) + "--component nobars " + design,
        Common(output) + "--bogus " + design,
        Common(output) + (folder_.path() / "missing").string(),
        "--output " + output.string() + " " + design,
    };
    for (const std::string& arguments : cases) {
        EXPECT_NE(Run(arguments), 0) << arguments;
        EXPECT_FALSE(fs::exists(output)) << arguments;
        EXPECT_FALSE(TempFolder::Read(folder_.path() / "stderr.txt").empty()) << arguments;
    }
    EXPECT_EQ(Run("--help >" + (folder_.path() / "help.txt").string()), 0);
    EXPECT_NE(TempFolder::Read(folder_.path() / "help.txt").find("--stub FILE"), std::string::npos);
}

}  // namespace
}  // namespace pw::designpack
