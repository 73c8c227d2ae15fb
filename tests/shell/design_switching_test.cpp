// The main menu's design chooser and continue panel, and the way from a design pack
// through "GO" to the builder's update of all pages.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QPointer>
#include <QPushButton>

#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <thread>

#include "builder/store/rtf.hpp"
#include "builder/store/site_files.hpp"
#include "builder/window/magic.hpp"
#include "shell/general/hot_spot.hpp"
#include "shell/start.hpp"
#include "testing/doubles.hpp"
#include "tests/temp_folder.hpp"

namespace pw {
namespace {
namespace fs = std::filesystem;

// The builder registered as the program registers it, so "GO" opens the real one.
void RegisterBuilder(Platform& platform) {
    platform.windows().Register(WindowKind::magic, [](Platform& p, QWidget&) {
        auto* builder = new magic(p);
        builder->Form_Load();
        return builder;
    });
}

// The builder window that is open, if any.
magic* FindBuilder() {
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (auto* builder = qobject_cast<magic*>(window)) return builder;
    }
    return nullptr;
}

// A site as the first start leaves it, with the shipped default design.
fs::path SeedSite(const test::TempFolder& inst) {
    const fs::path site = inst.path() / "default";
    fs::create_directories(site);
    EXPECT_TRUE(store::FillNewSite(site, fs::path(PW_SOURCE_DIR) / "content").has_value());
    return site;
}

class DesignSwitchingTest : public ::testing::Test {
protected:
    test::TempFolder inst;
    testing::TestPlatform doubles{inst.path()};
    QPointer<start> menu;

    void SetUp() override {
        qputenv("PAGEWRIGHT_VENDOR_SITE", "https://vendor.example");
        menu = new start(*doubles.platform);
        menu->Form_Load();
        menu->show();
    }
    void TearDown() override {
        delete menu;
        delete FindBuilder();
    }

    QWidget& Child(const char* frame, const char* name) {
        return *menu->findChild<QWidget*>(frame)->findChild<QWidget*>(name);
    }
    bool Shown(const char* frame) { return menu->findChild<QWidget*>(frame)->isVisible(); }
    void Click(const char* frame, const char* name) { emit static_cast<HotSpot&>(Child(frame, name)).clicked(); }
};

TEST_F(DesignSwitchingTest, PanelsAreLaidOutWithTheirTextsAndHiddenAtLoad) {
    EXPECT_FALSE(Shown("Frame1"));
    EXPECT_FALSE(Shown("Frame2"));
    for (const char* frame : {"Frame1", "Frame2"})
        EXPECT_EQ(menu->findChild<QWidget*>(frame)->geometry(), TwipsRect(3480, 1320, 5775, 4695)) << frame;
    EXPECT_EQ(static_cast<QLabel&>(Child("Frame1", "Label7")).text(),
              "Click on the picture of the design you want to change to");
    EXPECT_EQ(static_cast<QLabel&>(Child("Frame2", "Label7")).text(),
              "If you have run the updater then your site is almost updated click the go button to continue.");
    for (const char* design : {"Image4", "Image5", "Image6"}) {
        EXPECT_EQ(Child("Frame1", design).size(), QSize(148, 108)) << design;
        EXPECT_FALSE(static_cast<QLabel&>(Child("Frame1", design)).pixmap().isNull()) << design;
    }
    EXPECT_EQ(Child("Frame1", "Image6").geometry(), TwipsRect(3000, 2760, 2220, 1620));
    struct Spot {
        const char *frame, *name, *caption, *toolTip;
    };
    for (const Spot& spot : {Spot{"Frame1", "Label32", "       Cancel ", "   Click to go back to Getting Started"},
                             Spot{"Frame1", "Label33", "    Get more designs", "   View Templates"},
                             Spot{"Frame2", "Label12", "       Cancel ", "   Click to go back to Getting Started"}}) {
        auto& label = static_cast<QLabel&>(Child(spot.frame, spot.name));
        EXPECT_EQ(label.text(), spot.caption) << spot.name;
        EXPECT_EQ(label.toolTip(), spot.toolTip) << spot.name;
    }
    EXPECT_EQ(static_cast<QPushButton&>(Child("Frame2", "Command4")).text(), "GO");
}

TEST_F(DesignSwitchingTest, EachPictureStartsItsPackFromTheInstallationAndOffersToContinue) {
    inst.Write("comp2.exe", "a pack copied into this installation");
    menu->Label14_Click();
    EXPECT_TRUE(Shown("Frame1"));
    Click("Frame1", "Image4");
    EXPECT_TRUE(Shown("Frame2"));
    EXPECT_TRUE(Shown("Frame1")) << "the continue panel lies over the chooser";
    Click("Frame1", "Image5");
    Click("Frame1", "Image6");
    Click("Frame1", "Image5");  // again while the first may still run: a new process
    const QString programFolder = QCoreApplication::applicationDirPath();
    const QString installed = QString::fromStdString((inst.path() / "comp2.exe").string());
    EXPECT_EQ(doubles.shell->ran,
              (QStringList{programFolder + "/comp1.exe", installed, programFolder + "/comp3.exe", installed}));
    for (const QString& folder : doubles.shell->ranIn) EXPECT_EQ(folder, QString::fromStdString(inst.path().string()));
}

TEST_F(DesignSwitchingTest, CancelAndMoreDesignsMoveBetweenTheStates) {
    menu->Label14_Click();
    Click("Frame1", "Label32");
    EXPECT_FALSE(Shown("Frame1"));

    menu->Label14_Click();
    Click("Frame1", "Label33");
    EXPECT_EQ(doubles.shell->opened, QStringList{"https://vendor.example/3pageupdate.html"});
    EXPECT_TRUE(Shown("Frame2")) << "shown whether or not anything is downloaded";
    Click("Frame2", "Label12");
    EXPECT_FALSE(Shown("Frame1"));
    EXPECT_FALSE(Shown("Frame2"));
    EXPECT_TRUE(doubles.shell->ran.isEmpty());
}

TEST_F(DesignSwitchingTest, GoOpensTheBuilderInPlaceWithItsUpdatePanelAndTheSitesLayoutPicture) {
    SeedSite(inst);
    RegisterBuilder(*doubles.platform);
    doubles.platform->globals().currentPage = "two";
    menu->move(40, 30);
    menu->Label14_Click();
    Click("Frame1", "Image4");
    static_cast<QPushButton&>(Child("Frame2", "Command4")).click();

    magic* builder = FindBuilder();
    ASSERT_NE(builder, nullptr);
    EXPECT_TRUE(builder->isVisible());
    EXPECT_EQ(builder->pos(), QPoint(40, 30));
    EXPECT_TRUE(builder->findChild<QWidget*>("Frame1")->isVisible());
    EXPECT_FALSE(builder->findChild<QLabel*>("Picture1")->pixmap().isNull());
    EXPECT_EQ(doubles.platform->globals().currentPage, "two") << "GO does not change the page";
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(menu.isNull()) << "the main menu unloads";
}

TEST_F(DesignSwitchingTest, GoWithoutALayoutPictureStillOpensTheUpdatePanel) {
    SeedSite(inst);
    fs::remove(inst.path() / "default" / "stock");
    RegisterBuilder(*doubles.platform);
    menu->Label14_Click();
    Click("Frame1", "Image6");
    static_cast<QPushButton&>(Child("Frame2", "Command4")).click();
    magic* builder = FindBuilder();
    ASSERT_NE(builder, nullptr);
    EXPECT_TRUE(builder->findChild<QWidget*>("Frame1")->isVisible());
    EXPECT_TRUE(builder->findChild<QLabel*>("Picture1")->pixmap().isNull());
}

// The site's three pages, as they are now.
std::vector<std::string> Pages(const fs::path& site) {
    std::vector<std::string> pages;
    for (const char* page : {"index.html", "news.html", "aboutus.html"})
        pages.push_back(test::TempFolder::Read(site / page));
    return pages;
}

// What a design pack does to a site: its design's files over the site's.
void InstallDesign(const fs::path& site, int number) {
    const fs::path design = fs::path(PW_SOURCE_DIR) / "content" / "designs" / ("comp" + std::to_string(number));
    for (const auto& entry : fs::directory_iterator(design))
        fs::copy_file(entry.path(), site / entry.path().filename(), fs::copy_options::overwrite_existing);
}

TEST_F(DesignSwitchingTest, BackToThePreviousDesignMakesThePagesAgainByteForByte) {
    const fs::path site = SeedSite(inst);
    RegisterBuilder(*doubles.platform);
    inst.Write("default/oneBox.txt", "\"Jo's Bakery\",\"Text2\"\r\n");
    {
        magic first(*doubles.platform);
        first.Form_Load();
        first.Command2_Click();
    }
    const std::vector<std::string> before = Pages(site);
    const std::string templateBefore = test::TempFolder::Read(site / "temp311.htx");
    menu->Label14_Click();
    EXPECT_FALSE(Child("Frame1", "Label34").isVisible()) << "no earlier design to go back to";

    Click("Frame1", "Image5");
    InstallDesign(site, 2);
    static_cast<QPushButton&>(Child("Frame2", "Command4")).click();
    FindBuilder()->findChild<QPushButton*>("Command2")->click();
    ASSERT_NE(Pages(site), before) << "the pages are in design 2";
    delete FindBuilder();

    menu = new start(*doubles.platform);
    menu->Form_Load();
    menu->show();
    menu->move(40, 30);
    menu->Label14_Click();
    auto& back = static_cast<QLabel&>(Child("Frame1", "Label34"));
    ASSERT_TRUE(back.isVisible());
    EXPECT_EQ(back.text(), "    Back to the previous design");
    EXPECT_TRUE(Child("Frame1", "Image31").isVisible());
    Click("Frame1", "Label34");

    magic* builder = FindBuilder();
    ASSERT_NE(builder, nullptr) << "into the builder, as GO goes";
    EXPECT_EQ(builder->pos(), QPoint(40, 30));
    EXPECT_FALSE(builder->findChild<QWidget*>("Frame1")->isVisible()) << "the pages are already updated";
    EXPECT_EQ(test::TempFolder::Read(site / "temp311.htx"), templateBefore);
    EXPECT_EQ(Pages(site), before);
    EXPECT_TRUE(doubles.dialogs->shown.empty());
    delete builder;

    menu = new start(*doubles.platform);
    menu->Form_Load();
    menu->show();
    menu->Label14_Click();
    EXPECT_FALSE(Child("Frame1", "Label34").isVisible()) << "the one copy is used up";
}

TEST_F(DesignSwitchingTest, EachPackStartedKeepsACopyOfTheDesignAndTheNewestFiveStay) {
    const fs::path site = SeedSite(inst);
    menu->Label14_Click();
    for (int pack = 0; pack < 7; ++pack) Click("Frame1", "Image4");
    EXPECT_EQ(doubles.shell->ran.size(), 7);
    std::size_t copies = 0;
    for (const auto& copy : fs::directory_iterator(site / ".designs")) {
        ++copies;
        EXPECT_EQ(test::TempFolder::Read(copy.path() / "temp311.htx"), test::TempFolder::Read(site / "temp311.htx"));
        for (const char* name : {"stock", "graf1.gif", "graf2.jpg"})
            EXPECT_TRUE(fs::exists(copy.path() / name)) << name;
    }
    EXPECT_EQ(copies, 5u);
}

TEST_F(DesignSwitchingTest, ADesignThatCannotBeKeptIsToldAndThePackStartsOnlyOnYes) {
    const fs::path site = SeedSite(inst);
    inst.Write("default/.designs", "a file where the copies' folder would be");
    menu->Label14_Click();
    for (const bool yes : {false, true}) {
        doubles.dialogs->answers = {yes ? MessageAnswer::Yes : MessageAnswer::No};
        Click("Frame1", "Image5");
        ASSERT_FALSE(doubles.dialogs->shown.empty());
        EXPECT_TRUE(doubles.dialogs->shown.back().text.startsWith(
            "Your current design could not be kept for going back to it ("));
        EXPECT_EQ(doubles.shell->ran.size(), yes ? 1 : 0);
    }
}

// A real X server and the real shell: the shipped pack for design 2 is started detached
// from the main menu, its OK pressed as a user would, and "GO" and "Click to update your
// pages" then give three pages in design 2.
class RealPackTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (std::system("command -v Xvfb >/dev/null && command -v xdotool >/dev/null") != 0)
            GTEST_SKIP() << "Xvfb and xdotool are needed";
        // The first display number that no X server holds.
        int number = 90;
        while (fs::exists("/tmp/.X" + std::to_string(number) + "-lock")) ++number;
        display_ = ":" + std::to_string(number);
        server_ = ::fork();
        if (server_ == 0) {
            ::execlp("Xvfb", "Xvfb", display_.c_str(), "-screen", "0", "1024x768x24", "-nolisten", "tcp",
                     static_cast<char*>(nullptr));
            ::_exit(127);
        }
        const fs::path socket = "/tmp/.X11-unix/X" + std::to_string(number);
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (!fs::exists(socket) && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        ASSERT_TRUE(fs::exists(socket)) << "Xvfb did not start";
    }
    void TearDown() override {
        if (server_ > 0) {
            ::kill(server_, SIGTERM);
            ::waitpid(server_, nullptr, 0);
        }
    }
    // Output of a command run against the test's X server.
    std::string Run(const std::string& command) const {
        std::string output;
        if (FILE* pipe = ::popen(("DISPLAY=" + display_ + " " + command + " 2>/dev/null").c_str(), "r")) {
            char buffer[256];
            while (std::fgets(buffer, sizeof buffer, pipe)) output += buffer;
            ::pclose(pipe);
        }
        return output;
    }

    pid_t server_ = -1;
    std::string display_;
};

TEST_F(RealPackTest, APackStartedFromTheMenuInstallsItsDesignAndGoRegeneratesThePages) {
    test::TempFolder inst;
    fs::current_path(inst.path());  // an earlier test's folder may be gone
    const fs::path site = SeedSite(inst);
    // A per-user installation holds its own copy of the packs, as the program folder does.
    fs::copy_file(fs::path(PW_INSTALL_DIR) / "comp2.exe", inst.path() / "comp2.exe");
    const std::string before = test::TempFolder::Read(site / "temp311.htx");
    const std::string design2 =
        test::TempFolder::Read(fs::path(PW_SOURCE_DIR) / "content" / "designs" / "comp2" / "temp311.htx");
    ASSERT_NE(before, design2);

    Platform platform(inst.path(),
                      Ports{.dialogs = std::make_unique<testing::ScriptedDialogs>(),
                            .shell = std::make_unique<DesktopShell>(),
                            .makeWebPane = [](QWidget* parent) { return new testing::RecordingWebPane(parent); },
                            .makeEditingSurface = {},  // no section is edited on the way
                            .makeSpellChecker = {}});
    RegisterBuilder(platform);
    {
        magic first(platform);  // the pages as they stand before the pack runs
        first.Form_Load();
        first.Command2_Click();
    }
    const std::vector<std::string> pagesBefore = Pages(site);
    const QByteArray savedDisplay = qgetenv("DISPLAY"), savedPlatform = qgetenv("QT_QPA_PLATFORM");
    qputenv("DISPLAY", QByteArray::fromStdString(display_));  // for the pack: a real screen
    qputenv("QT_QPA_PLATFORM", "xcb");
    auto* menu = new start(platform);
    menu->Form_Load();
    menu->show();
    menu->Label14_Click();
    emit menu->findChild<HotSpot*>("Image5")->clicked();
    qputenv("DISPLAY", savedDisplay);
    qputenv("QT_QPA_PLATFORM", savedPlatform);

    const std::string window = Run("timeout 20 xdotool search --sync --name 'Design Updater' | head -n 1");
    ASSERT_FALSE(window.empty()) << "the pack shows its dialog";
    Run("xdotool key --window " + window.substr(0, window.find('\n')) + " Return");  // OK, the default button
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (test::TempFolder::Read(site / "temp311.htx") != design2 && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    ASSERT_EQ(test::TempFolder::Read(site / "temp311.htx"), design2) << "the pack installed design 2 into the site";

    menu->findChild<QPushButton*>("Command4")->click();
    magic* builder = FindBuilder();
    ASSERT_NE(builder, nullptr);
    builder->findChild<QPushButton*>("Command2")->click();
    // Each page's markup comes from design 2's template: its colours, which substitution leaves alone.
    const std::string design2Colours = ":root { --night: #241c5c;";
    ASSERT_NE(design2.find(design2Colours), std::string::npos);
    for (const char* page : {"index.html", "news.html", "aboutus.html"})
        EXPECT_NE(test::TempFolder::Read(site / page).find(design2Colours), std::string::npos) << page;
    delete builder;

    // And back: the design the pack replaced, and the pages byte for byte as they were.
    auto* again = new start(platform);
    again->Form_Load();
    again->show();
    again->Label14_Click();
    emit again->findChild<HotSpot*>("Label34")->clicked();
    EXPECT_EQ(test::TempFolder::Read(site / "temp311.htx"), before);
    EXPECT_EQ(Pages(site), pagesBefore);
    delete FindBuilder();
}

}  // namespace
}  // namespace pw
