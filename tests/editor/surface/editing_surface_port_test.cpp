// The editing surface port's own rules (save error numbers, fragments made whole) and the
// recording double that the editor window's tests use in place of the engine.
#include <gtest/gtest.h>

#include <QSignalSpy>
#include <cerrno>

#include "testing/doubles.hpp"
#include "tests/temp_folder.hpp"

namespace pw::test {
namespace {

TEST(SaveErrorNumber, MapsEachFailureToTheNumberTheWindowShowsItBy) {
    struct Case {
        std::error_code error;
        std::uint32_t number;
    };
    const Case cases[] = {
        {{EACCES, std::generic_category()}, 70},          {{EPERM, std::system_category()}, 70},
        {{EROFS, std::generic_category()}, 70},           {{ENOSPC, std::generic_category()}, 0x80070027},
        {{EDQUOT, std::system_category()}, 0x80070027},   {{ENOENT, std::generic_category()}, 0x80070003},
        {{ENOTDIR, std::generic_category()}, 0x80070003}, {{EINVAL, std::generic_category()}, 5},
        {SurfaceErrc::engineNotAnswering, 0x8000FFFF},    {SurfaceErrc::noDocument, 0x8000FFFF},
        {SurfaceErrc::documentTooLarge, 0x80004005},      {{EIO, std::generic_category()}, 0x80004005},
    };
    for (const Case& c : cases) EXPECT_EQ(SaveErrorNumber(c.error), c.number) << c.error.message();
}

TEST(WholeDocumentText, WrapsFragmentsAndLeavesDocumentsAlone) {
    EXPECT_EQ(WholeDocumentText("<p>a</p>\r\n"), "<HTML><HEAD><TITLE></TITLE></HEAD><BODY><p>a</p></BODY></HTML>");
    EXPECT_EQ(WholeDocumentText("text\n\n"), "<HTML><HEAD><TITLE></TITLE></HEAD><BODY>text\n</BODY></HTML>");
    EXPECT_EQ(WholeDocumentText(""), "<HTML><HEAD><TITLE></TITLE></HEAD><BODY></BODY></HTML>");
    EXPECT_EQ(WholeDocumentText("<bodyguard>x</bodyguard>"),
              "<HTML><HEAD><TITLE></TITLE></HEAD><BODY><bodyguard>x</bodyguard></BODY></HTML>");
    for (const char* whole : {"<html><body>x</body></html>\r\n", "<!DOCTYPE html>\n<p>x</p>",
                              "<HEAD><title>t</title></HEAD>x", "<Body bgcolor=white>x"}) {
        EXPECT_EQ(WholeDocumentText(whole), whole);
    }
}

// The engine gets the document without its body's content at once and the content in
// pieces; the cut must find the real body tags, not words in comments, attributes or scripts.
TEST(CutAtBody, CutsAroundTheContentOfTheRealBody) {
    struct Case {
        const char* document;
        const char* outer;
        const char* content;
    };
    const Case cases[] = {
        {"<HTML><HEAD></HEAD><BODY><p>a</p></BODY></HTML>", "<HTML><HEAD></HEAD><BODY></BODY></HTML>", "<p>a</p>"},
        {"<html><body bgcolor=\"white\" title='a>b'>x</body>\n<!-- after --></html>",
         "<html><body bgcolor=\"white\" title='a>b'></body>\n<!-- after --></html>", "x"},
        {"<html><head><!-- <body> --><script>let s = '<body>';</script><title><body></title></head>"
         "<body>x<script>'</body>'</script>y</body></html>",
         "<html><head><!-- <body> --><script>let s = "
         "'<body>';</script><title><body></title></head><body></body></html>",
         "x<script>'</body>'</script>y"},
        {"<Body>no end tag", "<Body>", "no end tag"},
        {"<html><bodyguard>x</bodyguard><BODY\n>y</BODY ></html>",
         "<html><bodyguard>x</bodyguard><BODY\n></BODY ></html>", "y"},
    };
    for (const Case& c : cases) {
        const auto cut = CutAtBody(c.document);
        ASSERT_TRUE(cut) << c.document;
        EXPECT_EQ(cut->outer, c.outer) << c.document;
        EXPECT_EQ(cut->content, c.content) << c.document;
    }
    for (const char* without : {"<html><p>x</p></html>", "<!-- <body> -->x", "<p title=\"<body>\">x</p>", "<body"})
        EXPECT_FALSE(CutAtBody(without)) << without;
}

TEST(ReplaceDataPictureAddresses, GivesEveryDataPictureInAnImgItsFileName) {
    int made = 0;
    std::vector<std::string> asked;
    const auto nameFor = [&](std::string_view address) -> std::optional<std::string> {
        asked.emplace_back(address);
        if (address.find("broken") != std::string_view::npos) return std::nullopt;
        return "picture" + std::to_string(++made) + ".jpg";
    };
    struct Case {
        const char* html;
        const char* replaced;
    };
    const Case cases[] = {
        {"<p><img src=\"data:image/png;base64,AAAA\" alt=x></p>", "<p><img src=\"picture1.jpg\" alt=x></p>"},
        {"<IMG alt='a' SRC = 'data:image/gif;base64,R0lG'><img src=data:image/jpeg;base64,/9j/ >",
         "<IMG alt='a' SRC = 'picture2.jpg'><img src=picture3.jpg >"},
        {"<img src=\"data:image/png;base64,broken\">", "<img src=\"data:image/png;base64,broken\">"},
        // Not an img's src, or not a picture: left alone, and the store is not asked.
        {"<a href=\"data:image/png;base64,AAAA\">x</a> data:image/png <img data-src=\"data:image/png;base64,A\">"
         "<!-- <img src=\"data:image/png;base64,A\"> --><img src=\"data:text/html,x\"><img src=\"photo.jpg\">",
         "<a href=\"data:image/png;base64,AAAA\">x</a> data:image/png <img data-src=\"data:image/png;base64,A\">"
         "<!-- <img src=\"data:image/png;base64,A\"> --><img src=\"data:text/html,x\"><img src=\"photo.jpg\">"},
    };
    for (const Case& c : cases) EXPECT_EQ(ReplaceDataPictureAddresses(c.html, nameFor), c.replaced) << c.html;
    EXPECT_EQ(asked, (std::vector<std::string>{"data:image/png;base64,AAAA", "data:image/gif;base64,R0lG",
                                               "data:image/jpeg;base64,/9j/", "data:image/png;base64,broken"}));
}

TEST(RecordingEditingSurface, RecordsWhatTheWindowAsksAndKeepsTheDocumentAsText) {
    TempFolder folder;
    const auto file = folder.Write("stand.1w1", "<p>section</p>\r\n");
    const QString path = QString::fromStdString(file.string());
    testing::TestPlatform test(folder.path());
    QWidget window;
    EditingSurface* made = test.platform->CreateEditingSurface(&window);
    ASSERT_EQ(test.surfaces.size(), 1u);
    testing::RecordingEditingSurface& surface = *test.surfaces[0];
    EXPECT_EQ(made, &surface);

    QSignalSpy complete(&surface, &EditingSurface::DocumentComplete);
    ASSERT_TRUE(surface.LoadDocument(path));
    EXPECT_EQ(complete.count(), 0);  // like the engine, only once events run
    ASSERT_TRUE(complete.wait(1000));
    EXPECT_EQ(surface.CurrentDocumentPath(), path);

    surface.PasteHtmlAtCaret(QStringLiteral("%%place%%"));
    surface.ExecCommand(EditCommand::Bold, CommandOption::NoPrompt);
    surface.ExecCommand(EditCommand::SetTextColour, CommandOption::NoPrompt, QStringLiteral("#FF0000"));
    EXPECT_EQ(surface.CommandIds(), (std::vector<int>{EditCommand::Bold, EditCommand::SetTextColour}));
    EXPECT_EQ(surface.commands[1].argument.toString(), "#FF0000");
    EXPECT_EQ(surface.pastes, QStringList{QStringLiteral("%%place%%")});

    ASSERT_TRUE(surface.SaveDocument(path));
    EXPECT_EQ(TempFolder::Read(file), "<HTML><HEAD><TITLE></TITLE></HEAD><BODY><p>section</p>%%place%%</BODY></HTML>");
    surface.saveError = std::make_error_code(std::errc::no_space_on_device);
    const auto failed = surface.SaveDocument(path);
    ASSERT_FALSE(failed);
    EXPECT_EQ(SaveErrorNumber(failed.error()), 0x80070027u);
    EXPECT_EQ(surface.saves.size(), 2);
}

TEST(RecordingEditingSurface, AnswersStatusesAndValuesFromItsTables) {
    testing::RecordingEditingSurface surface;
    EXPECT_EQ(surface.QueryStatus(EditCommand::Bold), CommandStatus::Enabled);
    surface.statuses[EditCommand::Bold] = CommandStatus::Latched;
    surface.defaultStatus = CommandStatus::Disabled;
    EXPECT_EQ(surface.QueryStatus(EditCommand::Bold), CommandStatus::Latched);
    EXPECT_EQ(surface.QueryStatus(EditCommand::Italic), CommandStatus::Disabled);

    EXPECT_EQ(surface.ExecCommand(EditCommand::GetBlockFormatNames).value<BlockFormatNames>().Names,
              ClassicBlockFormatNames());
    surface.values[EditCommand::GetBlockFormat] = QStringLiteral("Heading 2");
    EXPECT_EQ(surface.ExecCommand(EditCommand::GetBlockFormat, CommandOption::NoPrompt).toString(), "Heading 2");

    QObject::connect(&surface, &EditingSurface::ShowContextMenu, &surface, [&] {
        surface.SetContextMenu({QStringLiteral("Cut"), QString()}, {2, 0});
    });
    EXPECT_EQ(surface.RightClick(), (QStringList{QStringLiteral("Cut"), QString()}));
    EXPECT_EQ(surface.menuStates, (QList<int>{2, 0}));

    surface.SetShowBorders(true);
    EXPECT_TRUE(surface.ShowBorders());
    EXPECT_FALSE(surface.SnapToGrid());
}

}  // namespace
}  // namespace pw::test
