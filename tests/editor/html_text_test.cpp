#include "editor/html_text.hpp"

#include <gtest/gtest.h>

namespace pw::editor {
namespace {

TEST(ExtractBody, TakesTheTextBetweenTheFirstUpperCaseBodyTags) {
    struct Case {
        const char *document, *body;
    };
    for (const Case& c : {
             Case{"<HTML><HEAD></HEAD><BODY><p>Hi</p></BODY></HTML>", "<p>Hi</p>"},
             Case{"<BODY>\r\nline 1\r\nline 2\r\n</BODY>", "\r\nline 1\r\nline 2\r\n"},
             Case{"<BODY></BODY>", ""},
             Case{"<BODY>a</BODY>b</BODY>", "a"},
             Case{"<body>lower case is not the pair</body>", "<body>lower case is not the pair</body>"},
             Case{"<p>a fragment</p>", "<p>a fragment</p>"},
             Case{"</BODY>end before start<BODY>", "</BODY>end before start<BODY>"},
             Case{"<BODY>no end", "<BODY>no end"},
         })
        EXPECT_EQ(ExtractBody(c.document), c.body) << c.document;
}

TEST(FindTagSpans, MarksTagsRedAndCommentsBlue) {
    struct Case {
        std::u16string text;
        std::vector<TagSpan> spans;
    };
    const std::vector<Case> cases = {
        {u"<p>Hi</p>", {{0, 2, false}, {5, 8, false}}},
        {u"<!-- note -->x", {{0, 12, true}}},
        {u"<!DOCTYPE html><b>", {{0, 14, true}, {15, 17, false}}},
        {u"a <<b>", {{3, 5, false}}},                               // a later "<" starts the tag again
        {u"Hello! <b>bold</b>", {{7, 9, false}, {14, 17, false}}},  // a "!" in text marks no tag
        {u"2 > 1 and <i>", {{10, 12, false}}},                      // a lone ">" colours nothing
        {u"<IMG src=a b.gif >", {{0, 17, false}}},
        {u"<p>Grüße €</p>", {{0, 2, false}, {10, 13, false}}},  // positions in UTF-16 units
        {u"unclosed <b", {}},
    };
    for (const Case& c : cases) EXPECT_EQ(FindTagSpans(c.text), c.spans);
}

TEST(ColourText, TurnsTheDialogsNumberIntoHtmlHex) {
    EXPECT_EQ(ColourText(0x0000FF), "#FF0000");
    EXPECT_EQ(ColourText(0x00FF00), "#00FF00");
    EXPECT_EQ(ColourText(0xFF0000), "#0000FF");
    EXPECT_EQ(ColourText(0x123456), "#563412");
    EXPECT_EQ(ColourText(0), "#000000");
}

TEST(TableCount, AcceptsPositiveNumbersRoundedHalfToEven) {
    struct Case {
        const char* typed;
        std::optional<int> count;
    };
    for (const Case& c : {Case{"3", 3}, Case{"2.6", 3}, Case{"2.5", 2}, Case{"3.5", 4}, Case{" 4 ", 4}, Case{"+2", 2},
                          Case{"1e1", 10}, Case{"0", {}}, Case{"-1", {}}, Case{"abc", {}}, Case{"", {}}, Case{"2x", {}},
                          Case{"0.4", {}}, Case{"1e300", {}}})
        EXPECT_EQ(TableCount(c.typed), c.count) << c.typed;
}

TEST(TableAttributes, ComposesTheBoxesAsTyped) {
    EXPECT_EQ(TableAttributes("1", "1", "1", "75"), "border =1 cellpadding =1 cellspacing =1 width= 75%");
    EXPECT_EQ(TableAttributes("", "x", "2", "100"), "border = cellpadding =x cellspacing =2 width= 100%");
}

TEST(ImageElement, WritesPlainNamesAsTheyAreAndQuotesTheOthers) {
    struct Case {
        const char* name;
        const char *marker, *direct;
    };
    for (const Case& c : {
             Case{"shop.jpg", "<IMG src=shop.jpg >", "<img src=shop.jpg>"},
             Case{"Grüße.gif", "<IMG src=Grüße.gif >", "<img src=Grüße.gif>"},
             Case{"my photo.jpg", "<IMG src=\"my photo.jpg\" >", "<img src=\"my photo.jpg\">"},
             Case{"a&b.jpg", "<IMG src=\"a&amp;b.jpg\" >", "<img src=\"a&amp;b.jpg\">"},
             Case{"x\"<y>.gif", "<IMG src=\"x&quot;&lt;y&gt;.gif\" >", "<img src=\"x&quot;&lt;y&gt;.gif\">"},
             Case{"it's.jpg", "<IMG src=\"it's.jpg\" >", "<img src=\"it's.jpg\">"},
         }) {
        EXPECT_EQ(ImageElement(c.name, ImageForm::Marker), c.marker) << c.name;
        EXPECT_EQ(ImageElement(c.name, ImageForm::Direct), c.direct) << c.name;
    }
}

}  // namespace
}  // namespace pw::editor
