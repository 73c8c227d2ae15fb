// Formatting commands on the real editing surface: inline, block formats, lists, justify,
// colour and fonts (with the font dialog), links (with our dialog), the clipboard, and the
// states QueryStatus reports as the selection moves.
#include <QApplication>
#include <QClipboard>
#include <QFontDialog>
#include <QLineEdit>
#include <QMimeData>
#include <QSet>
#include <QTest>

#include "tests/editor/surface/surface_fixture.hpp"

namespace pw::test {
namespace {

using CommandsTest = SurfaceTest;
using Status = CommandStatus;

TEST_F(CommandsTest, InlineCommandsWrapTheSelectionAndShowLatched) {
    struct Case {
        int id;
        const char* body;
    };
    for (const Case& c : {Case{EditCommand::Bold, "<p>plain <b>word</b> here</p>"},
                          Case{EditCommand::Italic, "<p>plain <i>word</i> here</p>"},
                          Case{EditCommand::Underline, "<p>plain <u>word</u> here</p>"}}) {
        SCOPED_TRACE(c.id);
        Load("<p>plain word here</p>");
        Select("word");
        EXPECT_EQ(surface.QueryStatus(c.id), Status::Enabled);
        surface.ExecCommand(c.id, CommandOption::NoPrompt);
        EXPECT_EQ(surface.QueryStatus(c.id), Status::Latched);
        EXPECT_EQ(SavedBody(), c.body);
    }
}

// The script knows the commands by the names of the one C++ table: it reports a status for
// each of them and for no other, so no command stays greyed for want of a name.
TEST_F(CommandsTest, TheScriptReportsAStatusForEveryCommandOfTheTableAndNoOther) {
    Load("<p>plain word here</p>");
    const QStringList reported =
        Eval(QStringLiteral("Object.keys(pagewright.call('state', []).state.status)")).toStringList();
    QStringList named;
    for (const NamedCommand& command : kEditCommands)
        named.append(QString::fromUtf8(command.name.data(), static_cast<qsizetype>(command.name.size())));
    EXPECT_EQ(QSet<QString>(reported.begin(), reported.end()), QSet<QString>(named.begin(), named.end()));
    EXPECT_EQ(reported.size(), named.size());
}

TEST_F(CommandsTest, QueryStatusFollowsTheSelection) {
    EXPECT_EQ(surface.QueryStatus(EditCommand::Bold), Status::Disabled);  // nothing loaded yet
    EXPECT_EQ(surface.QueryStatus(4999), Status::NotSupported);
    Load("<p>plain <b>bold</b> text</p><table><tr><td>cell</td><td>next</td></tr></table>");

    CaretAt("old");
    EXPECT_EQ(surface.QueryStatus(EditCommand::Bold), Status::Latched);
    EXPECT_EQ(surface.QueryStatus(EditCommand::Copy), Status::Disabled);  // nothing selected
    EXPECT_EQ(surface.QueryStatus(EditCommand::InsertRow), Status::Disabled);
    EXPECT_EQ(surface.QueryStatus(EditCommand::Undo), Status::Disabled);

    CaretAt("ext");
    EXPECT_EQ(surface.QueryStatus(EditCommand::Bold), Status::Enabled);

    Select("plain");
    EXPECT_EQ(surface.QueryStatus(EditCommand::Copy), Status::Enabled);
    EXPECT_EQ(surface.QueryStatus(EditCommand::Cut), Status::Enabled);

    CaretAt("ell");
    for (int id :
         {EditCommand::InsertRow, EditCommand::InsertColumn, EditCommand::InsertCell, EditCommand::DeleteRows,
          EditCommand::DeleteColumns, EditCommand::DeleteCells, EditCommand::SplitCell, EditCommand::MergeCells}) {
        EXPECT_EQ(surface.QueryStatus(id), Status::Enabled) << id;
    }
    CaretAt("ext", 1);  // "next": the last cell has no neighbour to merge with
    EXPECT_EQ(surface.QueryStatus(EditCommand::MergeCells), Status::Disabled);

    Select("next");
    surface.ExecCommand(EditCommand::Bold);
    EXPECT_EQ(surface.QueryStatus(EditCommand::Undo), Status::Enabled);
    EXPECT_EQ(surface.QueryStatus(EditCommand::Redo), Status::Disabled);
    surface.ExecCommand(EditCommand::Undo);
    EXPECT_EQ(surface.QueryStatus(EditCommand::Redo), Status::Enabled);
}

TEST_F(CommandsTest, BlockFormatsBecomeTheirElementsAndAreReadBack) {
    struct Case {
        const char* name;
        const char* start;
        const char* body;
    };
    const Case cases[] = {
        {"Heading 1", "<p>Some text</p>", "<h1>Some text</h1>"},
        {"Heading 6", "<p>Some text</p>", "<h6>Some text</h6>"},
        {"Formatted", "<p>Some text</p>", "<pre>Some text</pre>"},
        {"Address", "<p>Some text</p>", "<address>Some text</address>"},
        {"Definition Term", "<p>Some text</p>", "<dt>Some text</dt>"},
        {"Definition", "<p>Some text</p>", "<dd>Some text</dd>"},
        {"Normal", "<p>Some text</p>", "<div>Some text</div>"},
        {"Paragraph", "<h2>Some text</h2>", "<p>Some text</p>"},
        {"Numbered List", "<p>Some text</p>", "<ol><li>Some text</li></ol>"},
        {"Bulleted List", "<h3>Some text</h3>", "<ul><li>Some text</li></ul>"},
        {"Directory List", "<p>Some text</p>", "<dir><li>Some text</li></dir>"},
        {"Menu List", "<ol><li>Some text</li></ol>", "<menu><li>Some text</li></menu>"},
        {"Heading 2", "<dir><li>Some text</li></dir>", "<h2>Some text</h2>"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Load(c.start);
        CaretAt("text");
        ASSERT_EQ(surface.QueryStatus(EditCommand::SetBlockFormat), Status::Enabled);
        surface.ExecCommand(EditCommand::SetBlockFormat, CommandOption::NoPrompt, QString::fromUtf8(c.name));
        EXPECT_EQ(surface.ExecCommand(EditCommand::GetBlockFormat, CommandOption::NoPrompt).toString().toStdString(),
                  c.name);
        EXPECT_EQ(SavedBody(), c.body);
    }
}

TEST_F(CommandsTest, BlockFormatNamesAreTheSixteenClassicOnes) {
    Load("<p>x</p>");
    const auto names =
        surface.ExecCommand(EditCommand::GetBlockFormatNames, CommandOption::NoPrompt).value<BlockFormatNames>();
    ASSERT_EQ(names.Names.size(), 16);
    EXPECT_EQ(names.Names.first(), "Normal");
    EXPECT_EQ(names.Names.last(), "Paragraph");
    EXPECT_EQ(surface.ExecCommand(EditCommand::GetBlockFormat).toString(), "Paragraph");
}

TEST_F(CommandsTest, ListsToggleAndShowLatchedInside) {
    Load("<p>first</p><p>second</p>");
    CaretAt("irst");
    surface.ExecCommand(EditCommand::NumberedList);
    EXPECT_EQ(surface.QueryStatus(EditCommand::NumberedList), Status::Latched);
    EXPECT_EQ(surface.QueryStatus(EditCommand::BulletedList), Status::Enabled);
    EXPECT_EQ(SavedBody(), "<ol><li>first</li></ol><p>second</p>");
    surface.ExecCommand(EditCommand::BulletedList);
    EXPECT_EQ(SavedBody(), "<ul><li>first</li></ul><p>second</p>");
    surface.ExecCommand(EditCommand::BulletedList);
    EXPECT_EQ(surface.QueryStatus(EditCommand::BulletedList), Status::Enabled);
    EXPECT_EQ(SavedBody(), "<p>first</p><p>second</p>");
}

TEST_F(CommandsTest, JustifyAndIndentApplyToTheBlock) {
    Load("<p>some text</p>");
    CaretAt("text");
    surface.ExecCommand(EditCommand::Centre);
    EXPECT_EQ(surface.QueryStatus(EditCommand::Centre), Status::Latched);
    EXPECT_EQ(surface.QueryStatus(EditCommand::LeftJustify), Status::Enabled);
    EXPECT_NE(SavedBody().find("center"), std::string::npos);
    surface.ExecCommand(EditCommand::RightJustify);
    EXPECT_EQ(surface.QueryStatus(EditCommand::RightJustify), Status::Latched);
    EXPECT_EQ(surface.QueryStatus(EditCommand::Centre), Status::Enabled);

    Load("<p>some text</p>");
    CaretAt("text");
    surface.ExecCommand(EditCommand::Indent);
    EXPECT_EQ(Eval("!!document.querySelector('blockquote p')").toBool(), true) << BodyHtml();
    surface.ExecCommand(EditCommand::Outdent);
    EXPECT_EQ(SavedBody(), "<p>some text</p>");
}

TEST_F(CommandsTest, ColourAndFontsApplyToTheSelectionAndAreReadBack) {
    Load("<p>plain word here</p>");
    Select("word");
    surface.ExecCommand(EditCommand::SetTextColour, CommandOption::NoPrompt, QStringLiteral("#FF0000"));
    surface.ExecCommand(EditCommand::SetFontName, CommandOption::NoPrompt, QStringLiteral("Arial"));
    surface.ExecCommand(EditCommand::SetFontSize, CommandOption::NoPrompt, 5);
    EXPECT_EQ(surface.ExecCommand(EditCommand::GetFontName, CommandOption::NoPrompt).toString(), "Arial");
    EXPECT_EQ(surface.ExecCommand(EditCommand::GetFontSize, CommandOption::NoPrompt).toInt(), 5);
    EXPECT_EQ(Eval("(() => { const f = document.querySelector('font'); return [f.color, f.face, f.size, "
                   "f.textContent].join(' '); })()")
                  .toString(),
              "#ff0000 Arial 5 word")
        << BodyHtml();
    surface.ExecCommand(EditCommand::SetFontSize, CommandOption::NoPrompt, 9);  // outside 1 to 7: ignored
    EXPECT_EQ(surface.ExecCommand(EditCommand::GetFontSize).toInt(), 5);
}

TEST_F(CommandsTest, SelectionInSeveralFontsHasNoFontName) {
    Load("<p><font face=\"Arial\">one</font> <font face=\"Courier New\">two</font></p>");
    CaretAt("ne");
    EXPECT_EQ(surface.QueryStatus(EditCommand::GetFontName), Status::Enabled);
    EXPECT_EQ(surface.ExecCommand(EditCommand::GetFontName).toString(), "Arial");
    ChangeSelection(
        "(() => { const r = document.createRange(); r.setStart(document.querySelector('font').firstChild, 0);"
        "r.setEnd(document.querySelectorAll('font')[1].firstChild, 3); getSelection().removeAllRanges();"
        "getSelection().addRange(r); return true; })()");
    EXPECT_EQ(surface.QueryStatus(EditCommand::GetFontName), Status::Disabled);
}

// Text in no font of its own is in the default font, and says so; a list of families is
// answered as the page wrote it.
TEST_F(CommandsTest, TextInNoFontHasTheDefaultFontsName) {
    Load("<p>plain <font face=\"Verdana, sans-serif\">listed</font></p>");
    CaretAt("lain");
    EXPECT_EQ(surface.QueryStatus(EditCommand::GetFontName), Status::Enabled);
    EXPECT_EQ(surface.ExecCommand(EditCommand::GetFontName).toString(), "Times New Roman");
    CaretAt("isted");
    EXPECT_EQ(surface.ExecCommand(EditCommand::GetFontName).toString(), "Verdana, sans-serif");
}

TEST_F(CommandsTest, FontDialogAppliesTheChosenFontToTheSelection) {
    Load("<p>plain word here</p>");
    Select("word");
    surface.SetDialogRunner([](QDialog& dialog) {
        auto& fonts = dynamic_cast<QFontDialog&>(dialog);
        QFont font(QStringLiteral("DejaVu Sans"));
        font.setPointSize(24);
        font.setBold(true);
        fonts.setCurrentFont(font);
        return int(QDialog::Accepted);
    });
    surface.ExecCommand(EditCommand::FontDialog, CommandOption::Prompt);
    EXPECT_EQ(
        Eval("(() => { const f = document.querySelector('font'); return [f.face, f.size].join(' '); })()").toString(),
        "DejaVu Sans 6")
        << BodyHtml();
    EXPECT_EQ(surface.QueryStatus(EditCommand::Bold), Status::Latched);

    surface.SetDialogRunner([](QDialog&) { return int(QDialog::Rejected); });
    const std::string before = BodyHtml();
    surface.ExecCommand(EditCommand::FontDialog, CommandOption::Prompt);
    EXPECT_EQ(BodyHtml(), before);
}

// Answers the link dialog: records what it showed, then types an address and a text.
struct LinkAnswer {
    QString address{};
    QString text{};
    int result = QDialog::Accepted;
    QString shownAddress{};
    QString shownText{};
    WebEngineSurface::DialogRunner Runner() {
        return [this](QDialog& dialog) {
            auto* addressBox = dialog.findChild<QLineEdit*>(QStringLiteral("Address"));
            auto* textBox = dialog.findChild<QLineEdit*>(QStringLiteral("LinkText"));
            shownAddress = addressBox->text();
            shownText = textBox->text();
            if (!address.isNull()) addressBox->setText(address);
            if (!text.isNull()) textBox->setText(text);
            return result;
        };
    }
};

TEST_F(CommandsTest, HyperlinkDialogLinksTheSelectionOrEditsTheLinkUnderTheCaret) {
    Load("<p>see <b>this</b> page and <a href=\"old.html\">the link</a></p>");
    LinkAnswer answer{.address = QStringLiteral("http://example.com/")};
    surface.SetDialogRunner(answer.Runner());
    Select("this");
    surface.ExecCommand(EditCommand::HyperlinkDialog);
    EXPECT_EQ(answer.shownAddress, "http://");
    EXPECT_EQ(answer.shownText, "this");
    EXPECT_NE(BodyHtml().find("<b><a href=\"http://example.com/\">this</a></b>"), std::string::npos) << BodyHtml();

    answer = LinkAnswer{.address = QStringLiteral("new.html"), .text = QStringLiteral("new text")};
    CaretAt("link");
    surface.ExecCommand(EditCommand::HyperlinkDialog);
    EXPECT_EQ(answer.shownAddress, "old.html");
    EXPECT_EQ(answer.shownText, "the link");
    EXPECT_NE(BodyHtml().find("<a href=\"new.html\">new text</a>"), std::string::npos) << BodyHtml();

    answer = LinkAnswer{.address = QStringLiteral("never.html"), .result = QDialog::Rejected};
    CaretAt("page");
    const std::string before = BodyHtml();
    surface.ExecCommand(EditCommand::HyperlinkDialog);
    EXPECT_EQ(BodyHtml(), before);

    // Without a prompt the address comes as the argument and no dialog opens.
    answer = LinkAnswer{};
    Select("page");
    surface.ExecCommand(EditCommand::HyperlinkDialog, CommandOption::NoPrompt, QStringLiteral("page.html"));
    EXPECT_TRUE(answer.shownAddress.isNull());
    EXPECT_NE(BodyHtml().find("<a href=\"page.html\">page</a>"), std::string::npos) << BodyHtml();
}

TEST_F(CommandsTest, UndoAndRedoTakeBackEngineEditsAndTyping) {
    Load("<p>plain word here</p>");
    Select("word");
    surface.ExecCommand(EditCommand::Bold);
    surface.ExecCommand(EditCommand::Italic);
    surface.ExecCommand(EditCommand::Undo);
    EXPECT_EQ(SavedBody(), "<p>plain <b>word</b> here</p>");
    surface.ExecCommand(EditCommand::Undo);
    EXPECT_EQ(SavedBody(), "<p>plain word here</p>");
    surface.ExecCommand(EditCommand::Redo);
    surface.ExecCommand(EditCommand::Redo);
    EXPECT_EQ(SavedBody(), "<p>plain <b><i>word</i></b> here</p>");

    // Typed text is one step, however many keys it took; Ctrl+Z reaches our history too.
    CaretAt(" here");
    surface.view().setFocus();
    QWidget* keys = surface.view().focusProxy();
    QTest::keyClicks(keys, "abc");
    ASSERT_TRUE(WaitUntil([&] { return BodyHtml().find("abc") != std::string::npos; })) << BodyHtml();
    QTest::keyClick(keys, Qt::Key_Z, Qt::ControlModifier);
    ASSERT_TRUE(WaitUntil([&] { return BodyHtml().find("abc") == std::string::npos; })) << BodyHtml();
    EXPECT_EQ(SavedBody(), "<p>plain <b><i>word</i></b> here</p>");
}

TEST_F(CommandsTest, CopyCutAndPasteGoThroughTheClipboard) {
    Load("<p>plain word here</p>");
    QClipboard* clipboard = QGuiApplication::clipboard();
    clipboard->clear();
    Select("word");
    surface.ExecCommand(EditCommand::Copy);
    EXPECT_TRUE(WaitUntil([&] { return clipboard->text() == "word"; })) << clipboard->text().toStdString();

    Select("plain");
    surface.ExecCommand(EditCommand::Cut);
    EXPECT_TRUE(WaitUntil([&] { return clipboard->text() == "plain"; })) << clipboard->text().toStdString();
    // The engine keeps the now leading blank visible as a non-breaking space.
    EXPECT_TRUE(WaitUntil([&] { return BodyHtml() == "<p>&nbsp;word here</p>"; })) << BodyHtml();

    CaretAt(" here");
    EXPECT_EQ(surface.QueryStatus(EditCommand::Paste), Status::Enabled);
    surface.ExecCommand(EditCommand::Paste);
    EXPECT_TRUE(WaitUntil([&] { return BodyHtml().find("wordplain") != std::string::npos; })) << BodyHtml();
    surface.ExecCommand(EditCommand::Undo);
    surface.ExecCommand(EditCommand::Undo);
    EXPECT_EQ(SavedBody(), "<p>plain word here</p>");

    clipboard->clear();
    EXPECT_EQ(surface.QueryStatus(EditCommand::Paste), Status::Disabled);
}

TEST_F(CommandsTest, PasteFromWordProcessorKeepsStructureAndDropsStyles) {
    // As Word puts it on the clipboard: classes, styles, Office elements, and list items as
    // paragraphs with their bullets between conditional comments.
    const QString word = QStringLiteral(R"(<html xmlns:o="urn:schemas-microsoft-com:office:office"><head>
<style>p.MsoNormal { margin: 0 }</style></head><body lang=EN-GB><!--StartFragment-->
<h1 class=MsoTitle style='color:#2F5496'>Title</h1>
<p class=MsoNormal><span style='font-family:Calibri'>Some <b>bold</b>, <span style='font-weight:bold'>heavy</span>,
<i>italic</i> and <a href="http://example.com/" class=x style='color:blue'>a link</a><o:p></o:p></span></p>
<p class=MsoListParagraphCxSpFirst style='text-indent:-18.0pt;mso-list:l0 level1 lfo1'><!--[if !supportLists]--><span
style='font-family:Symbol'>·<span style='font:7.0pt "Times New Roman"'>&nbsp;&nbsp; </span></span><!--[endif]-->First item<o:p></o:p></p>
<p class=MsoListParagraphCxSpMiddle style='text-indent:-18.0pt;mso-list:l0 level2 lfo1'><![if !supportLists]><span
style='font-family:"Courier New"'>o<span>&nbsp;&nbsp; </span></span><![endif]>Nested item<o:p></o:p></p>
<p class=MsoListParagraphCxSpLast style='text-indent:-18.0pt;mso-list:l0 level1 lfo1'><![if !supportLists]><span
style='font-family:Symbol'>·<span>&nbsp;&nbsp; </span></span><![endif]>Second item<o:p></o:p></p>
<p class=MsoListParagraph style='mso-list:l1 level1 lfo2'><![if !supportLists]><span>1.<span>&nbsp; </span></span><![endif]>Numbered</p>
<table class=MsoTableGrid border=1 style='border-collapse:collapse'><tr><td width=300 style='width:225pt' colspan=2>
<p class=MsoNormal>Cell</p></td></tr></table><!--EndFragment--></body></html>)");
    Load("<p>before</p>");
    CaretAt("before");
    auto* data = new QMimeData;
    data->setHtml(word);
    data->setText(QStringLiteral("plain text version"));
    QGuiApplication::clipboard()->setMimeData(data);
    surface.ExecCommand(EditCommand::Paste);
    ASSERT_TRUE(WaitUntil([&] { return BodyHtml().find("Numbered") != std::string::npos; })) << BodyHtml();
    const std::string body = BodyHtml();
    for (const char* dropped :
         {"class=", "style=", "mso", "o:p", "Symbol", "·", "StartFragment", "font-family", "lang="}) {
        EXPECT_EQ(body.find(dropped), std::string::npos) << dropped << " in " << body;
    }
    for (const char* kept : {"<h1>Title</h1>", "Some <b>bold</b>, <b>heavy</b>,", "<i>italic</i>",
                             "<a href=\"http://example.com/\">a link</a>",
                             "<ul><li>First item<ul><li>Nested item</li></ul></li><li>Second item</li></ul>",
                             "<ol><li>Numbered</li></ol>", "<td colspan=\"2\">", "<p>Cell</p>"}) {
        EXPECT_NE(body.find(kept), std::string::npos) << kept << " not in " << body;
    }
    surface.ExecCommand(EditCommand::Undo);
    EXPECT_EQ(SavedBody(), "<p>before</p>");
}

TEST_F(CommandsTest, PasteFromLibreOfficeKeepsStructureAndDropsStyles) {
    const QString writer = QStringLiteral(
        R"(<!DOCTYPE html><html><head><meta charset="utf-8"><style>h2.western { font-family: "Liberation Sans" }</style></head>
<body dir="ltr"><h2 class="western">Heading</h2><p style="margin-bottom: 0cm; line-height: 100%"><font face="Liberation Serif">Text with
<b>bold</b> and <span style="font-style: italic">slanted</span></font></p><ol><li><p style="margin-bottom: 0cm">one</p></li><li><p>two</p></li></ol>
<table width="100%" cellpadding="4"><tr valign="top"><td style="border: 1px solid #000000"><p>A</p></td><td><p>B</p></td></tr></table></body></html>)");
    Load("<p>before</p>");
    CaretAt("before");
    auto* data = new QMimeData;
    data->setHtml(writer);
    QGuiApplication::clipboard()->setMimeData(data);
    surface.ExecCommand(EditCommand::Paste);
    ASSERT_TRUE(WaitUntil([&] { return BodyHtml().find("Heading") != std::string::npos; })) << BodyHtml();
    const std::string body = BodyHtml();
    for (const char* dropped : {"class=", "style=", "<font", "Liberation", "cellpadding", "valign", "dir="}) {
        EXPECT_EQ(body.find(dropped), std::string::npos) << dropped << " in " << body;
    }
    for (const char* kept :
         {"<h2>Heading</h2>", "<b>bold</b> and <i>slanted</i>", "<ol><li><p>one</p></li><li><p>two</p></li></ol>",
          "<table><tbody><tr><td><p>A</p></td><td><p>B</p></td></tr></tbody></table>"}) {
        EXPECT_NE(body.find(kept), std::string::npos) << kept << " not in " << body;
    }
}

}  // namespace
}  // namespace pw::test
