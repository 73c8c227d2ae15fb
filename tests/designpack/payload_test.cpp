// Reading a pack's trailer and catalog: the layout, the check value, and every length
// that could point outside the file.
#include <gtest/gtest.h>

#include "designpack/payload.hpp"
#include "tests/designpack/tiny_pack.hpp"
#include "tests/temp_folder.hpp"

namespace pw::designpack {
namespace {

using test::Bytes;
using test::TinyPack;

std::error_code Read(const Bytes& pack, Catalog& catalog) {
    MemorySource source(pack);
    return ReadPayload(source, catalog);
}

// A pack laid out like the shipped one: icon, graf1.gif, stock, temp311.htx.
TinyPack ShippedLikePack() {
    TinyPack pack;
    pack.members = {test::File("C:\\build\\icons\\unfurl.ico", std::string(800, 'i')),
                    test::File("graf1.gif", "GIF89a"), test::File("stock", std::string(30'000, 's')),
                    test::File("temp311.htx", "<html>%%titlez%%</html>")};
    pack.components = {{"vb600a", "the runtime library", "libQt6Widgets.so.6=;"}};
    return pack;
}

TEST(PayloadTest, ReadsMembersSettingsComponentsAndFlags) {
    const TinyPack tiny = ShippedLikePack();
    const Bytes pack = tiny.Build();
    Catalog catalog;
    ASSERT_FALSE(Read(pack, catalog));

    ASSERT_EQ(catalog.members.size(), 4u);
    EXPECT_EQ(catalog.members[0].name, "C:\\build\\icons\\unfurl.ico");
    EXPECT_EQ(catalog.members[1].name, "graf1.gif");
    EXPECT_EQ(catalog.members[2].name, "stock");
    EXPECT_EQ(catalog.members[3].name, "temp311.htx");
    EXPECT_EQ(catalog.members[2].storedSize, tiny.members[2].stored.size());
    EXPECT_EQ(catalog.members[3].attributes, 0x20);
    EXPECT_EQ(catalog.members[3].modifiedDate, 0x5821);
    EXPECT_EQ(catalog.members[3].modifiedTime, 0x6000);

    EXPECT_EQ(catalog.memberAreaOffset, tiny.stub.size());
    EXPECT_EQ(catalog.memberAreaSize, tiny.MemberArea().size());
    EXPECT_EQ(catalog.memberOffset(2),
              tiny.stub.size() + tiny.members[0].stored.size() + tiny.members[1].stored.size());

    EXPECT_EQ(catalog.settings.publisherName, "KW5 Software");
    EXPECT_EQ(catalog.settings.runAfter, "");
    EXPECT_EQ(catalog.settings.prompt, "Click 'OK' to continue.");
    EXPECT_EQ(catalog.settings.defaultTarget, "default");
    EXPECT_EQ(catalog.settings.caption, "Design Updater");
    EXPECT_EQ(catalog.settings.webAddress, "www.example.com");

    ASSERT_EQ(catalog.components.size(), 1u);
    EXPECT_EQ(catalog.components[0].identifier, "vb600a");
    ASSERT_EQ(catalog.components[0].requirements.size(), 1u);
    EXPECT_EQ(catalog.components[0].requirements[0].name, "libQt6Widgets.so.6");
    EXPECT_EQ(catalog.components[0].requirements[0].value, "");

    EXPECT_TRUE(catalog.flags.overwriteWithoutAsking());
    EXPECT_FALSE(catalog.flags.silent() || catalog.flags.deleteAfterRun() || catalog.flags.fixedPaths());
    EXPECT_EQ(catalog.passwordCheck, 0u);
}

TEST(PayloadTest, TextsThatAreNotUtf8AreReadAsWindows1252) {
    TinyPack tiny;
    tiny.members.push_back(test::File("caf\xE9\\men\xFC.htx", "x"));
    tiny.members.push_back(test::File("d\xC3\xA9j\xC3\xA0.gif", "y"));  // valid UTF-8 stays as it is
    tiny.publisher = "M\xFCller \x80 Co";
    tiny.prompt = "Klicken Sie \x84OK\x93.";
    tiny.target =
        "C:\\Programme\\Gr\xFC\xDF"
        "e";
    tiny.caption = std::string(79, '\x80');  // at the caption's room, three bytes a character once decoded
    tiny.web =
        "www.b\xE4"
        "ckerei.de";
    tiny.runAfter = "setup \xE9";
    tiny.components = {{"vb600a", "Laufzeit f\xFCr \x96 Seiten", "\xC4pfel.dll=1\xB7;"}};
    Catalog catalog;
    ASSERT_FALSE(Read(tiny.Build(), catalog));

    EXPECT_EQ(catalog.members[1].name, "caf\u00E9\\men\u00FC.htx");
    EXPECT_EQ(catalog.members[2].name, "d\u00E9j\u00E0.gif");
    EXPECT_EQ(catalog.settings.publisherName, "M\u00FCller \u20AC Co");
    EXPECT_EQ(catalog.settings.prompt, "Klicken Sie \u201EOK\u201C.");
    EXPECT_EQ(catalog.settings.defaultTarget, "C:\\Programme\\Gr\u00FC\u00DFe");
    std::string euros;
    for (int i = 0; i < 79; ++i) euros += "\u20AC";
    EXPECT_EQ(catalog.settings.caption, euros);
    EXPECT_EQ(catalog.settings.webAddress, "www.b\u00E4ckerei.de");
    EXPECT_EQ(catalog.settings.runAfter, "setup \u00E9");
    ASSERT_EQ(catalog.components.size(), 1u);
    EXPECT_EQ(catalog.components[0].description, "Laufzeit f\u00FCr \u2013 Seiten");
    ASSERT_EQ(catalog.components[0].requirements.size(), 1u);
    EXPECT_EQ(catalog.components[0].requirements[0].name, "\u00C4pfel.dll");
    EXPECT_EQ(catalog.components[0].requirements[0].value, "1\u00B7");
}

TEST(PayloadTest, PasswordMatchesItsWindows1252OrItsUtf8Bytes) {
    const std::pair<std::string, bool> cases[] = {
        {"caf\u00E9", true},   // typed as UTF-8 "café"
        {"caf\u00C9", false},  // "cafÉ"
        {"caf", false},
        {"caf\u00E9 ", false},
    };
    for (const std::string& stored : {std::string("caf\xE9"), std::string("caf\u00E9")}) {  // made on Windows, or here
        for (const auto& [typed, matches] : cases)
            EXPECT_EQ(PasswordMatches(typed, PackPasswordHash(stored)), matches) << typed;
    }
    EXPECT_TRUE(PasswordMatches("abc", 0x6EDC6A73u));
    EXPECT_TRUE(PasswordMatches("\u20AC\u0152", PackPasswordHash("\x80\x8C")));
    EXPECT_FALSE(PasswordMatches("\u20AC\u4E2D", PackPasswordHash("\x80?")));  // no Windows-1252 byte for U+4E2D
}

TEST(PayloadTest, ReadsFromAFileAndFromAWindowOfOne) {
    const Bytes pack = ShippedLikePack().Build();
    test::TempFolder folder;
    Bytes padded = pack;
    padded.insert(padded.end(), {'t', 'a', 'i', 'l'});
    const auto path = folder.Write("pack.bin", std::string(padded.begin(), padded.end()));

    std::error_code error;
    auto whole = FileSource::open(path, error);
    ASSERT_TRUE(whole) << error.message();
    Catalog catalog;
    EXPECT_EQ(ReadPayload(*whole, catalog), make_error_code(PackErrc::corrupt)) << "trailing bytes are not a trailer";

    auto window = FileSource::open(path, 0, pack.size(), error);
    ASSERT_TRUE(window);
    EXPECT_FALSE(ReadPayload(*window, catalog));
    EXPECT_EQ(catalog.members.size(), 4u);

    EXPECT_FALSE(FileSource::open(path, 10, padded.size(), error));
    EXPECT_EQ(error, make_error_code(PackErrc::corrupt));
    EXPECT_FALSE(FileSource::open(folder.path() / "missing", error));
    EXPECT_EQ(error, std::errc::no_such_file_or_directory);
}

TEST(PayloadTest, ChangingAnyCheckedByteMakesThePackCorruptButTheStubIsFree) {
    TinyPack tiny;
    tiny.members.push_back(test::File("a.txt", "alpha"));
    tiny.components = {{"id", "desc", "x=1;"}};
    const Bytes pack = tiny.Build();
    const std::size_t checkedStart = tiny.stub.size();
    const std::size_t checkedEnd = pack.size() - 4;  // up to and including N

    for (std::size_t i = 0; i < pack.size(); ++i) {
        Bytes changed = pack;
        changed[i] ^= 0x01;
        Catalog catalog;
        const std::error_code error = Read(changed, catalog);
        if (i < checkedStart)
            EXPECT_FALSE(error) << "stub byte " << i;
        else
            EXPECT_EQ(error, make_error_code(PackErrc::corrupt)) << "byte " << i << " of " << checkedEnd;
    }
}

// Hand-made catalogs sealed with a correct check value, so the limits themselves
// (not the CRC) must catch them.
struct BrokenCase {
    const char* what;
    Bytes pack;
};

std::vector<BrokenCase> BrokenPacks() {
    TinyPack base;
    base.members.push_back(test::File("a.txt", "alpha"));
    const Bytes area = base.MemberArea();
    const Bytes catalog = base.Catalog();
    const auto n = static_cast<std::uint32_t>(base.members.size());
    std::vector<BrokenCase> cases;

    cases.push_back({"empty file", {}});
    cases.push_back({"shorter than a trailer", Bytes(11, 0)});
    cases.push_back({"no members", TinyPack::Seal(base.stub, area, catalog, 0)});
    cases.push_back({"more than 10000 members", TinyPack::Seal(base.stub, area, catalog, 10'001)});
    cases.push_back({"more members than records", TinyPack::Seal(base.stub, area, catalog, n + 1)});
    cases.push_back({"fewer members than records", TinyPack::Seal(base.stub, area, catalog, n - 1)});
    cases.push_back({"catalog longer than the file", TinyPack::Seal({}, {}, catalog, n, 0xFFFFFFF0u)});
    cases.push_back({"catalog length one short", TinyPack::Seal(base.stub, area, catalog, n, catalog.size() - 1)});

    {  // the first member's stored size reaches back past the file's start
        TinyPack p = base;
        Bytes c = p.Catalog();
        const std::size_t sizeAt = 1 + p.members[0].name.size();
        c[sizeAt + 3] = 0x7F;
        cases.push_back({"stored sizes past the file start", TinyPack::Seal(p.stub, area, c, n)});
    }
    {
        TinyPack p = base;
        p.caption = std::string(80, 'c');
        cases.push_back({"caption beyond 79", p.Build()});
    }
    {
        TinyPack p = base;
        p.web = std::string(80, 'w');
        cases.push_back({"web address beyond 79", p.Build()});
    }
    {
        TinyPack p = base;
        p.components = {{std::string(20, 'i'), "d", ""}};
        cases.push_back({"identifier beyond 19", p.Build()});
    }
    {
        TinyPack p = base;
        p.components = {{"i", std::string(80, 'd'), ""}};
        cases.push_back({"description beyond 79", p.Build()});
    }
    {
        TinyPack p = base;
        p.components.assign(6, {"i", "d", ""});
        cases.push_back({"six components", p.Build()});
    }
    {
        TinyPack p = base;
        p.components = {{"i", "d", "a=;b=;c=;d=;e=;f=;"}};
        cases.push_back({"six requirements", p.Build()});
    }
    {
        TinyPack p = base;
        p.components = {{"i", "d", std::string(80, 'n') + "=;"}};
        cases.push_back({"requirement name beyond 79", p.Build()});
    }
    {  // component count field claims a huge number
        Bytes c = catalog;
        const std::size_t countAt = c.size() - 12;
        c[countAt + 3] = 0xFF;
        cases.push_back({"component count huge", TinyPack::Seal(base.stub, area, c, n)});
    }
    {  // the publisher's length byte runs past the catalog's end
        Bytes c = catalog;
        std::size_t publisherAt = 0;
        for (const test::TinyMember& m : base.members) publisherAt += 1 + m.name.size() + 13;
        c[publisherAt] = 0xFF;
        cases.push_back({"string past the catalog", TinyPack::Seal(base.stub, area, c, n)});
    }
    for (const auto& [what, raw] : std::vector<std::pair<const char*, Bytes>>{
             {"block length 0", test::RawBlock({})},
             {"block longer than 50000", test::RawBlock(Bytes(50'001, 0x78))},
         }) {
        TinyPack p = base;
        p.members[1].stored = raw;
        cases.push_back({what, p.Build()});
    }
    {  // a block running from one member into the next
        TinyPack p = base;
        p.members.push_back(test::File("b.txt", "beta"));
        p.members[1].stored.pop_back();
        p.members[2].stored.insert(p.members[2].stored.begin(), 0);
        cases.push_back({"block crossing into the next member", p.Build()});
    }
    {  // a member ending in the middle of a length field
        TinyPack p = base;
        p.members[1].stored.push_back(0x05);
        cases.push_back({"member ends inside a length field", p.Build()});
    }
    return cases;
}

TEST(PayloadTest, LengthsThatCannotBeRightMakeThePackCorrupt) {
    for (const BrokenCase& c : BrokenPacks()) {
        Catalog catalog;
        EXPECT_EQ(Read(c.pack, catalog), make_error_code(PackErrc::corrupt)) << c.what;
    }
    EXPECT_EQ(make_error_code(PackErrc::corrupt).message(), "This file is corrupted.");
}

TEST(PayloadTest, RequirementListsSplitAtSemicolonsThenAtTheFirstEquals) {
    struct Case {
        const char* list;
        std::vector<Requirement> expected;
        bool corrupt;
    };
    const Case cases[] = {
        {"", {}, false},
        {"msvbvm60.dll=;", {{"msvbvm60.dll", ""}}, false},
        {"a.dll=;b.dll=6.0.1;", {{"a.dll", ""}, {"b.dll", "6.0.1"}}, false},
        {"#Software\\Key=v=1;", {{"#Software\\Key", "v=1"}}, false},
        {"~Key;;x=2", {{"~Key", ""}, {"x", "2"}}, false},
        {"a=;b=;c=;d=;e=;", {{"a", ""}, {"b", ""}, {"c", ""}, {"d", ""}, {"e", ""}}, false},
        {"a=;b=;c=;d=;e=;f=;", {}, true},
        {"a=12345678901234567890;", {}, true},
    };
    for (const Case& c : cases) {
        std::vector<Requirement> out;
        const std::error_code error = ParseRequirementList(c.list, out);
        EXPECT_EQ(bool(error), c.corrupt) << c.list;
        if (c.corrupt) continue;
        ASSERT_EQ(out.size(), c.expected.size()) << c.list;
        for (std::size_t i = 0; i < out.size(); ++i) {
            EXPECT_EQ(out[i].name, c.expected[i].name) << c.list;
            EXPECT_EQ(out[i].value, c.expected[i].value) << c.list;
        }
    }
}

TEST(PayloadTest, PasswordHashAndCrcMatchTheirReferenceValues) {
    EXPECT_EQ(PackPasswordHash("abc"), 0x6EDC6A73u);
    EXPECT_NE(PackPasswordHash("abd"), PackPasswordHash("abc"));
    const std::string check = "123456789";
    EXPECT_EQ(Crc32(0, {reinterpret_cast<const std::uint8_t*>(check.data()), check.size()}), 0xCBF43926u);

    TinyPack p;
    p.password = PackPasswordHash("abc");
    Catalog catalog;
    ASSERT_FALSE(Read(p.Build(), catalog));
    EXPECT_EQ(catalog.passwordCheck, 0x6EDC6A73u);
}

}  // namespace
}  // namespace pw::designpack
