#include <gtest/gtest.h>

#include <QListWidget>
#include <QMenuBar>

#include "shell/general/hot_spot.hpp"
#include "shell/start.hpp"
#include "testing/doubles.hpp"
#include "tests/temp_folder.hpp"

namespace pw {
namespace {

class StartTest : public ::testing::Test {
protected:
    test::TempFolder inst;
    testing::TestPlatform doubles{inst.path()};
    std::unique_ptr<start> menu;

    void SetUp() override {
        qputenv("PAGEWRIGHT_VENDOR_SITE", "https://vendor.example/");
        inst.Write("Default.ste", "x");
        inst.Write("Shop.ste", "x");
        inst.Write("notes.txt", "x");
        menu = std::make_unique<start>(*doubles.platform);
        menu->Form_Load();
    }
};

TEST_F(StartTest, LoadSetsCaptionFixedSizeLogoAndSiteList) {
    EXPECT_EQ(menu->windowTitle(), "KW5 Sitewell");
    // No window manager here, so no frame: the inside holds the menu bar and the picture.
    EXPECT_EQ(menu->size(), QSize(640, menu->menuBar()->sizeHint().height() + kPictureHeight));
    EXPECT_EQ(menu->minimumSize(), menu->maximumSize());
    ASSERT_EQ(doubles.panes.size(), 1u);
    EXPECT_EQ(doubles.panes[0]->navigations, QStringList{QString::fromStdString((inst.path() / "logo.htx").string())});

    auto* list = menu->findChild<QListWidget*>("File1");
    ASSERT_NE(list, nullptr);
    QStringList sites;
    for (int i = 0; i < list->count(); ++i) sites << list->item(i)->text();
    EXPECT_EQ(sites, (QStringList{"Default.ste", "Shop.ste"}));
    EXPECT_GE(list->y(), menu->centralWidget()->height()) << "the list lies below the visible client area";
}

TEST_F(StartTest, HotSpotsCarryTheirTooltipsOverTheDrawnItems) {
    const std::vector<std::pair<const char*, const char*>> tooltips = {
        {"Label3", "   Click to go to the Build/Edit page      "}, {"Label4", "   Click to go to Name Pages "},
        {"Label6", "   Click to build or edit your web site   "},  {"Label9", "   Click to start online tutorial   "},
        {"Label8", "   Click here to view online tutorial"},       {"Label14", "   Change to another web site design"},
        {"Label2", "   Click to publish your web site online   "}, {"Label1", "Low cost web site hosting"},
    };
    for (const auto& [name, tooltip] : tooltips) {
        auto* spot = menu->findChild<HotSpot*>(name);
        ASSERT_NE(spot, nullptr) << name;
        EXPECT_EQ(spot->toolTip(), tooltip) << name;
        EXPECT_EQ(spot->cursor().shape(), Qt::PointingHandCursor) << name;
    }
    EXPECT_EQ(menu->findChild<QWidget*>("Label6")->geometry(), QRect(296, 208, 169, 17));
    for (const char* picture : {"Image2", "Command3", "Command8", "Command9"})
        EXPECT_NE(menu->findChild<QWidget*>(picture)->cursor().shape(), Qt::PointingHandCursor) << picture;
}

TEST(SharedPictures, ThePageButtonsAndTheBannerLoadFromTheLibraryThatDrawsThem) {
    for (const char* digit : {"1", "2", "3"}) {
        for (const char* state : {"normal", "pressed", "disabled"}) {
            const QPixmap picture = SharedPicture(QStringLiteral("page%1-%2.png").arg(digit, state));
            EXPECT_EQ(picture.size(), QSize(26, 34)) << digit << " " << state;
        }
    }
    EXPECT_EQ(SharedPicture(QStringLiteral("banner.png")).size(), QSize(650, 38));
    EXPECT_TRUE(SharedPicture(QStringLiteral("no-such-picture.png")).isNull());
}

TEST_F(StartTest, VendorLinksOpenInTheBrowser) {
    menu->Image2_Click();
    menu->Label1_Click();
    menu->Label8_Click();
    menu->Label9_Click();
    EXPECT_EQ(doubles.shell->opened,
              (QStringList{"https://vendor.example", "https://vendor.example/kw5host.html",
                           "https://vendor.example/step1.html", "https://vendor.example/step1.html"}));
}

TEST_F(StartTest, MenusAreLaidOutAsTheUserExpects) {
    const auto entries = menu->menuBar()->actions();
    ASSERT_EQ(entries.size(), 2);
    EXPECT_EQ(entries[0]->text(), "&File");
    EXPECT_EQ(entries[1]->text(), "&Help");
    QStringList file;
    for (QAction* action : entries[0]->menu()->actions()) file << (action->isSeparator() ? "-" : action->text());
    EXPECT_EQ(file, (QStringList{"-", "Edit Pages", "Name Pages", "Publish Site (FTP Client)", "New Site...", "-",
                                 "&Exit Program", "-"}));
    EXPECT_FALSE(entries[0]->menu()->separatorsCollapsible()) << "the leading and trailing separators show";
}

// The login opens beside the menu, which stays open behind it until the publisher shows.
TEST_F(StartTest, PublishHotSpotAndMenuEntryOpenTheLoginBesideTheMenu) {
    int logins = 0;
    doubles.platform->windows().Register(WindowKind::FTPLogin, [&](Platform&, QWidget& opener) {
        EXPECT_EQ(&opener, menu.get());
        ++logins;
        return nullptr;
    });
    menu->show();
    menu->findChild<HotSpot*>("Label2")->clicked();
    QAction* publish = nullptr;
    for (QAction* action : menu->menuBar()->actions()[0]->menu()->actions()) {
        if (action->text() == "Publish Site (FTP Client)") publish = action;
    }
    ASSERT_NE(publish, nullptr);
    publish->trigger();
    EXPECT_EQ(logins, 2);
    EXPECT_TRUE(menu->isVisible());
}

}  // namespace
}  // namespace pw
