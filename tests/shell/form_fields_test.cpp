#include <gtest/gtest.h>

#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextEdit>

#include "shell/general/form_fields.hpp"
#include "tests/temp_folder.hpp"

namespace pw {
namespace {

template <typename T>
T* Add(QWidget* parent, const char* name, const QString& text, bool tagged) {
    auto* widget = new T(parent);
    widget->setObjectName(QString::fromLatin1(name));
    if constexpr (std::is_same_v<T, QPlainTextEdit> || std::is_same_v<T, QTextEdit>) {
        widget->setPlainText(text);
    } else {
        widget->setText(text);
    }
    if (tagged) widget->setProperty("tag", QStringLiteral("T"));
    return widget;
}

// A window shaped like the page builder: tagged boxes, one inside a frame, an
// untagged box and a label.
struct BuilderLikeWindow {
    QWidget window;
    QLineEdit* title = Add<QLineEdit>(&window, "Text2", " Type your page title (meta title)", true);
    QLineEdit* untagged = Add<QLineEdit>(&window, "Text9", "not saved", false);
    QFrame* frame = new QFrame(&window);
    QPlainTextEdit* footer = Add<QPlainTextEdit>(frame, "Text5", "Type footer here\n", true);
    QLabel* label = Add<QLabel>(&window, "Label7", "caption", false);
    QLineEdit* keywords = Add<QLineEdit>(&window, "Text24", "Type keywords  here (meta tags)", true);
    QTextEdit* section = Add<QTextEdit>(&window, "RichTextBox1", "section text", false);
};

class FormFieldsTest : public ::testing::Test {
protected:
    test::TempFolder inst;
    void SetUp() override { std::filesystem::create_directories(inst.path() / "default"); }
    std::string Saved(QWidget& window) {
        EXPECT_TRUE(SaveFormFields(window, inst.path() / "default" / "oneBox.txt"));
        return inst.Read(inst.path() / "default" / "oneBox.txt");
    }
    void Load(QWidget& window, const std::string& bytes) {
        inst.Write("default/oneBox.txt", bytes);
        EXPECT_TRUE(LoadFormFields(window, inst.path() / "default" / "oneBox.txt"));
    }
};

TEST_F(FormFieldsTest, SavesTaggedFieldsInCreationOrderWithCrLf) {
    BuilderLikeWindow w;
    EXPECT_EQ(Saved(w.window),
              "\" Type your page title (meta title)\",\"Text2\"\r\n"
              "\"Type footer here\r\n\",\"Text5\"\r\n"
              "\"Type keywords  here (meta tags)\",\"Text24\"\r\n");
}

TEST_F(FormFieldsTest, WindowWithoutTaggedFieldsSavesAnEmptyFile) {
    QWidget window;
    Add<QLineEdit>(&window, "Text1", "x", false);
    EXPECT_EQ(Saved(window), "");
}

TEST_F(FormFieldsTest, SaveIntoAMissingFolderFailsAndCreatesNothing) {
    BuilderLikeWindow w;
    EXPECT_FALSE(SaveFormFields(w.window, inst.path() / "nosite" / "oneBox.txt"));
    EXPECT_FALSE(std::filesystem::exists(inst.path() / "nosite"));
}

TEST_F(FormFieldsTest, LoadMatchesRecordsByNameInAnyOrder) {
    struct Case {
        const char* name;
        std::string file;
        QString title, footer, keywords;
    };
    const QString title0 = " Type your page title (meta title)", footer0 = "Type footer here\n",
                  keywords0 = "Type keywords  here (meta tags)";
    const std::vector<Case> cases = {
        {"first-run file", "\"\",\"Text1\"\r\n", title0, footer0, keywords0},
        {"zero records", "", title0, footer0, keywords0},
        {"any order", "\"kw\",\"Text24\"\r\n\"Hi\",\"Text2\"\r\n", "Hi", footer0, "kw"},
        {"later record wins", "\"one\",\"Text2\"\r\n\"two\",\"Text2\"\r\n", "two", footer0, keywords0},
        {"multi-line text", "\"line 1\r\nline 2\",\"Text5\"\r\n", title0, "line 1\nline 2", keywords0},
        {"name is case-sensitive", "\"x\",\"text2\"\r\n", title0, footer0, keywords0},
        {"label and untagged box", "\"x\",\"Label7\"\r\n\"y\",\"Text9\"\r\n", title0, footer0, keywords0},
        {"rich-text holder", "\"x\",\"RichTextBox1\"\r\n", title0, footer0, keywords0},
        {"doubled quote", "\"say \"\"hi\"\"\",\"Text2\"\r\n", "say \"hi\"", footer0, keywords0},
    };
    for (const auto& c : cases) {
        BuilderLikeWindow w;
        Load(w.window, c.file);
        EXPECT_EQ(w.title->text(), c.title) << c.name;
        EXPECT_EQ(w.footer->toPlainText(), c.footer) << c.name;
        EXPECT_EQ(w.keywords->text(), c.keywords) << c.name;
        EXPECT_EQ(w.label->text(), "caption") << c.name;
        EXPECT_EQ(w.section->toPlainText(), "section text") << c.name << ": only text boxes take records";
    }
    BuilderLikeWindow w;
    Load(w.window, "\"y\",\"Text9\"\r\n");
    EXPECT_EQ(w.untagged->text(), "y") << "any text box takes its record, tagged or not";
}

TEST_F(FormFieldsTest, RoundTripKeepsQuotesLineBreaksAndNonAscii) {
    BuilderLikeWindow saved;
    saved.title->setText("Grüße \"Café\", 5€");
    saved.footer->setPlainText("© 2026\nAll rights \"reserved\"\n");
    Saved(saved.window);
    BuilderLikeWindow loaded;
    EXPECT_TRUE(LoadFormFields(loaded.window, inst.path() / "default" / "oneBox.txt"));
    EXPECT_EQ(loaded.title->text(), saved.title->text());
    EXPECT_EQ(loaded.footer->toPlainText(), saved.footer->toPlainText());
}

TEST_F(FormFieldsTest, MissingFileIsAnErrorAndChangesNothing) {
    BuilderLikeWindow w;
    EXPECT_FALSE(LoadFormFields(w.window, inst.path() / "default" / "twoBox.txt"));
    EXPECT_EQ(w.title->text(), " Type your page title (meta title)");
}

}  // namespace
}  // namespace pw
