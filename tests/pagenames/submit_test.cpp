#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QEvent>
#include <QLineEdit>
#include <QMenuBar>
#include <QPointer>
#include <QTest>
#include <functional>

#include "pagenames/submit.hpp"
#include "shell/general/hot_spot.hpp"
#include "testing/doubles.hpp"
#include "tests/temp_folder.hpp"

namespace pw {
namespace {

namespace fs = std::filesystem;

// What a window opened by kind saw when it was loaded.
struct Opened {
    WindowKind kind;
    std::string currentPage;
    QPointer<QWidget> window;
};

class SubmitTest : public ::testing::Test {
protected:
    test::TempFolder inst;
    testing::TestPlatform doubles{inst.path()};
    std::vector<Opened> opened;
    QPointer<submit> names;

    void SetUp() override {
        fs::create_directories(inst.path() / "default");
        for (WindowKind kind : {WindowKind::magic, WindowKind::start, WindowKind::Help}) {
            doubles.platform->windows().Register(kind, [this, kind](Platform& platform, QWidget&) {
                auto* window = new QWidget;
                window->setAttribute(Qt::WA_DeleteOnClose);
                opened.push_back({kind, platform.globals().currentPage, window});
                if (kind == WindowKind::Help) window->show();  // a window opened beside shows itself
                return window;
            });
        }
    }

    void TearDown() override {
        delete names;
        for (const Opened& window : opened) delete window.window;
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    submit& Load() {
        names = new submit(*doubles.platform);
        names->Form_Load();
        return *names;
    }

    QLineEdit& Box(const char* name) { return *names->findChild<QLineEdit*>(name); }

    // The page-names file as a newly created one is named.
    std::string PageNamesFile() const { return test::TempFolder::Read(inst.path() / "default" / "pagebox.txt"); }

    static bool Unloaded(const QPointer<submit>& window) {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        return window.isNull();
    }
};

TEST_F(SubmitTest, LoadsNamesFromPageBoxWhateverTheCaseAndWithoutShowing) {
    // File names are matched without regard to case. A box the file does not name keeps
    // its initial text; records naming no box are ignored.
    inst.Write("default/PageBox.TXT",
               "\"Start\",\"page1\"\r\n\"Menu\",\"Page2\"\r\n\"x\",\"Label1\"\r\n\"y\",\"page3\"\r\n");
    submit& window = Load();

    EXPECT_FALSE(window.isVisible());
    EXPECT_EQ(Box("page1").text(), "Start");
    EXPECT_EQ(Box("Page2").text(), "Menu");
    EXPECT_EQ(Box("Page3").text(), "About us");
    EXPECT_EQ(window.windowTitle(), "KW5 Sitewell");
    // No window manager here, so no frame: the inside holds the menu bar and the picture.
    EXPECT_EQ(window.size(), QSize(640, window.menuBar()->sizeHint().height() + kPictureHeight));
    ASSERT_EQ(doubles.panes.size(), 1u);
    EXPECT_EQ(doubles.panes[0]->navigations, QStringList{QString::fromStdString((inst.path() / "logo.htx").string())});
}

TEST_F(SubmitTest, WithoutAPageNamesFileTheTaggedBoxesKeepTheirInitialNames) {
    Load();
    const std::vector<std::pair<const char*, QString>> boxes = {
        {"page1", "Home"}, {"Page2", "News"}, {"Page3", "About us"}};
    for (const auto& [name, initial] : boxes) {
        EXPECT_EQ(Box(name).text(), initial) << name;
        EXPECT_EQ(Box(name).property("tag").toString(), "T") << name;
        EXPECT_EQ(Box(name).font().family(), "Verdana") << name;
        EXPECT_EQ(Box(name).x(), 312) << name;
    }
    EXPECT_EQ(Box("page1").y(), 152);
    EXPECT_EQ(Box("Page3").y(), 232);
}

// Whether shown or only loaded hidden (as page generation loads it), closing the
// window writes the names, in page1, Page2, Page3 order, into the existing file,
// whatever the case of its name.
TEST_F(SubmitTest, ClosingSavesTheNamesShownOrHiddenAndOpensNothing) {
    for (const bool shown : {true, false}) {
        SCOPED_TRACE(shown ? "shown" : "hidden");
        inst.Write("default/pageBox.txt", "\"Start\",\"page1\"\r\n");
        submit& window = Load();
        if (shown) window.show();
        Box("Page2").setText("Our \"Menu\"");
        Box("Page3").setText("");

        QPointer<submit> closing = names;
        EXPECT_TRUE(window.close());
        EXPECT_TRUE(Unloaded(closing));
        EXPECT_EQ(test::TempFolder::Read(inst.path() / "default" / "pageBox.txt"),
                  "\"Start\",\"page1\"\r\n\"Our \"\"Menu\"\"\",\"Page2\"\r\n\"\",\"Page3\"\r\n");
        EXPECT_EQ(std::distance(fs::directory_iterator(inst.path() / "default"), fs::directory_iterator{}), 1)
            << "no second file beside pageBox.txt";
        EXPECT_TRUE(opened.empty());
    }
}

// A name that cannot name its page's file is told as soon as it is typed, with the name and
// the character at fault. Page one's file is index.html whatever its name.
TEST_F(SubmitTest, ANameThatCannotBeAFileNameIsToldWhenTyped) {
    struct Case {
        const char* box;
        const char* typed;
        const char* told;  // empty: nothing told
    };
    const Case cases[] = {
        {"Page2", "A/B", "page two, \"A/B\", cannot be the name of its file: it holds the character \"/\""},
        {"Page3", "Back\\slash",
         "page three, \"Back\\slash\", cannot be the name of its file: it holds the character \"\\\""},
        {"page1", "A/B", ""},
        {"Page3", "Contact us", ""},
    };
    submit& window = Load();
    window.show();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed);
        doubles.dialogs->shown.clear();
        QLineEdit& box = Box(c.box);
        box.clear();
        QTest::keyClicks(&box, QString::fromUtf8(c.typed));
        EXPECT_TRUE(doubles.dialogs->shown.empty()) << "nothing while typing";
        QTest::keyClick(&box, Qt::Key_Return);
        if (*c.told == '\0') {
            EXPECT_TRUE(doubles.dialogs->shown.empty());
            continue;
        }
        ASSERT_EQ(doubles.dialogs->shown.size(), 1u);
        EXPECT_TRUE(doubles.dialogs->shown[0].text.contains(QString::fromUtf8(c.told)))
            << doubles.dialogs->shown[0].text.toStdString();
        EXPECT_EQ(doubles.dialogs->shown[0].icon, MessageIcon::Exclamation);
    }
    // What the user typed is kept, to be put right here or told again when the page is saved.
    EXPECT_TRUE(window.close());
    EXPECT_NE(PageNamesFile().find("\"A/B\",\"Page2\""), std::string::npos);
}

TEST_F(SubmitTest, ClosingStillClosesWhenTheSiteFolderIsGone) {
    doubles.platform->globals().siteFolder = "gone";
    Load().show();
    QPointer<submit> closing = names;
    EXPECT_TRUE(names->close());
    EXPECT_TRUE(Unloaded(closing));
    EXPECT_FALSE(fs::exists(inst.path() / "gone"));
}

struct Route {
    const char* action;
    std::function<void(submit&)> run;
    WindowKind target;
    std::string currentPage;  // as the target sees it while it loads
};

TEST_F(SubmitTest, EveryRouteSetsThePageOpensTheTargetInPlaceAndSavesOnLeaving) {
    const std::vector<Route> routes = {
        {"Command3", &submit::Command3_Click, WindowKind::magic, "one"},
        {"Command8", &submit::Command8_Click, WindowKind::magic, "two"},
        {"Command9", &submit::Command9_Click, WindowKind::magic, "three"},
        {"Label1", &submit::Label1_Click, WindowKind::magic, "one"},
        {"Label2", &submit::Label2_Click, WindowKind::start, "unchanged"},
        {"mnustart", &submit::mnustart_Click, WindowKind::start, "unchanged"},
    };
    for (const Route& route : routes) {
        SCOPED_TRACE(route.action);
        opened.clear();
        doubles.platform->globals().currentPage = "unchanged";
        submit& window = Load();
        window.move(40, 30);
        window.show();
        Box("page1").setText(QString::fromLatin1(route.action));

        QPointer<submit> leaving = names;
        route.run(window);

        ASSERT_EQ(opened.size(), 1u);
        EXPECT_EQ(opened[0].kind, route.target);
        EXPECT_EQ(opened[0].currentPage, route.currentPage);
        EXPECT_TRUE(opened[0].window->isVisible());
        EXPECT_EQ(opened[0].window->pos(), QPoint(40, 30));
        EXPECT_TRUE(Unloaded(leaving));
        EXPECT_EQ(PageNamesFile().substr(0, PageNamesFile().find("\r\n")),
                  "\"" + std::string(route.action) + "\",\"page1\"");
        delete opened[0].window;
    }
}

TEST_F(SubmitTest, HotSpotsAndButtonsAreWiredToTheirRoutes) {
    Load().show();
    EXPECT_EQ(names->findChild<HotSpot*>("Label1")->toolTip(), "  Click to go to the Build/Edit page ");
    EXPECT_EQ(names->findChild<HotSpot*>("Label2")->toolTip(), "Click to go to the Getting Started page");
    names->findChild<QAbstractButton*>("Command8")->click();
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(opened[0].currentPage, "two");
}

TEST_F(SubmitTest, HelpOpensBesideAndTheWindowStays) {
    Load().show();
    const QList<QAction*> entries = names->menuBar()->actions();
    ASSERT_EQ(entries.size(), 2);
    EXPECT_EQ(entries[0]->text(), "&File");
    EXPECT_EQ(entries[1]->text(), "&Help");
    QStringList file;
    for (QAction* action : entries[0]->menu()->actions()) file << action->text();
    EXPECT_EQ(file, (QStringList{"&Main Menu", "&Exit"}));

    entries[0]->menu()->actions()[1]->trigger();  // "&Exit" does nothing
    EXPECT_TRUE(names->isVisible());
    entries[1]->trigger();
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(opened[0].kind, WindowKind::Help);
    EXPECT_TRUE(names->isVisible());
}

}  // namespace
}  // namespace pw
