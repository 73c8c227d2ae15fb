// The "Check Site" dialog: its list, its empty state, and a new user's site checked from
// it before and after the texts are filled in through the builder.
#include "publisher/window/site_check_dialog.hpp"

#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTimer>

#include <functional>

#include "builder/window/magic.hpp"
#include "testing/doubles.hpp"
#include "tests/generation/seeded_site.hpp"
#include "tests/sitecheck/site_fixture.hpp"

namespace pw {
namespace {

namespace fs = std::filesystem;
using publisher::Finding;
using publisher::FindingKind;

QString SummaryOf(const QDialog& dialog) { return dialog.findChild<QLabel*>("Summary")->text(); }

QStringList LinesOf(const QDialog& dialog) {
    QStringList lines;
    const auto* list = dialog.findChild<QListWidget*>("Findings");
    for (int i = 0; i < list->count(); ++i) lines << list->item(i)->text();
    return lines;
}

TEST(SiteCheckDialog, ListsEachFindingOnALineNamingItsFile) {
    const std::vector<Finding> findings = {
        {"index.html", FindingKind::MissingFile, "logo.gif", "the picture \"logo.gif\" is not in your site folder",
         "add it"},
        {"big.jpg", FindingKind::LargePicture, "big.jpg", "the picture is 2.0 MB", "save a smaller copy"},
    };
    SiteCheckDialog dialog(findings);
    EXPECT_TRUE(dialog.isModal());
    EXPECT_EQ(dialog.windowTitle(), "Check Site");
    EXPECT_EQ(SummaryOf(dialog), "2 things to put right before you publish:");
    EXPECT_EQ(LinesOf(dialog), (QStringList{"index.html: the picture \"logo.gif\" is not in your site folder: add it",
                                            "big.jpg: the picture is 2.0 MB: save a smaller copy"}));
    dialog.show();
    EXPECT_TRUE(dialog.findChild<QListWidget*>("Findings")->isVisible());
    dialog.findChild<QPushButton*>("OK")->click();
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
}

TEST(SiteCheckDialog, SaysNoProblemsFoundWhenThereAreNone) {
    SiteCheckDialog dialog({});
    dialog.show();
    EXPECT_EQ(SummaryOf(dialog), "No problems found.");
    EXPECT_FALSE(dialog.findChild<QListWidget*>("Findings")->isVisible());
}

class CheckSiteFromAWindow : public ::testing::Test {
protected:
    // Runs Show as the publisher's menu entry would and returns what the dialog showed,
    // closing it with OK.
    std::pair<QString, QStringList> ShowCheck() {
        std::pair<QString, QStringList> shown;
        QTimer::singleShot(0, [&] {
            auto* dialog = qobject_cast<SiteCheckDialog*>(QApplication::activeModalWidget());
            if (!dialog) {
                ADD_FAILURE() << "no Check Site dialog is open";
                QApplication::closeAllWindows();  // whatever is modal, so that Show returns
                return;
            }
            shown = {SummaryOf(*dialog), LinesOf(*dialog)};
            dialog->findChild<QPushButton*>("OK")->click();
        });
        QWidget opener;
        SiteCheckDialog::Show(*doubles.platform, &opener);
        return shown;
    }

    // The builder on `page`, as the user opens it from the main menu.
    magic& OpenBuilder(store::Page page) {
        doubles.platform->globals().currentPage = std::string(store::WordOf(page));
        builder = std::make_unique<magic>(*doubles.platform);
        builder->Form_Load();
        return *builder;
    }

    test::TempFolder inst;
    fs::path site = test::SeedFirstStartSite(inst);
    testing::TestPlatform doubles{inst.path()};
    std::unique_ptr<magic> builder;
};

TEST_F(CheckSiteFromAWindow, NewUsersSiteShowsItsSampleTextsUntilTheyAreFilledInAndGenerated) {
    for (const store::Page page : store::kPages) OpenBuilder(page).Label7_Click();  // "Save or preview site"
    const auto [summary, lines] = ShowCheck();
    EXPECT_EQ(summary, "15 things to put right before you publish:");
    ASSERT_EQ(lines.size(), 15);
    const auto expected = test::SampleTextSummaries();
    const auto findings = publisher::CheckSite(site);
    ASSERT_TRUE(findings.has_value());
    EXPECT_EQ(test::Summaries(*findings), expected);
    for (int i = 0; i < lines.size(); ++i) {
        EXPECT_EQ(lines[i].toStdString(), publisher::FindingLine((*findings)[static_cast<std::size_t>(i)]));
    }

    for (const store::Page page : store::kPages) {
        magic& window = OpenBuilder(page);
        window.Label6_Click();  // "Edit Meta Tag Text"
        window.findChild<QLineEdit*>("Text2")->setText("Sunrise Bakery");
        window.findChild<QLineEdit*>("Text100")->setText("Bread and cakes baked every morning in Lindenfeld");
        window.findChild<QLineEdit*>("Text24")->setText("bakery, bread, cakes, Lindenfeld");
        doubles.platform->globals().editedBody = "<p>Welcome to our bakery.</p>";
        window.afteredit();
        doubles.platform->globals().editedBody = "<p>Open daily from 7 am.</p>";
        window.afteredit2();
        window.Label7_Click();
    }
    EXPECT_EQ(ShowCheck(), std::make_pair(QString("No problems found."), QStringList{}));
    EXPECT_TRUE(doubles.dialogs->shown.empty());
}

TEST_F(CheckSiteFromAWindow, SiteFolderThatCannotBeReadIsToldInAMessage) {
    doubles.platform->globals().siteFolder = "gone";
    QWidget opener;
    SiteCheckDialog::Show(*doubles.platform, &opener);
    ASSERT_EQ(doubles.dialogs->shown.size(), 1u);
    const auto& message = doubles.dialogs->shown[0];
    EXPECT_EQ(message.text, "The site folder could not be read, so it was not checked.");
    EXPECT_EQ(message.icon, MessageIcon::Exclamation);
    EXPECT_EQ(message.details, QString::fromStdString((inst.path() / "gone").string()) + ": No such file or directory");
}

}  // namespace
}  // namespace pw
