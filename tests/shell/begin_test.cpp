#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>

#include <unistd.h>

#include "builder/store/rtf.hpp"
#include "shell/begin.hpp"
#include "shell/start.hpp"
#include "testing/doubles.hpp"
#include "tests/temp_folder.hpp"

namespace pw {
namespace {
namespace fs = std::filesystem;

const char* const kFieldFiles[] = {"oneBox.txt", "twoBox.txt", "threeBox.txt", "pagebox.txt", "ftp.txt"};
const char* const kRtfFiles[] = {"default/rtemp1.txt",  "default/rtemp31.txt", "default/rtemp2.txt",
                                 "default/rtemp32.txt", "default/rtemp3.txt",  "default/rtemp33.txt",
                                 "default/ftpbeta.txt", "Default.ste"};
const char* const kCopies[] = {"stock", "temp311.htx", "graf1.gif", "graf2.jpg"};

class BeginTest : public ::testing::Test {
protected:
    test::TempFolder inst;
    testing::TestPlatform doubles{inst.path()};
    QString previousFolder = QDir::currentPath();

    void SetUp() override {
        for (const char* name : kCopies)
            inst.Write(name, std::string("shipped ") + name + std::string("\0\xff\r\n", 4));
    }
    void TearDown() override {
        // Collected first: deleting a menu window deletes its popup menus, which are top-level too.
        QList<start*> menus;
        for (QWidget* window : QApplication::topLevelWidgets()) {
            if (auto* menu = qobject_cast<start*>(window)) menus.append(menu);
        }
        qDeleteAll(menus);
        QDir::setCurrent(previousFolder);
    }

    // Runs start-up and returns the main menu it opened.
    start* StartUp() {
        {
            begin startUp(*doubles.platform);
            startUp.Form_Load();
        }
        start* menu = nullptr;
        for (QWidget* window : QApplication::topLevelWidgets()) {
            if (auto* candidate = qobject_cast<start*>(window)) menu = candidate;
        }
        return menu;
    }

    std::vector<std::string> Entries() const {
        std::vector<std::string> names;
        for (const auto& entry : fs::recursive_directory_iterator(inst.path())) {
            names.push_back(fs::relative(entry.path(), inst.path()).string());
        }
        std::sort(names.begin(), names.end());
        return names;
    }
};

TEST_F(BeginTest, FirstStartSeedsTheDefaultSite) {
    doubles.platform->globals().siteFolder = "elsewhere";
    start* menu = StartUp();
    ASSERT_NE(menu, nullptr);
    EXPECT_TRUE(menu->isVisible());
    EXPECT_EQ(doubles.platform->globals().siteFolder, "default");

    for (const char* name : kFieldFiles) {
        EXPECT_EQ(inst.Read(inst.path() / "default" / name), "\"\",\"Text1\"\r\n") << name;
    }
    for (const char* name : kRtfFiles) {
        const std::string rtf = inst.Read(inst.path() / name);
        EXPECT_TRUE(rtf.starts_with("{\\rtf")) << name;
        EXPECT_EQ(store::RtfPlainText(rtf), "Kw5 SiteFoundry") << name;
    }
    for (const char* name : kCopies) {
        EXPECT_EQ(inst.Read(inst.path() / "default" / name), inst.Read(inst.path() / name)) << name;
    }
    EXPECT_EQ(fs::status(inst.path() / "default" / "ftp.txt").permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_EQ(fs::canonical(QDir::currentPath().toStdString()), fs::canonical(inst.path()));
    EXPECT_EQ(Entries().size(), 4u + 1u + 5u + 8u + 4u) << "copies, folder, field files, RTF files, seed copies";
    EXPECT_TRUE(doubles.dialogs->shown.empty());
}

TEST_F(BeginTest, AnExistingDefaultIsLeftAlone) {
    struct Case {
        const char* name;
        void (*make)(const fs::path& inst);
    };
    const Case cases[] = {
        {"empty folder", [](const fs::path& i) { fs::create_directory(i / "default"); }},
        {"half-filled folder",
         [](const fs::path& i) {
             fs::create_directory(i / "default");
             std::ofstream(i / "default" / "oneBox.txt") << "\"Mine\",\"Text2\"\r\n";
         }},
        {"plain file", [](const fs::path& i) { std::ofstream(i / "default") << "x"; }},
        {"folder in other case", [](const fs::path& i) { fs::create_directory(i / "Default"); }},
    };
    for (const Case& c : cases) {
        test::TempFolder other;
        for (const char* name : kCopies) other.Write(name, name);
        c.make(other.path());
        testing::TestPlatform platform{other.path()};
        std::vector<std::string> before;
        for (const auto& e : fs::recursive_directory_iterator(other.path())) before.push_back(e.path().string());
        {
            begin startUp(*platform.platform);
            startUp.Form_Load();
        }
        std::vector<std::string> after;
        for (const auto& e : fs::recursive_directory_iterator(other.path())) after.push_back(e.path().string());
        EXPECT_EQ(after, before) << c.name;
        EXPECT_EQ(platform.platform->globals().siteFolder, "default") << c.name;
        TearDown();
    }
}

TEST_F(BeginTest, MissingSeedPictureIsSkippedSilently) {
    fs::remove(inst.path() / "stock");
    ASSERT_NE(StartUp(), nullptr);
    EXPECT_FALSE(fs::exists(inst.path() / "stock")) << "a missing source is not created";
    EXPECT_FALSE(fs::exists(inst.path() / "default" / "stock"));
    EXPECT_TRUE(fs::exists(inst.path() / "default" / "graf2.jpg"));
    EXPECT_TRUE(doubles.dialogs->shown.empty());
}

// A seed picture that cannot be read: the start says which file and why, the main menu
// opens all the same, and once the picture can be read the next start makes the site.
TEST_F(BeginTest, ASeedPictureThatCannotBeReadIsToldAndTheNextStartPreparesTheSite) {
    struct Case {
        const char* name;
        bool needsNonRoot;  // root reads files whatever their permissions
        void (*spoil)(const fs::path& picture);
        void (*mend)(const fs::path& picture);
        const char* reason;
    };
    const Case cases[] = {
        {"a folder in its place", false,
         [](const fs::path& p) {
             fs::remove(p);
             fs::create_directory(p);
         },
         [](const fs::path& p) {
             fs::remove(p);
             std::ofstream(p) << "GIF89a";
         },
         "Is a directory"},
        {"no read permission", true, [](const fs::path& p) { fs::permissions(p, fs::perms::none); },
         [](const fs::path& p) { fs::permissions(p, fs::perms::owner_read | fs::perms::owner_write); },
         "Permission denied"},
    };
    for (const Case& c : cases) {
        if (c.needsNonRoot && ::geteuid() == 0) continue;
        SCOPED_TRACE(c.name);
        test::TempFolder other;
        for (const char* name : kCopies) other.Write(name, name);
        const fs::path picture = other.path() / "graf1.gif";
        c.spoil(picture);
        testing::TestPlatform platform{other.path()};
        {
            begin startUp(*platform.platform);
            startUp.Form_Load();
        }
        ASSERT_EQ(platform.dialogs->shown.size(), 1u) << "told once";
        const QString text = platform.dialogs->shown[0].text;
        EXPECT_TRUE(text.contains(QString::fromStdString(picture.string()))) << text.toStdString();
        EXPECT_TRUE(text.contains(QLatin1String(c.reason))) << text.toStdString();
        EXPECT_TRUE(text.contains(QLatin1String("next start"))) << text.toStdString();
        EXPECT_EQ(platform.dialogs->shown[0].icon, MessageIcon::Exclamation);
        start* menu = nullptr;
        for (QWidget* window : QApplication::topLevelWidgets()) {
            if (auto* candidate = qobject_cast<start*>(window)) menu = candidate;
        }
        ASSERT_NE(menu, nullptr);
        EXPECT_TRUE(menu->isVisible()) << "the main menu opens all the same";
        EXPECT_FALSE(fs::exists(other.path() / "default"));
        EXPECT_FALSE(fs::exists(other.path() / "Default.ste"));
        TearDown();

        c.mend(picture);
        {
            begin startUp(*platform.platform);
            startUp.Form_Load();
        }
        EXPECT_EQ(platform.dialogs->shown.size(), 1u) << "nothing more to tell";
        EXPECT_EQ(inst.Read(other.path() / "default" / "graf1.gif"), inst.Read(picture));
        EXPECT_EQ(inst.Read(other.path() / "default" / "oneBox.txt"), "\"\",\"Text1\"\r\n");
        EXPECT_TRUE(fs::exists(other.path() / "Default.ste"));
        TearDown();
    }
}

TEST_F(BeginTest, DeletedSiteIsPreparedAgain) {
    StartUp();
    TearDown();
    inst.Write("default/oneBox.txt", "\"Edited\",\"Text2\"\r\n");
    fs::remove_all(inst.path() / "default");
    fs::remove(inst.path() / "Default.ste");
    StartUp();
    EXPECT_EQ(inst.Read(inst.path() / "default" / "oneBox.txt"), "\"\",\"Text1\"\r\n");
    EXPECT_EQ(store::RtfPlainText(inst.Read(inst.path() / "Default.ste")), "Kw5 SiteFoundry");
}

}  // namespace
}  // namespace pw
