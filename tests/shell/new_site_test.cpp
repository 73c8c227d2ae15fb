// "New Site..." in the main menu: a second site made as the first start makes "default",
// listed, opened in the builder and built by `pagewright generate --site`.
#include <gtest/gtest.h>

#include <QApplication>
#include <QListWidget>
#include <QMenuBar>
#include <QPointer>

#include <algorithm>
#include <sstream>

#include "builder/generate_command.hpp"
#include "builder/store/site_files.hpp"
#include "shell/start.hpp"
#include "testing/doubles.hpp"
#include "tests/temp_folder.hpp"

namespace pw {
namespace {
namespace fs = std::filesystem;

// Every file below `folder` with its bytes.
std::map<std::string, std::string> Tree(const fs::path& folder) {
    std::map<std::string, std::string> files;
    for (const auto& entry : fs::recursive_directory_iterator(folder))
        if (entry.is_regular_file())
            files[fs::relative(entry.path(), folder).string()] = test::TempFolder::Read(entry.path());
    return files;
}

class NewSiteTest : public ::testing::Test {
protected:
    test::TempFolder inst;
    testing::TestPlatform doubles{inst.path()};
    QPointer<start> menu;
    QStringList builderOpenedOn;  // siteFolder each time the builder loaded
    QList<QPointer<QWidget>> builders;

    void SetUp() override {
        // The installation's shipped design, as start-up seeds sites from it.
        for (const char* name : {"stock", "temp311.htx", "graf1.gif", "graf2.jpg"})
            fs::copy_file(fs::path(PW_SOURCE_DIR) / "content" / name, inst.path() / name);
        ASSERT_TRUE(store::PrepareDefaultSite(inst.path()).has_value());
        doubles.platform->windows().Register(WindowKind::magic, [this](Platform& p, QWidget&) {
            builderOpenedOn << QString::fromStdString(p.globals().siteFolder);
            auto* builder = new QWidget;
            builders << builder;
            return builder;
        });
        menu = new start(*doubles.platform);
        menu->Form_Load();
        menu->show();
    }
    void TearDown() override {
        delete menu;
        for (const QPointer<QWidget>& builder : builders) delete builder;
    }

    QAction* NewSiteEntry() {
        for (QAction* action : menu->menuBar()->actions()[0]->menu()->actions())
            if (action->text() == "New Site...") return action;
        return nullptr;
    }
    QStringList SiteList() {
        QStringList names;
        auto* list = menu->findChild<QListWidget*>("File1");
        for (int i = 0; i < list->count(); ++i) names << list->item(i)->text();
        return names;
    }
};

TEST_F(NewSiteTest, ANewSiteIsSeededAsTheDefaultWasListedOpenedAndBuiltFromTheCommandLine) {
    const auto defaultBefore = Tree(inst.path() / "default");
    doubles.dialogs->inputs = {QString("  Corner Cafe ")};
    ASSERT_NE(NewSiteEntry(), nullptr);
    NewSiteEntry()->trigger();

    ASSERT_EQ(doubles.dialogs->prompts, QStringList{"Name of the new site:"});
    EXPECT_TRUE(doubles.dialogs->shown.empty());
    const fs::path site = inst.path() / "Corner Cafe";
    EXPECT_EQ(Tree(site), defaultBefore) << "the same seed files as the first start's";
    EXPECT_EQ(test::TempFolder::Read(inst.path() / "Corner Cafe.ste"),
              test::TempFolder::Read(inst.path() / "Default.ste"));
    EXPECT_EQ(fs::status(site / "ftp.txt").permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_EQ(doubles.platform->globals().siteFolder, "Corner Cafe");
    EXPECT_EQ(builderOpenedOn, QStringList{"Corner Cafe"});
    EXPECT_EQ(doubles.platform->globals().currentPage, "one");

    auto* again = new start(*doubles.platform);
    again->Form_Load();
    menu = again;
    EXPECT_EQ(SiteList(), (QStringList{"Corner Cafe.ste", "Default.ste"}));

    std::ostringstream out, err;
    const std::vector<std::string> args = {"--site", "Corner Cafe"};
    ASSERT_EQ(RunGenerateCommand(inst.path(), args, out, err), 0) << err.str();
    for (const char* page : {"index.html", "news.html", "aboutus.html"}) EXPECT_TRUE(fs::exists(site / page)) << page;
    EXPECT_EQ(Tree(inst.path() / "default"), defaultBefore) << "the default site is untouched";
}

TEST_F(NewSiteTest, ANameThatCannotBeASitesFolderIsExplainedAndAskedAgain) {
    inst.Write("logo.htx", "installation content");
    const struct {
        QString name;
        QString message;
    } cases[] = {
        {"   ", "Please type a name for the new site."},
        {"Cafe/Bar",
         "A site's name is the name of its folder, so it cannot hold / or \\ or be \".\" or \"..\". "
         "Please choose another name."},
        {"Cafe\\Bar",
         "A site's name is the name of its folder, so it cannot hold / or \\ or be \".\" or \"..\". "
         "Please choose another name."},
        {"..",
         "A site's name is the name of its folder, so it cannot hold / or \\ or be \".\" or \"..\". "
         "Please choose another name."},
        {"Tab\there",
         "A site's name is the name of its folder, so it cannot hold / or \\ or be \".\" or \"..\". "
         "Please choose another name."},
        {".hidden", "A site's name cannot begin with a dot: its folder would be hidden."},
        {QString(252, 'x'), "That name is too long for a folder. Please choose a shorter one."},
        {"DEFAULT",
         "There is already a site or a file called \"DEFAULT\" beside the program. Please choose another name."},
        {"Logo.htx",
         "There is already a site or a file called \"Logo.htx\" beside the program. Please choose another name."},
    };
    for (const auto& [name, message] : cases) {
        doubles.dialogs->shown.clear();
        doubles.dialogs->inputs = {name, std::nullopt};  // then Cancel
        NewSiteEntry()->trigger();
        ASSERT_EQ(doubles.dialogs->shown.size(), 1u) << name.toStdString();
        EXPECT_EQ(doubles.dialogs->shown[0].text, message) << name.toStdString();
        EXPECT_EQ(doubles.dialogs->shown[0].icon, MessageIcon::Exclamation);
    }
    EXPECT_TRUE(builderOpenedOn.isEmpty());
    EXPECT_EQ(doubles.platform->globals().siteFolder, "default");
    std::vector<std::string> entries;
    for (const auto& entry : fs::directory_iterator(inst.path())) entries.push_back(entry.path().filename().string());
    std::ranges::sort(entries);
    EXPECT_EQ(entries, (std::vector<std::string>{"Default.ste", "default", "graf1.gif", "graf2.jpg", "logo.htx",
                                                 "stock", "temp311.htx"}))
        << "nothing was made";

    // After the message the user is asked again.
    doubles.dialogs->prompts.clear();
    doubles.dialogs->inputs = {QString("Cafe/Bar"), QString("Cafe Bar")};
    NewSiteEntry()->trigger();
    EXPECT_EQ(doubles.dialogs->prompts.size(), 2);
    EXPECT_TRUE(fs::is_directory(inst.path() / "Cafe Bar"));
    EXPECT_EQ(builderOpenedOn, QStringList{"Cafe Bar"});
}

TEST_F(NewSiteTest, CancelMakesNothing) {
    doubles.dialogs->inputs = {std::nullopt};
    NewSiteEntry()->trigger();
    EXPECT_TRUE(doubles.dialogs->shown.empty());
    EXPECT_TRUE(builderOpenedOn.isEmpty());
    EXPECT_FALSE(menu.isNull()) << "the menu stays";
}

}  // namespace
}  // namespace pw
