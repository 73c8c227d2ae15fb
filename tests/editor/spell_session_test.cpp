#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "editor/spell/spell_session.hpp"
#include "tests/editor/spell_fixture.hpp"

namespace pw::spell {
namespace {

namespace fs = std::filesystem;

// The edits of one answer applied to the text as it was before it.
std::string Applied(std::string text, const std::vector<Edit>& edits) {
    for (auto edit = edits.rbegin(); edit != edits.rend(); ++edit)
        text.replace(edit->begin, edit->end - edit->begin, edit->replacement);
    return text;
}

class SpellSessionTest : public test::EnglishChecker {
protected:
    // Every misspelling of `html`, each answered with Ignore.
    std::vector<std::string> Misspellings(const std::string& html) {
        SpellSession session(html, checker_);
        std::vector<std::string> words;
        for (; !session.finished(); session.Answer(Action::Ignore)) words.push_back(session.current()->word);
        return words;
    }

    // Answers the current misspelling, which must be `word`, and checks the edits it reports.
    void Answer(SpellSession& session, const std::string& word, Action action, const std::string& replacement = {}) {
        ASSERT_FALSE(session.finished()) << "expected " << word;
        ASSERT_EQ(session.current()->word, word);
        const std::string before = session.text();
        const auto edits = session.Answer(action, replacement);
        EXPECT_EQ(Applied(before, edits), session.text());
    }

    HunspellChecker checker_ = Open();
};

TEST_F(SpellSessionTest, FindsMisspellingsInTheTextOutsideMarkupOnly) {
    struct Case {
        std::string html;
        std::vector<std::string> misspellings;
    };
    const std::vector<Case> cases = {
        {R"(<p class="wrnogclass" title="Teh titel">Helo world</p>)", {"Helo"}},
        {"<!-- commnet mispeled --><b>fine</b>", {}},
        {R"(<a href="http://exmaple.com/paeg.html">the paeg</a>)", {"paeg"}},
        {"<script>var xyzzy;</script><style>.clss{}</style>recieve", {"recieve"}},
        {"caf&eacute; &nbsp;&amp;&#233; naive", {"café", "é"}},
        {"%%texta%% %%titlez%% goood %%1%%", {"goood"}},
        {"Übung and Zürich", {"Übung", "Zürich"}},
        {"don't isn't 'quoted' don’t don&rsquo;t", {}},
        {"3rd 2024 mp3 www.kw5software.com info@kw5software.com", {}},
    };
    for (const auto& c : cases) EXPECT_EQ(Misspellings(c.html), c.misspellings) << c.html;
}

TEST_F(SpellSessionTest, OffersSuggestionsAndTheSentence) {
    SpellSession session("<p>It is <i>teh</i> best. Next one.</p>", checker_);
    ASSERT_FALSE(session.finished());
    const Misspelling& m = *session.current();
    EXPECT_EQ(m.word, "teh");
    EXPECT_EQ(session.text().substr(m.begin, m.end - m.begin), "teh");
    EXPECT_NE(std::ranges::find(m.suggestions, "the"), m.suggestions.end());
    EXPECT_EQ(m.sentence.text, "It is teh best.");
    EXPECT_EQ(m.sentence.text.substr(m.sentence.wordBegin, m.sentence.wordEnd - m.sentence.wordBegin), "teh");
}

TEST_F(SpellSessionTest, ChangeReplacesOneOccurrenceAndChangeAllTheLaterOnes) {
    SpellSession session("<p>Teh cat saw teh <b>teh</b> dog.</p> teh caf&eacute; caf&eacute;", checker_);
    Answer(session, "Teh", Action::Change, "The");
    Answer(session, "teh", Action::Ignore);
    Answer(session, "teh", Action::ChangeAll, "the");
    Answer(session, "café", Action::ChangeAll, "cafe");
    EXPECT_TRUE(session.finished());
    EXPECT_EQ(session.text(), "<p>The cat saw teh <b>the</b> dog.</p> the cafe cafe");
    EXPECT_FALSE(session.Outcome().cancelled);
}

TEST_F(SpellSessionTest, AChosenReplacementIsNotQuestionedAgain) {
    SpellSession session("wrnog, wrnog and wrnog", checker_);
    Answer(session, "wrnog", Action::ChangeAll, "Pagewright");
    EXPECT_TRUE(session.finished());
    EXPECT_EQ(session.text(), "Pagewright, Pagewright and Pagewright");
    EXPECT_EQ(session.wordsChecked(), 4);  // the first, then the rest after it
}

TEST_F(SpellSessionTest, IgnoreAllPassesOverTheWordUntilTheCheckEnds) {
    SpellSession session("wrnog one wrnog two <b>wrnog</b> goood", checker_);
    Answer(session, "wrnog", Action::IgnoreAll);
    Answer(session, "goood", Action::Ignore);
    EXPECT_TRUE(session.finished());
    EXPECT_TRUE(Misspellings("wrnog") == std::vector<std::string>{"wrnog"});  // only for that check
}

TEST_F(SpellSessionTest, AddStoresTheWordInTheUserDictionaryForNextTime) {
    ASSERT_FALSE(fs::exists(userDictionary()));
    SpellSession session("Pagewright builds sites. Pagewright is small.", checker_);
    Answer(session, "Pagewright", Action::Add);
    EXPECT_TRUE(session.finished());  // the second one is accepted at once
    EXPECT_FALSE(session.Outcome().userDictionaryFailure);
    EXPECT_EQ(pw::test::TempFolder::Read(userDictionary()), "Pagewright\n");

    HunspellChecker nextTime = Open();
    EXPECT_TRUE(nextTime.IsCorrect("Pagewright"));
    EXPECT_TRUE(SpellSession("Pagewright works.", nextTime).finished());
}

TEST_F(SpellSessionTest, CancelEndsTheCheckKeepingEarlierChanges) {
    SpellSession session("teh wrnog teh", checker_);
    Answer(session, "teh", Action::Change, "the");
    Answer(session, "wrnog", Action::Cancel);
    EXPECT_TRUE(session.finished());
    EXPECT_EQ(session.text(), "the wrnog teh");
    EXPECT_TRUE(session.Outcome().cancelled);
    EXPECT_EQ(session.wordsChecked(), 2);
    EXPECT_TRUE(session.Answer(Action::Change, "x").empty());  // nothing left to answer
}

TEST_F(SpellSessionTest, AFailedSaveOfTheUserDictionaryIsReportedAndTheWordStillAccepted) {
    const fs::path folder = folder_.path() / "inst";
    fs::create_directory(folder);
    auto checker = HunspellChecker::Open(test::AmericanEnglish(), folder / "KW5.dct");
    ASSERT_TRUE(checker);
    fs::remove(folder);  // the installation folder went away: nothing can be written there

    SpellSession session("Pagewright and Pagewright", *checker);
    Answer(session, "Pagewright", Action::Add);
    EXPECT_TRUE(session.finished());
    EXPECT_EQ(session.Outcome().userDictionaryFailure, std::errc::no_such_file_or_directory);

    EXPECT_EQ(checker->Add("Sitewell").error(), std::errc::no_such_file_or_directory);
    EXPECT_TRUE(checker->IsCorrect("Sitewell"));
}

TEST(WordsPerMinute, CountsWordsPerMinuteOfTheCheck) {
    using std::chrono::milliseconds;
    struct Case {
        long long words;
        milliseconds duration;
        int expected;
    };
    const std::vector<Case> cases = {
        {100, milliseconds(60'000), 100}, {10, milliseconds(90'000), 6}, {7, milliseconds(1'500), 280},
        {100, milliseconds(0), 6'000},    {0, milliseconds(0), 0},       {3, milliseconds(999), 180},
    };
    for (const auto& c : cases) EXPECT_EQ(WordsPerMinute(c.words, c.duration), c.expected) << c.words;
}

TEST(ClosingMessage, SaysHowTheCheckEndedAndTheFigure) {
    EXPECT_EQ(ClosingMessage({false, 42, {}}), "Spelling Check Completed.\r\n\r\nWords per minute: 42");
    EXPECT_EQ(ClosingMessage({true, 0, {}}), "Spelling Check Cancelled.\r\n\r\nWords per minute: 0");
}

}  // namespace
}  // namespace pw::spell
