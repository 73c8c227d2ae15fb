#include <gtest/gtest.h>

#include <QLineEdit>
#include <QMenuBar>
#include <QTextEdit>

#include "builder/store/rtf.hpp"
#include "builder/window/magic.hpp"
#include "shell/general/hot_spot.hpp"
#include "testing/doubles.hpp"
#include "tests/temp_folder.hpp"

namespace pw {
namespace {
namespace fs = std::filesystem;

// A site as the first start leaves it, with the shipped template.
class MagicTest : public ::testing::Test {
protected:
    test::TempFolder inst;
    testing::TestPlatform doubles{inst.path()};
    std::unique_ptr<magic> builder;

    void SetUp() override {
        for (const char* name : {"oneBox.txt", "twoBox.txt", "threeBox.txt", "pagebox.txt"})
            inst.Write(fs::path("default") / name, "\"\",\"Text1\"\r\n");
        for (const char* name : {"rtemp1.txt", "rtemp31.txt", "rtemp2.txt", "rtemp32.txt", "rtemp3.txt", "rtemp33.txt"})
            inst.Write(fs::path("default") / name, store::WriteRtf("Kw5 SiteFoundry"));
        inst.Write("default/temp311.htx", inst.Read(fs::path(PW_SOURCE_DIR) / "content" / "temp311.htx"));
    }

    magic& Open(const std::string& page) {
        doubles.platform->globals().currentPage = page;
        builder = std::make_unique<magic>(*doubles.platform);
        builder->Form_Load();
        return *builder;
    }
    QString Field(const char* name) { return builder->findChild<QLineEdit*>(name)->text(); }
    QString Section(const char* name) { return builder->findChild<QTextEdit*>(name)->toPlainText(); }
    QStringList Navigations() { return doubles.panes.back()->navigations; }
    std::string SiteFile(const char* name) { return inst.Read(inst.path() / "default" / name); }
};

TEST_F(MagicTest, OpensOnPageOneWithBuiltInTextsAfterFirstStart) {
    Open("");
    EXPECT_EQ(doubles.platform->globals().currentPage, "one");
    EXPECT_EQ(builder->windowTitle(), "KW5 Sitewell");
    EXPECT_EQ(Field("Text2"), " Type your page title (meta title)");
    EXPECT_EQ(Field("Text24"), "Type keywords  here (meta tags)");
    EXPECT_EQ(Section("RichTextBox1"), "Kw5 SiteFoundry");
    EXPECT_EQ(Section("RichTextBox3"), "Kw5 SiteFoundry");
    EXPECT_EQ(builder->findChild<QLabel*>("Label1")->text(), "You are working on page One");
    EXPECT_FALSE(builder->findChild<QWidget*>("Command3")->isEnabled());
    EXPECT_TRUE(builder->findChild<QWidget*>("Command8")->isEnabled());
    EXPECT_EQ(Navigations(), QStringList{QString::fromStdString((inst.path() / "qhelp.htx").string())});
}

TEST_F(MagicTest, SwitchingPagesLoadsTheirFilesAndDropsUnsavedTyping) {
    inst.Write("default/twoBox.txt", "\"News title\",\"Text2\"\r\n");
    inst.Write("default/rtemp2.txt", store::WriteRtf("<p>News A</p>"));
    Open("one");
    builder->findChild<QLineEdit*>("Text24")->setText("typed, not saved");
    builder->Command8_Click();
    EXPECT_EQ(doubles.platform->globals().currentPage, "two");
    EXPECT_EQ(Field("Text2"), "News title");
    EXPECT_EQ(Field("Text24"), "typed, not saved") << "a field page two's file does not name keeps its text";
    EXPECT_EQ(Section("RichTextBox1"), "<p>News A</p>");
    EXPECT_EQ(builder->findChild<QLabel*>("Label1")->text(), "You are working on page Two");
    EXPECT_TRUE(builder->findChild<QWidget*>("Command3")->isEnabled());
    EXPECT_FALSE(builder->findChild<QWidget*>("Command8")->isEnabled());
    EXPECT_EQ(Navigations().back(), QString::fromStdString((inst.path() / "default" / "news.html").string()));
    EXPECT_EQ(SiteFile("oneBox.txt"), "\"\",\"Text1\"\r\n") << "switching saves nothing";
}

TEST_F(MagicTest, SectionHotSpotsHandTheirSectionOver) {
    inst.Write("default/rtemp1.txt", store::WriteRtf("<b>A</b>"));
    inst.Write("default/rtemp31.txt", store::WriteRtf("<i>B</i>"));
    Open("one");
    const std::vector<std::pair<const char*, std::string>> spots = {
        {"Label5", "<b>A</b>\r\n"},  {"Label9", "<b>A</b>\r\n"},  {"Label18", "<b>A</b>\r\n"},
        {"Label8", "<i>B</i>\r\n"},  {"Label10", "<i>B</i>\r\n"}, {"Label19", "<i>B</i>\r\n"},
        {"Label17", "<i>B</i>\r\n"},
    };
    for (const auto& [name, handedOver] : spots) {
        emit builder->findChild<HotSpot*>(name)->clicked();
        EXPECT_EQ(SiteFile("stand.1w1"), handedOver) << name;
    }
}

TEST_F(MagicTest, EditedSectionsComeBackAndAreSaved) {
    Open("three");
    builder->findChild<QLineEdit*>("Text2")->setText("About");
    doubles.platform->globals().editedBody = "<p>Edited A</p>";
    builder->afteredit();
    doubles.platform->globals().editedBody = "<p>Edited B</p>";
    builder->afteredit2();
    EXPECT_FALSE(fs::exists(inst.path() / "default" / "stand.1w1"));
    EXPECT_EQ(store::RtfPlainText(SiteFile("rtemp3.txt")), "<p>Edited A</p>");
    EXPECT_EQ(store::RtfPlainText(SiteFile("rtemp33.txt")), "<p>Edited B</p>");
    EXPECT_EQ(SiteFile("threeBox.txt"),
              "\"About\",\"Text2\"\r\n\"\",\"Text26\"\r\n\"Type footer here\r\n\",\"Text5\"\r\n"
              "\" Type information about your site (meta content)\",\"Text100\"\r\n"
              "\"Type keywords  here (meta tags)\",\"Text24\"\r\n");
}

TEST_F(MagicTest, FileMenuShowsItsSeparatorsWhereTheyAre) {
    Open("one");
    QMenu* file = builder->menuBar()->actions().at(0)->menu();
    QStringList entries;
    for (QAction* action : file->actions()) entries << (action->isSeparator() ? "-" : action->text());
    EXPECT_EQ(entries, (QStringList{"-", "&Main Menu", "-", "Build Page One", "Build Page Two", "Build Page Three",
                                    "Phone view", "-", "&Exit"}));
    EXPECT_FALSE(file->separatorsCollapsible());
}

// The preview pane lays the page out as a phone would, 390 CSS pixels wide, for every page
// shown until the entry is turned off again.
TEST_F(MagicTest, PhoneViewLaysThePreviewOutAsAPhoneDoesUntilTurnedOff) {
    Open("one");
    QAction* phone = nullptr;
    for (QAction* action : builder->menuBar()->actions().at(0)->menu()->actions())
        if (action->text() == "Phone view") phone = action;
    ASSERT_NE(phone, nullptr);
    ASSERT_TRUE(phone->isCheckable());
    testing::RecordingWebPane& pane = *doubles.panes.back();
    EXPECT_EQ(pane.LayoutWidth(), 0) << "the pane's own width at first";
    phone->trigger();
    EXPECT_TRUE(phone->isChecked());
    EXPECT_EQ(pane.LayoutWidth(), 390);
    builder->Command8_Click();
    builder->Label7_Click();
    EXPECT_EQ(pane.LayoutWidth(), 390) << "other pages are shown as a phone shows them too";
    phone->trigger();
    EXPECT_EQ(pane.LayoutWidth(), 0);
}

TEST_F(MagicTest, MetaFieldsToggleAndExplainThemselves) {
    Open("one");
    auto* keywords = builder->findChild<QWidget*>("Text24");
    EXPECT_TRUE(keywords->isHidden());
    builder->Label6_Click();
    EXPECT_FALSE(keywords->isHidden());
    EXPECT_FALSE(builder->findChild<QWidget*>("Image13")->isHidden());
    builder->Label6_Click();
    EXPECT_TRUE(keywords->isHidden());

    builder->Image12_Click();
    builder->Image14_Click();
    builder->Image13_Click();
    ASSERT_EQ(doubles.dialogs->shown.size(), 3u);
    EXPECT_TRUE(doubles.dialogs->shown[0].text.startsWith(
        "This is for keywords that describe your site, use , to seperate words\n"));
    EXPECT_TRUE(doubles.dialogs->shown[1].text.endsWith("\n\nExample: low cost web design"));
    EXPECT_TRUE(doubles.dialogs->shown[2].text.startsWith("This is the title of your page\n"));
    for (const auto& message : doubles.dialogs->shown) {
        EXPECT_EQ(message.caption, "Quick Help");
        EXPECT_EQ(message.icon, MessageIcon::Information);
    }
}

TEST_F(MagicTest, SaveOrPreviewSavesGeneratesAndShowsThePage) {
    Open("one");
    builder->findChild<QLineEdit*>("Text2")->setText("Welcome to Jo's Bakery");
    builder->Label7_Click();
    const fs::path page = inst.path() / "default" / "index.html";
    ASSERT_TRUE(fs::exists(page));
    EXPECT_NE(inst.Read(page).find("<title>Welcome to Jo's Bakery</title>"), std::string::npos);
    EXPECT_EQ(SiteFile("oneBox.txt").substr(0, 33), "\"Welcome to Jo's Bakery\",\"Text2\"\r");
    EXPECT_EQ(Navigations().back(), QString::fromStdString(page.string()));
    EXPECT_EQ(doubles.shell->opened, QStringList{QString::fromStdString(page.string())});
    EXPECT_TRUE(builder->findChild<QWidget*>("Label7")->isEnabled());
}

TEST_F(MagicTest, PreviewAndBrowserOpenThePageThatExistsWhateverItsLetterCase) {
    inst.Write("default/News.html", "an older page two");
    Open("one");
    builder->Command8_Click();
    const QString existing = QString::fromStdString((inst.path() / "default" / "News.html").string());
    EXPECT_EQ(Navigations().back(), existing);
    builder->Label7_Click();
    EXPECT_NE(SiteFile("News.html").find("<title> Type your page title (meta title)</title>"), std::string::npos);
    EXPECT_FALSE(fs::exists(inst.path() / "default" / "news.html"));
    EXPECT_EQ(Navigations().back(), existing);
    EXPECT_EQ(doubles.shell->opened, QStringList{existing});
}

// A section file that cannot be replaced (a folder stands in its place): the user is told
// which file and why, the builder keeps the text, and the next save succeeds.
TEST_F(MagicTest, ASectionThatCannotBeSavedIsToldAndKeptForTheNextSave) {
    Open("one");
    fs::remove(inst.path() / "default" / "rtemp1.txt");
    fs::create_directories(inst.path() / "default" / "rtemp1.txt" / "in the way");
    doubles.platform->globals().editedBody = "<p>Our new opening hours</p>";
    builder->afteredit();
    ASSERT_EQ(doubles.dialogs->shown.size(), 1u);
    const auto& message = doubles.dialogs->shown[0];
    EXPECT_EQ(message.text,
              SaveErrorText(inst.path() / "default" / "rtemp1.txt", std::make_error_code(std::errc::is_a_directory)));
    EXPECT_TRUE(message.text.contains("rtemp1.txt"));
    EXPECT_EQ(message.icon, MessageIcon::Exclamation);
    EXPECT_EQ(message.buttons, MessageButtons::Ok);
    EXPECT_EQ(Section("RichTextBox1"), "<p>Our new opening hours</p>");

    fs::remove_all(inst.path() / "default" / "rtemp1.txt");
    builder->Label7_Click();
    EXPECT_EQ(doubles.dialogs->shown.size(), 1u) << "no further message";
    EXPECT_EQ(store::RtfPlainText(SiteFile("rtemp1.txt")), "<p>Our new opening hours</p>");
}

TEST_F(MagicTest, ASiteFolderRemovedMeanwhileIsToldOnceAndTheFieldsStay) {
    Open("two");
    builder->findChild<QLineEdit*>("Text2")->setText("Specials this week");
    fs::remove_all(inst.path() / "default");
    builder->Label7_Click();
    ASSERT_EQ(doubles.dialogs->shown.size(), 2u);
    EXPECT_EQ(doubles.dialogs->shown[0].text, "Error accessing file");
    EXPECT_EQ(doubles.dialogs->shown[1].text,
              SaveErrorText(inst.path() / "default" / "twoBox.txt",
                            std::make_error_code(std::errc::no_such_file_or_directory)));
    EXPECT_EQ(Field("Text2"), "Specials this week");
}

TEST_F(MagicTest, MissingTemplateSaysSoAndWritesNoPage) {
    fs::remove(inst.path() / "default" / "temp311.htx");
    Open("two");
    bool enabledDuringMessage = true;
    Qt::CursorShape pointerDuringMessage = Qt::ArrowCursor;
    doubles.dialogs->whileShown = [&](const testing::ShownMessage&) {
        enabledDuringMessage = builder->findChild<QWidget*>("Label7")->isEnabled();
        pointerDuringMessage = builder->cursor().shape();
    };
    builder->Label7_Click();
    EXPECT_FALSE(enabledDuringMessage) << "the message comes first, then Label7 is enabled again";
    EXPECT_EQ(pointerDuringMessage, Qt::WaitCursor) << "and then the pointer is restored";
    EXPECT_EQ(builder->cursor().shape(), Qt::ArrowCursor);
    ASSERT_EQ(doubles.dialogs->shown.size(), 1u);
    EXPECT_EQ(doubles.dialogs->shown[0].text, "Error accessing file");
    EXPECT_EQ(doubles.dialogs->shown[0].caption, "KW5 Sitewell");
    EXPECT_FALSE(fs::exists(inst.path() / "default" / "news.html"));
    EXPECT_TRUE(doubles.shell->opened.isEmpty());
    EXPECT_TRUE(builder->findChild<QWidget*>("Label7")->isEnabled());
}

// Text from a word processor: non-breaking spaces, line and paragraph separators. A text
// document would turn them into blanks and line breaks the first time the page is saved.
TEST_F(MagicTest, SectionsKeepEveryCharacterThroughHandOverSaveAndGeneration) {
    const std::string text = "Soup 5\u00a0\u20ac \u00ab\u00a0oui\u00a0\u00bb\u2028next line\u2029next paragraph";
    inst.Write("default/rtemp1.txt", store::WriteRtf(text));
    Open("one");
    emit builder->findChild<HotSpot*>("Label5")->clicked();
    EXPECT_EQ(SiteFile("stand.1w1"), text + "\r\n") << "handed over as stored";

    builder->Label7_Click();
    EXPECT_EQ(store::RtfPlainText(SiteFile("rtemp1.txt")), text) << "saved as loaded";
    EXPECT_NE(SiteFile("index.html").find(text), std::string::npos) << "and in the page";

    doubles.platform->globals().editedBody = "B\u00a0" + text;
    builder->afteredit2();
    EXPECT_EQ(store::RtfPlainText(SiteFile("rtemp31.txt")), "B\u00a0" + text)
        << "taken back from the editor as it came";
    EXPECT_TRUE(doubles.dialogs->shown.empty());
}

// A page name that cannot name its page's file: "Save or preview site" says which name and
// which character, writes no page anywhere, and opens nothing. The content is still saved.
TEST_F(MagicTest, APageNameThatCannotBeAFileNameIsToldAndNoPageIsWritten) {
    struct Case {
        const char* page;
        const char* record;
        const char* name;
        const char* character;
    };
    const Case cases[] = {
        {"three", "\"A/B\",\"Page3\"", "A/B", "\"/\""},
        {"two", "\"Back\\slash\",\"Page2\"", "Back\\slash", "\"\\\""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        doubles.dialogs->shown.clear();
        doubles.shell->opened.clear();
        inst.Write("default/pagebox.txt", std::string(c.record) + "\r\n");
        Open(c.page);
        builder->Label7_Click();
        ASSERT_EQ(doubles.dialogs->shown.size(), 1u);
        const QString text = doubles.dialogs->shown[0].text;
        EXPECT_TRUE(text.contains(QStringLiteral("\"%1\"").arg(QString::fromUtf8(c.name)))) << text.toStdString();
        EXPECT_TRUE(text.contains(QStringLiteral("character %1").arg(QString::fromUtf8(c.character))))
            << text.toStdString();
        EXPECT_EQ(doubles.dialogs->shown[0].icon, MessageIcon::Exclamation);
        for (const auto& entry : fs::recursive_directory_iterator(inst.path())) {
            EXPECT_NE(entry.path().extension(), ".html") << entry.path();
        }
        EXPECT_TRUE(doubles.shell->opened.isEmpty());
        EXPECT_TRUE(builder->findChild<QWidget*>("Label7")->isEnabled());
        const std::string fields(store::FilesOf(store::PageFromWord(c.page)).fields);
        EXPECT_NE(SiteFile(fields.c_str()).find("\"Text24\""), std::string::npos)
            << "the content is saved all the same";
    }

    inst.Write("default/pagebox.txt", "\"A/B\",\"page1\"\r\n");  // page one's file is index.html whatever its name
    doubles.dialogs->shown.clear();
    Open("one");
    builder->Label7_Click();
    EXPECT_TRUE(doubles.dialogs->shown.empty());
    EXPECT_TRUE(fs::exists(inst.path() / "default" / "index.html"));
}

TEST_F(MagicTest, UpdatingAllPagesRegeneratesTheWholeSite) {
    inst.Write("default/pagebox.txt", "\"Start\",\"page1\"\r\n\"Our Menu\",\"Page2\"\r\n\"Contact\",\"Page3\"\r\n");
    Open("two");
    builder->findChild<QWidget*>("Frame1")->show();
    builder->Command2_Click();
    for (const char* name : {"index.html", "ourmenu.html", "contact.html"}) {
        EXPECT_TRUE(fs::exists(inst.path() / "default" / name)) << name;
    }
    EXPECT_EQ(doubles.shell->opened.size(), 3);
    EXPECT_TRUE(builder->findChild<QWidget*>("Frame1")->isHidden());
    EXPECT_EQ(doubles.platform->globals().currentPage, "three");
}

}  // namespace
}  // namespace pw
