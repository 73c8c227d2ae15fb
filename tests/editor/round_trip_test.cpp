// The page editor on the real editing surface: a section full of what designers and users
// write goes through HTML mode, text mode, HTML mode and Go Back with all its text.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QSignalSpy>
#include <QTextEdit>

#include "editor/surface/webengine_surface.hpp"
#include "editor/window/main_form.hpp"
#include "shell/general/hot_spot.hpp"
#include "testing/doubles.hpp"
#include "tests/temp_folder.hpp"

namespace pw {
namespace {
namespace fs = std::filesystem;

class Builder : public QWidget {
    Q_OBJECT
public:
    int takenBack = 0;
    Q_INVOKABLE void afteredit() { ++takenBack; }
    Q_INVOKABLE void afteredit2() {}
};

const std::string kHardSection =
    "<table border=1><tr><td>outer <table><tr><td>inner cell</td></tr></table></td><td>%%1%%</td></tr></table>\r\n"
    "<!-- a note for the designer -->\r\n"
    "<p>Gr\xc3\xbc\xc3\x9f"
    "e aus K\xc3\xb6ln &nbsp;and %%texta%% here</p>\r\n"
    "<IMG src=a b.gif >";

TEST(EditorRoundTrip, AHardSectionKeepsEveryTokenThroughBothModesAndGoBack) {
    test::TempFolder inst;
    inst.Write("default/stand.1w1", kHardSection + "\r\n");
    testing::SpellScript spelling;
    Platform platform(
        inst.path(),
        Ports{.dialogs = std::make_unique<testing::ScriptedDialogs>(),
              .shell = std::make_unique<testing::RecordingShell>(),
              .makeWebPane = [](QWidget* parent) { return new testing::RecordingWebPane(parent); },
              .makeEditingSurface = [](QWidget* parent) { return new WebEngineSurface(parent); },
              .makeSpellChecker = [&spelling] { return std::make_unique<testing::ScriptedSpellChecker>(spelling); }});
    Builder builder;
    auto* editor = new MainForm(platform, &builder);
    QObject::connect(editor, &MainForm::SectionHandedBack, &builder,
                     [&builder](bool sectionA) { sectionA ? builder.afteredit() : builder.afteredit2(); });
    auto* surface = editor->findChild<EditingSurface*>("DHTMLEdit1");
    QSignalSpy loaded(surface, &EditingSurface::DocumentComplete);
    editor->Form_Load();
    editor->show();
    ASSERT_TRUE(loaded.wait(15000));

    emit editor->findChild<HotSpot*>("Label8")->clicked();  // text mode
    ASSERT_FALSE(editor->InHtmlMode());
    const QString source = editor->findChild<QTextEdit*>("RichTextBox1")->toPlainText();
    emit editor->findChild<HotSpot*>("Label8")->clicked();  // back to HTML mode
    ASSERT_TRUE(editor->InHtmlMode());
    ASSERT_TRUE(loaded.wait(15000));

    editor->Label4_Click();  // Go Back
    EXPECT_EQ(builder.takenBack, 1);
    const std::string body = platform.globals().editedBody;
    for (const std::string& text : {std::string("outer"), std::string("inner cell"), std::string("%%1%%"),
                                    std::string("<!-- a note for the designer -->"),
                                    std::string("Gr\xc3\xbc\xc3\x9f"
                                                "e aus K\xc3\xb6ln"),
                                    std::string("&nbsp;"), std::string("%%texta%%"), std::string("b.gif")}) {
        EXPECT_NE(body.find(text), std::string::npos) << text << " missing from:\n" << body;
        EXPECT_TRUE(source.contains(QString::fromStdString(text))) << text << " missing from the source view";
    }
    EXPECT_EQ(std::count(body.begin(), body.end(), '<') - std::count(body.begin(), body.end(), '>'), 0);
    const auto tables = [&body](const char* tag) {
        std::size_t n = 0;
        for (std::size_t at = 0; (at = body.find(tag, at)) != std::string::npos; ++at) ++n;
        return n;
    };
    EXPECT_EQ(tables("<table"), 2u) << "the nested table stays nested";
    EXPECT_EQ(tables("</table>"), 2u);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

}  // namespace
}  // namespace pw

#include "round_trip_test.moc"
