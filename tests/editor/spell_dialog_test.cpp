#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTextCursor>
#include <QTextEdit>
#include <QTimer>
#include <filesystem>

#include "editor/spell/window/spell_check_dialog.hpp"
#include "testing/doubles.hpp"
#include "tests/editor/spell_fixture.hpp"

namespace pw {
namespace {

namespace fs = std::filesystem;

class SpellDialogTest : public spell::test::EnglishChecker {
protected:
    // The box as text mode shows it: `text` with its first tag coloured red.
    void Fill(const QString& text) {
        box_.setPlainText(text);
        QTextCursor tag(box_.document());
        tag.setPosition(text.indexOf('<'));
        tag.setPosition(text.indexOf('>') + 1, QTextCursor::KeepAnchor);
        QTextCharFormat red;
        red.setForeground(Qt::red);
        tag.setCharFormat(red);
    }

    QColor ColourAt(int position) {
        QTextCursor cursor(box_.document());
        cursor.setPosition(position + 1);
        return cursor.charFormat().foreground().color();
    }

    template <typename Widget = QPushButton>
    static Widget* Find(QDialog& dialog, const char* name) {
        auto* widget = dialog.findChild<Widget*>(QString::fromLatin1(name));
        EXPECT_NE(widget, nullptr) << name;
        return widget;
    }

    static void Press(QDialog& dialog, int key) {
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
        QApplication::sendEvent(dialog.focusWidget() ? dialog.focusWidget() : &dialog, &press);
    }

    spell::HunspellChecker checker_ = Open();
    QTextEdit box_;
};

TEST_F(SpellDialogTest, CorrectsTheBoxInPlaceKeepingEverythingElse) {
    Fill(QStringLiteral("<p class=\"wrnog\">Teh cat</p>\n<!-- teh -->Übung, teh &amp; teh."));
    TextBoxCheck check(box_, checker_);
    SpellCheckDialog dialog(check);

    EXPECT_EQ(Find<QTextEdit>(dialog, "Sentence")->toPlainText(), "Teh cat");
    EXPECT_EQ(box_.textCursor().selectedText(), "Teh");  // shown in the box too
    Find<QLineEdit>(dialog, "ChangeTo")->setText(QStringLiteral("The"));
    Find(dialog, "Change")->click();

    EXPECT_EQ(Find<QTextEdit>(dialog, "Sentence")->toPlainText(), "Übung, teh & teh.");
    Find(dialog, "IgnoreAll")->click();

    auto* suggestions = Find<QListWidget>(dialog, "Suggestions");
    const auto the = suggestions->findItems(QStringLiteral("the"), Qt::MatchExactly);
    ASSERT_EQ(the.size(), 1);
    suggestions->setCurrentItem(the.front());
    EXPECT_EQ(Find<QLineEdit>(dialog, "ChangeTo")->text(), "the");
    Find(dialog, "ChangeAll")->click();

    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_TRUE(check.finished());
    EXPECT_EQ(box_.toPlainText(), "<p class=\"wrnog\">The cat</p>\n<!-- teh -->Übung, the &amp; the.");
    EXPECT_EQ(ColourAt(0), QColor(Qt::red));   // the tag keeps its colour
    EXPECT_NE(ColourAt(17), QColor(Qt::red));  // the new word does not take it
    EXPECT_FALSE(check.Outcome().cancelled);
}

TEST_F(SpellDialogTest, EnterChangesToTheChosenSuggestionAndEscapeCancels) {
    box_.setPlainText(QStringLiteral("wrnog teh teh"));
    TextBoxCheck check(box_, checker_);
    SpellCheckDialog dialog(check);
    dialog.show();
    EXPECT_EQ(Find<QLineEdit>(dialog, "ChangeTo")->text(), "wrong");
    EXPECT_TRUE(Find(dialog, "Change")->isDefault());
    Press(dialog, Qt::Key_Return);
    EXPECT_EQ(box_.toPlainText(), "wrong teh teh");

    Find<QLineEdit>(dialog, "ChangeTo")->setText(QStringLiteral("teh"));  // nothing to change to
    EXPECT_FALSE(Find(dialog, "Change")->isEnabled());
    EXPECT_TRUE(Find(dialog, "Ignore")->isDefault());

    Press(dialog, Qt::Key_Escape);
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_TRUE(check.Outcome().cancelled);
    EXPECT_EQ(box_.toPlainText(), "wrong teh teh");  // the change made before cancelling stays
}

TEST_F(SpellDialogTest, AddSavesTheWordAndTellsWhenItCannot) {
    const fs::path inst = folder_.path() / "inst";
    fs::create_directory(inst);
    auto checker = spell::HunspellChecker::Open(spell::test::AmericanEnglish(), inst / "KW5.dct");
    ASSERT_TRUE(checker);
    box_.setPlainText(QStringLiteral("Pagewright by Sitewell"));
    TextBoxCheck check(box_, *checker);
    SpellCheckDialog dialog(check);

    Find(dialog, "Add")->click();
    EXPECT_EQ(pw::test::TempFolder::Read(inst / "KW5.dct"), "Pagewright\n");
    EXPECT_TRUE(Find<QLabel>(dialog, "Status")->isHidden());

    fs::remove_all(inst);
    Find(dialog, "Add")->click();
    EXPECT_FALSE(Find<QLabel>(dialog, "Status")->isHidden());
    EXPECT_TRUE(
        Find<QLabel>(dialog, "Status")
            ->text()
            .contains(QString::fromStdString(std::make_error_code(std::errc::no_such_file_or_directory).message())));
    EXPECT_EQ(check.Outcome().userDictionaryFailure, std::errc::no_such_file_or_directory);
}

TEST_F(SpellDialogTest, RunShowsTheDialogOnlyWhenSomethingIsMisspelt) {
    // Should a dialog stay open, cancel it so the test ends.
    QTimer guard;
    QObject::connect(&guard, &QTimer::timeout, [] {
        if (auto* modal = QApplication::activeModalWidget()) modal->close();
    });
    guard.start(5000);

    box_.setPlainText(QStringLiteral("<p>All words here are right.</p>"));
    const spell::CheckOutcome clean = RunSpellCheckDialog(nullptr, box_, checker_);
    EXPECT_FALSE(clean.cancelled);
    EXPECT_EQ(clean.wordsPerMinute, 5 * 60);  // five words in well under a second

    box_.setPlainText(QStringLiteral("Teh end"));
    QTimer::singleShot(0, [] {
        auto* dialog = QApplication::activeModalWidget();
        ASSERT_NE(dialog, nullptr);
        dialog->findChild<QLineEdit*>(QStringLiteral("ChangeTo"))->setText(QStringLiteral("The"));
        dialog->findChild<QPushButton*>(QStringLiteral("Change"))->click();
    });
    const spell::CheckOutcome changed = RunSpellCheckDialog(nullptr, box_, checker_);
    EXPECT_FALSE(changed.cancelled);
    EXPECT_EQ(box_.toPlainText(), "The end");
}

TEST(ScriptedSpellChecker, AnswersScriptedMisspellingsOnTheBox) {
    pw::test::TempFolder inst;
    testing::TestPlatform test(inst.path());
    test.spelling.misspelled = {"teh", "wrnog"};
    test.spelling.answers = {{spell::Action::ChangeAll, "the"}, {spell::Action::Add, ""}};
    test.spelling.wordsPerMinute = 120;
    QTextEdit box;
    box.setPlainText(QStringLiteral("teh <b>teh</b> wrnog"));

    const auto outcome = test.platform->CreateSpellChecker()->CheckSpelling(nullptr, box);
    ASSERT_TRUE(outcome);
    EXPECT_EQ(box.toPlainText(), "the <b>the</b> wrnog");
    EXPECT_EQ(spell::ClosingMessage(*outcome), "Spelling Check Completed.\r\n\r\nWords per minute: 120");
    EXPECT_EQ(test.spelling.asked, (std::vector<std::string>{"teh", "wrnog"}));
    EXPECT_EQ(test.spelling.added, std::vector<std::string>{"wrnog"});
    EXPECT_EQ(test.spelling.checkedTexts, QStringList{"teh <b>teh</b> wrnog"});
}

TEST(HunspellSpellChecker, AnUnreadableUserDictionaryStopsTheCheckWithAReason) {
    pw::test::TempFolder inst;
    fs::create_directory(inst.path() / "KW5.dct");
    HunspellSpellChecker checker(inst.path() / "KW5.dct");
    QTextEdit box;
    box.setPlainText(QStringLiteral("Teh"));
    const auto outcome = checker.CheckSpelling(nullptr, box);
    ASSERT_FALSE(outcome);
    EXPECT_EQ(SpellCheckUnavailableText(outcome.error()),
              "Spelling cannot be checked: the user dictionary KW5.dct cannot be read (Is a directory).");
    EXPECT_EQ(SpellCheckUnavailableText(spell::SpellErrc::noDictionary),
              "Spelling cannot be checked: No spelling dictionary is installed (Debian package hunspell-en-us).");
    EXPECT_EQ(box.toPlainText(), "Teh");
}

}  // namespace
}  // namespace pw
