// Loading and saving documents on the real editing surface: fragments and whole documents,
// one upper-case BODY pair, every token of a hard section kept, the user's scripts off, and
// failures that name their reason instead of writing over the document.
#include <fcntl.h>
#include <linux/fs.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <QElapsedTimer>
#include <QTest>

#include "tests/editor/surface/surface_fixture.hpp"

namespace pw::test {
namespace {

namespace fs = std::filesystem;

std::size_t Count(const std::string& text, const std::string& word) {
    std::size_t count = 0;
    for (auto at = text.find(word); at != std::string::npos; at = text.find(word, at + 1)) ++count;
    return count;
}

using DocumentTest = SurfaceTest;

TEST_F(DocumentTest, FragmentBecomesWholeDocumentWithOneUpperCaseBodyPair) {
    // The hand-over writes the section followed by CR LF; the break does not come back.
    Load("<P>Hello <B>world</B></P>\r\n<p>second</p>\r\n");
    const std::string saved = Save();
    EXPECT_EQ(Count(saved, "<BODY>"), 1u);
    EXPECT_EQ(Count(saved, "</BODY>"), 1u);
    EXPECT_TRUE(saved.starts_with("<HTML><head><title></title></head><BODY>")) << saved;
    EXPECT_EQ(BodyOf(saved), "<p>Hello <b>world</b></p>\r\n<p>second</p>");
    EXPECT_EQ(surface.CurrentDocumentPath().toStdString(), DocumentPath().string());
}

TEST_F(DocumentTest, SectionStartingWithHeadElementsKeepsThemInTheBody) {
    Load("<style>p { color: red }</style><title>kept</title><p>text</p>");
    EXPECT_EQ(SavedBody(), "<style>p { color: red }</style><title>kept</title><p>text</p>");
}

TEST_F(DocumentTest, WholeDocumentLoadsAsItIs) {
    Load(
        "<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.01 Transitional//EN\" \"http://www.w3.org/TR/html4/loose.dtd\">\n"
        "<html lang=\"en\"><head><title>My page</title><style>td { padding: 2px }</style></head>\n"
        "<body><p>Body text</p><!-- a note --></body></html>");
    const std::string saved = Save();
    EXPECT_TRUE(
        saved.starts_with("<!DOCTYPE html PUBLIC \"-//W3C//DTD HTML 4.01 Transitional//EN\" "
                          "\"http://www.w3.org/TR/html4/loose.dtd\">\r\n<HTML lang=\"en\">"))
        << saved;
    EXPECT_NE(saved.find("<title>My page</title><style>td { padding: 2px }</style>"), std::string::npos) << saved;
    EXPECT_EQ(BodyOf(saved), "<p>Body text</p><!-- a note -->");
    EXPECT_EQ(Count(saved, "<BODY>") + Count(saved, "</BODY>"), 2u);
    // The document's own doctype decides its mode (here almost-standards), not a wrapper.
    EXPECT_EQ(Eval("document.compatMode").toString(), "CSS1Compat");
}

TEST_F(DocumentTest, BodyWordsInsideTheDocumentDoNotMakeASecondPair) {
    Load("<p>a</p><!-- old <BODY> and </BODY> --><p title=\"</BODY>\">b</p>");
    const std::string saved = Save();
    EXPECT_EQ(Count(saved, "<BODY>"), 1u);
    EXPECT_EQ(Count(saved, "</BODY>"), 1u);
    EXPECT_EQ(BodyOf(saved), "<p>a</p><!-- old <body> and </body> --><p title=\"</body>\">b</p>");
}

// The section the editor must hand back untouched: nested tables, a comment, placeholders,
// a picture whose name holds a blank, text beyond ASCII and a non-breaking space.
constexpr const char* kHardSection =
    "<TABLE border=1><TR><TD>outer &nbsp;cell<TABLE><TR><TD>inner %%1%%</TD></TR></TABLE></TD>"
    "<TD><!-- keep this comment -->%%texta%%</TD></TR></TABLE>"
    "<P>Grüße, naïve café — 日本語 <IMG src=a b.gif > end</P>";

TEST_F(DocumentTest, HardSectionKeepsEveryTokenThroughLoadAndSave) {
    Load(std::string(kHardSection) + "\r\n");
    const std::string body = SavedBody();
    for (const char* token : {"%%1%%", "%%texta%%", "<!-- keep this comment -->", "outer &nbsp;cell", "inner ",
                              "Grüße, naïve café — 日本語 ", " end", "<img src=\"a\" b.gif=\"\">"}) {
        EXPECT_NE(body.find(token), std::string::npos) << token << " missing from " << body;
    }
    EXPECT_EQ(Count(body, "<table"), 2u);
    EXPECT_EQ(Eval("document.querySelector('table table td').textContent").toString(), "inner %%1%%");

    // A second pass through the surface changes nothing more.
    Load(Save());
    EXPECT_EQ(SavedBody(), body);
}

TEST_F(DocumentTest, UsersOwnScriptsDoNotRunWhileEditingButAreKept) {
    Load(
        "<p id=t>text</p><script>document.title = 'ran'; document.body.setAttribute('data-ran', '1');</script>"
        "<img src=\"missing.gif\" onerror=\"document.body.setAttribute('data-error-ran', '1')\">");
    QTest::qWait(300);  // time for a picture's error handler, were it to run
    EXPECT_NE(Eval("document.title").toString(), "ran");
    EXPECT_FALSE(
        Eval("document.body.hasAttribute('data-ran') || document.body.hasAttribute('data-error-ran')").toBool());
    const std::string body = SavedBody();
    EXPECT_NE(body.find("<script>document.title = 'ran';"), std::string::npos) << body;
    EXPECT_NE(body.find("onerror=\"document.body.setAttribute('data-error-ran', '1')\""), std::string::npos) << body;
}

TEST_F(DocumentTest, SaveIntoMissingFolderIsPathNotFound) {
    Load("<p>text</p>");
    const auto saved = surface.SaveDocument(QString::fromStdString((folder.path() / "gone" / "stand.1w1").string()));
    ASSERT_FALSE(saved);
    EXPECT_EQ(SaveErrorNumber(saved.error()), 0x80070003u);
}

// Makes a folder unwritable even for root (immutable flag) or by its permissions otherwise.
class UnwritableFolder {
public:
    explicit UnwritableFolder(const fs::path& folder) : folder_(folder) {
        fs::create_directories(folder);
        if (::geteuid() != 0) {
            fs::permissions(folder, fs::perms::owner_read | fs::perms::owner_exec);
            made_ = true;
            return;
        }
        fd_ = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY);
        int flags = 0;
        if (fd_ >= 0 && ::ioctl(fd_, FS_IOC_GETFLAGS, &flags) == 0) {
            flags |= FS_IMMUTABLE_FL;
            made_ = ::ioctl(fd_, FS_IOC_SETFLAGS, &flags) == 0;
        }
    }
    ~UnwritableFolder() {
        if (fd_ >= 0) {
            int flags = 0;
            if (::ioctl(fd_, FS_IOC_GETFLAGS, &flags) == 0) {
                flags &= ~FS_IMMUTABLE_FL;
                ::ioctl(fd_, FS_IOC_SETFLAGS, &flags);
            }
            ::close(fd_);
        } else if (made_) {
            fs::permissions(folder_, fs::perms::owner_all);
        }
    }
    bool made() const { return made_; }

private:
    fs::path folder_;
    int fd_ = -1;
    bool made_ = false;
};

TEST_F(DocumentTest, SaveIntoReadOnlyFolderIsAccessDeniedAndKeepsTheFile) {
    const fs::path locked = folder.path() / "locked";
    fs::create_directories(locked);
    TempFolder::Read(folder.Write("locked/stand.1w1", "<p>old</p>"));
    Load("<p>new text</p>");
    UnwritableFolder unwritable(locked);
    if (!unwritable.made()) GTEST_SKIP() << "this file system cannot make a folder read-only for root";
    const auto saved = surface.SaveDocument(QString::fromStdString((locked / "stand.1w1").string()));
    ASSERT_FALSE(saved);
    EXPECT_EQ(SaveErrorNumber(saved.error()), 70u) << saved.error().message();
    EXPECT_EQ(TempFolder::Read(locked / "stand.1w1"), "<p>old</p>");
}

TEST_F(DocumentTest, EngineThatDoesNotAnswerIsUnexpectedErrorWithinTheDeadline) {
    Load("<p>text</p>");
    const qint64 renderer = surface.view().page()->renderProcessPid();
    ASSERT_GT(renderer, 0);
    ASSERT_EQ(::kill(static_cast<pid_t>(renderer), SIGSTOP), 0);
    QElapsedTimer clock;
    clock.start();
    const auto saved = surface.SaveDocument(QString::fromStdString(DocumentPath().string()));
    const qint64 waited = clock.elapsed();
    ::kill(static_cast<pid_t>(renderer), SIGCONT);
    ASSERT_FALSE(saved);
    EXPECT_EQ(SaveErrorNumber(saved.error()), 0x8000FFFFu);
    EXPECT_LT(waited, 10000);
    EXPECT_EQ(TempFolder::Read(DocumentPath()), "<p>text</p>");
}

TEST_F(DocumentTest, UnreadableOrOversizedDocumentIsNeverSavedOverTheFile) {
    const auto missing = surface.LoadDocument(QString::fromStdString((folder.path() / "none.1w1").string()));
    ASSERT_FALSE(missing);
    EXPECT_FALSE(surface.SaveDocument(QString::fromStdString((folder.path() / "none.1w1").string())));
    EXPECT_FALSE(fs::exists(folder.path() / "none.1w1"));

    // Past what the engine can take at once (a data URL of 2 MB) outside a body's content,
    // loading fails as a whole.
    const std::string huge = "<html><head><style>" + std::string(1'200'000, ' ') + "</style></head></html>";
    folder.Write("stand.1w1", huge);
    const auto tooLarge = surface.LoadDocument(QString::fromStdString(DocumentPath().string()));
    ASSERT_FALSE(tooLarge);
    const auto saved = surface.SaveDocument(QString::fromStdString(DocumentPath().string()));
    ASSERT_FALSE(saved);
    EXPECT_EQ(saved.error(), SurfaceErrc::documentTooLarge);
    EXPECT_EQ(TempFolder::Read(DocumentPath()).size(), huge.size());
}

TEST_F(DocumentTest, Windows1252DocumentIsReadAndSavedAsUtf8) {
    Load("<p>caf\xe9 \x80</p>");
    EXPECT_EQ(SavedBody(), "<p>café €</p>");
}

}  // namespace
}  // namespace pw::test
