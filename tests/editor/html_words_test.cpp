#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "editor/spell/html_words.hpp"

namespace pw::spell {
namespace {

std::vector<std::string> WordsOf(std::string_view html) {
    std::vector<std::string> words;
    for (HtmlTextScanner scanner(html); auto word = scanner.NextWord();) words.push_back(word->text);
    return words;
}

TEST(HtmlTextScanner, ReadsTheWordsAReaderSeesAndNothingOfTheMarkup) {
    struct Case {
        std::string html;
        std::vector<std::string> words;
    };
    const std::vector<Case> cases = {
        {R"(<p class="wrnog">Helo world</p>)", {"Helo", "world"}},
        {R"(<a href='pg.html' title="Teh > titel">link</a>)", {"link"}},  // '>' inside a quoted value
        {"<img alt=don't src=a.gif>text", {"text"}},
        {"<IMG src=a b.gif >after", {"after"}},
        {"<!-- commnet <b>x</b> -->after", {"after"}},
        {"<!DOCTYPE html><?xml ver?>ok", {"ok"}},
        {"<script>var xyzzy = '<p>';</script><STYLE>p{colr:red}</style>done", {"done"}},
        {"<p>open tag <b class=x", {"open", "tag"}},
        {"a < b, c > d", {"a", "b", "c", "d"}},  // a '<' that starts no tag is text
        // Entities are the characters they stand for: letters join words, others part them.
        {"caf&eacute; na&iuml;ve &Uuml;ber &#233;t&#xE9;", {"café", "naïve", "Über", "été"}},
        {"a&nbsp;b&amp;c &copy;d &bogus;e", {"a", "b", "c", "d", "e"}},
        {"%%texta%% %%1%%word%%titlez%%", {"word"}},
        {"%%not closed", {"not", "closed"}},
        {"don't rock'n'roll 'quoted' students' don’t don&rsquo;t",
         {"don't", "rock'n'roll", "quoted", "students", "don’t", "don’t"}},
        {"2nd mp3 A4 1999 x2y 3,5", {}},
        {"Übung Straße 日本語 Ελληνικά", {"Übung", "Straße", "日本語", "Ελληνικά"}},
        {"e\u0301te\u0301 well-known", {"e\u0301te\u0301", "well", "known"}},
        {"see www.kw5software.com, HTTP://x.org/paeg and info@kw5software.com.", {"see", "and"}},
    };
    for (const auto& c : cases) EXPECT_EQ(WordsOf(c.html), c.words) << c.html;
}

TEST(HtmlTextScanner, GivesEachWordItsByteRangeInTheText) {
    const std::string html = "Über <b>caf&eacute;</b>, don't";
    std::vector<std::pair<std::size_t, std::size_t>> ranges;
    for (HtmlTextScanner scanner(html); auto word = scanner.NextWord();) ranges.emplace_back(word->begin, word->end);
    const std::vector<std::pair<std::size_t, std::size_t>> expected = {{0, 5}, {9, 20}, {26, 31}};
    EXPECT_EQ(ranges, expected);
    EXPECT_EQ(html.substr(9, 11), "caf&eacute;");
}

TEST(SentenceAround, ShowsTheWordsSentenceAsThePageReadsIt) {
    struct Case {
        std::string html, word, sentence;
    };
    const std::vector<Case> cases = {
        {"<p>First one. The wrnog word here! Next</p>", "wrnog", "The wrnog word here!"},
        {"<p>Start <b>bold wrnog</b> end.</p><p>Other</p>", "wrnog", "Start bold wrnog end."},
        {"<h1>Title</h1>wrnog<br>next line", "wrnog", "wrnog"},
        {"Text&nbsp;with  \r\n many   <!-- x. -->spaces wrnog &amp; more.", "wrnog",
         "Text with many spaces wrnog & more."},
        {"Version 2.5 is %%texta%% wrnog. Next.", "wrnog", "Version 2.5 is %%texta%% wrnog."},
    };
    for (const auto& c : cases) {
        const std::size_t at = c.html.find(c.word);
        const Sentence s = SentenceAround(c.html, at, at + c.word.size());
        EXPECT_EQ(s.text, c.sentence) << c.html;
        EXPECT_EQ(s.text.substr(s.wordBegin, s.wordEnd - s.wordBegin), c.word) << c.html;
    }
}

TEST(SentenceAround, CutsALongSentenceAroundTheWord) {
    std::string html;
    for (int i = 0; i < 60; ++i) html += "before ";
    html += "caf&eacute; ";
    for (int i = 0; i < 60; ++i) html += "after ";
    const std::size_t at = html.find("caf&");
    const Sentence s = SentenceAround(html, at, at + std::string("caf&eacute;").size());
    EXPECT_TRUE(s.text.starts_with("… before")) << s.text;
    EXPECT_TRUE(s.text.ends_with("after …")) << s.text;
    EXPECT_LT(s.text.size(), 280u);
    EXPECT_EQ(s.text.substr(s.wordBegin, s.wordEnd - s.wordBegin), "café");
}

}  // namespace
}  // namespace pw::spell
