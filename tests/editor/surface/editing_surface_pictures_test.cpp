// Pictures on the real editing surface: pasted from the clipboard, dropped as files, or
// found as data: addresses in a section, they become picture files of the site and the
// document refers to them by name. Also the sizes of section the surface takes, and
// commands the engine does not answer in time.
#include <signal.h>

#include <QClipboard>
#include <QGuiApplication>
#include <QImage>
#include <QMimeData>

#include "editor/window/site_picture.hpp"
#include "tests/editor/surface/surface_fixture.hpp"
#include "tests/encoded_picture.hpp"

namespace pw::test {
namespace {

namespace fs = std::filesystem;

QImage Picture(int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(Qt::darkGreen);
    return image;
}

// One opaque red pixel.
const QByteArray kGif =
    QByteArray::fromHex("47494638396101000100800000ff000000000021f90400000000002c00000000010001000002024401003b");

class PicturesTest : public SurfaceTest {
protected:
    PicturesTest() {
        surface.SetPictureStore([this](const QByteArray& bytes) { return SaveSitePicture(folder.path(), bytes); });
    }

    // The src of every picture in the body, in order.
    std::string Sources() {
        return Eval(QStringLiteral("[...document.images].map(i => i.getAttribute('src')).join(' ')"))
            .toString()
            .toStdString();
    }
    bool SiteHas(const std::string& name) const { return fs::exists(folder.path() / name); }

    // Whether the engine answers a script within `milliseconds` (a long table keeps it busy
    // laying out for a while after the document is complete).
    bool Settled(int milliseconds) {
        bool answered = false;
        surface.view().page()->runJavaScript(QStringLiteral("1"), QWebEngineScript::ApplicationWorld,
                                             [&answered](const QVariant&) { answered = true; });
        return WaitUntil([&] { return answered; }, milliseconds);
    }
};

TEST_F(PicturesTest, APastedPictureBecomesAPictureFileOfTheSite) {
    struct Case {
        const char* format;
        QByteArray bytes;
    };
    const Case cases[] = {{"image/png", Encoded(Picture(300, 200), "PNG")},
                          {"image/jpeg", Encoded(Picture(200, 100), "JPEG")},
                          {"image/gif", kGif}};
    Load("<p>Before after</p>");
    int pasted = 0;
    for (const Case& c : cases) {
        CaretAt(QStringLiteral("after"));
        auto* data = new QMimeData;
        data->setData(QString::fromLatin1(c.format), c.bytes);
        data->setImageData(QImage::fromData(c.bytes));
        QGuiApplication::clipboard()->setMimeData(data);
        surface.ExecCommand(EditCommand::Paste);
        ++pasted;
        ASSERT_TRUE(WaitUntil([&] { return Eval("document.images.length").toInt() == pasted; }, 10000)) << c.format;
    }
    EXPECT_EQ(Sources(), "picture1.jpg picture2.jpg picture3.jpg") << "the clipboard carries a picture, not its file";
    for (const char* name : {"picture1.jpg", "picture2.jpg", "picture3.jpg"}) EXPECT_TRUE(SiteHas(name)) << name;
    const std::string saved = Save();
    EXPECT_EQ(saved.find("data:"), std::string::npos);
    EXPECT_NE(BodyOf(saved).find("<img src=\"picture1.jpg\">"), std::string::npos) << BodyOf(saved);

    surface.ExecCommand(EditCommand::Undo);
    EXPECT_EQ(Sources(), "picture1.jpg picture2.jpg") << "a pasted picture is one step of the history";
}

// A file dropped from a file manager: any picture Qt reads is taken in, a GIF as it is;
// what is no picture is told and inserts nothing.
TEST_F(PicturesTest, ADroppedPictureFileBecomesAPictureFileOfTheSite) {
    Load("<p>Drop here</p>");
    QSignalSpy refused(&surface, &EditingSurface::PictureNotTaken);
    CaretAt(QStringLiteral("here"));
    const auto drop = [&](const QByteArray& bytes, const char* name, const char* type) {
        return Eval(
            QStringLiteral(R"JS(
            (() => {
              const bytes = Uint8Array.from(atob('%1'), c => c.charCodeAt(0));
              const transfer = new DataTransfer();
              transfer.items.add(new File([bytes], '%2', { type: '%3' }));
              const box = document.querySelector('p').getBoundingClientRect();
              return document.body.dispatchEvent(new DragEvent('drop', { dataTransfer: transfer, bubbles: true,
                cancelable: true, clientX: box.left + 2, clientY: box.top + 2 }));
            })())JS")
                .arg(QString::fromLatin1(bytes.toBase64()), QString::fromLatin1(name), QString::fromLatin1(type)));
    };
    EXPECT_FALSE(drop(kGif, "dot.gif", "image/gif").toBool()) << "the engine's own drop is prevented";
    ASSERT_TRUE(WaitUntil([&] { return Eval("document.images.length").toInt() == 1; }, 10000));
    drop(Encoded(Picture(40, 40), "BMP"), "scan.bmp", "image/bmp");
    ASSERT_TRUE(WaitUntil([&] { return Eval("document.images.length").toInt() == 2; }, 10000));
    // Both went in where they were dropped (which of them stands first depends on whether the
    // first had been laid out when the second came).
    const std::string sources = Sources();
    EXPECT_TRUE(sources == "picture1.jpg picture1.gif" || sources == "picture1.gif picture1.jpg") << sources;
    EXPECT_EQ(QByteArray::fromStdString(TempFolder::Read(folder.path() / "picture1.gif")), kGif);

    drop("just some words", "notes.txt", "text/plain");
    ASSERT_TRUE(refused.wait(10000));
    EXPECT_EQ(Eval("document.images.length").toInt(), 2);
}

// A section saved by an older editor may hold a picture as a data: address of many
// megabytes: it becomes a file of the site when the section opens, once however often
// the document is saved.
TEST_F(PicturesTest, ADataPictureInASectionBecomesAFileWhenItOpens) {
    const QByteArray png = Encoded(Picture(64, 48), "PNG");
    Load("<p>Logo <img alt=\"logo\" src=\"data:image/png;base64," + png.toBase64().toStdString() + "\"> here</p>");
    EXPECT_EQ(Sources(), "picture1.jpg");
    EXPECT_TRUE(SiteHas("picture1.jpg"));
    EXPECT_EQ(SavedBody(), "<p>Logo <img alt=\"logo\" src=\"picture1.jpg\"> here</p>");

    // Pasted as HTML (copied from a web page), a data: picture is made a file as it is saved.
    CaretAt(QStringLiteral("here"));
    surface.PasteHtmlAtCaret(
        QStringLiteral("<img src=\"data:image/gif;base64,%1\">").arg(QString::fromLatin1(kGif.toBase64())));
    const std::string first = SavedBody();
    EXPECT_EQ(first, "<p>Logo <img alt=\"logo\" src=\"picture1.jpg\"> <img src=\"picture1.gif\">here</p>");
    EXPECT_EQ(SavedBody(), first) << "saved again: the same file";
    EXPECT_FALSE(SiteHas("picture2.gif"));
}

// A long table of 20 MB opens, takes an edit and is saved whole with it.
TEST_F(PicturesTest, ASectionOfTwentyMegabytesOpensAndKeepsAnEdit) {
    std::string section = "<table border=1>";
    for (int row = 0; section.size() < 20 * 1024 * 1024; ++row) {
        section += "<tr><td>Row " + std::to_string(row) +
                   "</td><td>Fresh bread and cakes every morning, baked in our own ovens since 1952.</td></tr>";
    }
    section += "</table><p>The end</p>\r\n";
    folder.Write("stand.1w1", section);
    QSignalSpy complete(&surface, &EditingSurface::DocumentComplete);
    ASSERT_TRUE(surface.LoadDocument(QString::fromStdString(DocumentPath().string())));
    // The engine lays a table this long out for a minute or more on a busy machine.
    ASSERT_TRUE(complete.wait(300000)) << "no DocumentComplete";
    ASSERT_TRUE(Settled(120000)) << "the engine never finished laying the table out";
    CaretAt(QStringLiteral("The end"));
    surface.PasteHtmlAtCaret(QStringLiteral("Typed: "));
    const std::string body = SavedBody();
    EXPECT_GT(body.size(), 20u * 1024 * 1024);
    EXPECT_NE(body.find("Row 150000</td>"), std::string::npos);
    EXPECT_TRUE(body.ends_with("</table><p>Typed: The end</p>")) << body.substr(body.size() - 80);
}

// A command the engine does not answer in time is told, and when the engine wakes up
// later it does not run it behind the window's back.
TEST_F(PicturesTest, ACommandTheEngineDoesNotAnswerChangesNothing) {
    Load("<p>plain words</p>");
    Select(QStringLiteral("plain"));
    surface.SetEngineDeadline(1500);
    QSignalSpy notAnswered(&surface, &EditingSurface::CommandNotAnswered);
    const qint64 renderer = surface.view().page()->renderProcessPid();
    ASSERT_GT(renderer, 0);
    ASSERT_EQ(::kill(static_cast<pid_t>(renderer), SIGSTOP), 0);
    surface.ExecCommand(EditCommand::Bold, CommandOption::NoPrompt);
    surface.PasteHtmlAtCaret(QStringLiteral("%%place%%"));
    ::kill(static_cast<pid_t>(renderer), SIGCONT);
    EXPECT_EQ(notAnswered.count(), 2);
    QTest::qWait(1000);  // the engine works off what reached it meanwhile
    surface.SetEngineDeadline(5000);
    EXPECT_EQ(SavedBody(), "<p>plain words</p>");
}

}  // namespace
}  // namespace pw::test
