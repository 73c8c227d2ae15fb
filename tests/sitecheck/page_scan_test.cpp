// Reading a generated page as a browser would: what it refers to, where that leads, and
// the placeholders generation left in it.
#include "publisher/page_scan.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace pw::publisher {

void PrintTo(const PageReference& reference, std::ostream* os) {
    *os << "{" << static_cast<int>(reference.use) << ", \"" << reference.value << "\"}";
}

namespace {

using Use = ReferenceUse;

struct ReferencesCase {
    std::string html;
    std::vector<PageReference> expected;
};

TEST(FindReferences, ReadsTagsAndStylesAsABrowserDoes) {
    const ReferencesCase cases[] = {
        {R"(<img src="logo.gif">)", {{Use::Picture, "logo.gif"}}},
        {R"(<IMG SRC=Logo.GIF ALT=x>)", {{Use::Picture, "Logo.GIF"}}},
        {R"(<img alt='a > b' src = ' my pic.gif '>)", {{Use::Picture, "my pic.gif"}}},
        {R"(<img/src="a.gif"/>)", {{Use::Picture, "a.gif"}}},
        {R"(<img src="a.gif" src="b.gif">)", {{Use::Picture, "a.gif"}}},
        {R"(<img src="&#108;ogo.gif"><img src="&#x6C;ogo.gif">)",
         {{Use::Picture, "logo.gif"}, {Use::Picture, "logo.gif"}}},
        {R"(<a href="news.html?x=1&amp;y=2#top">News</a>)", {{Use::Link, "news.html?x=1&y=2#top"}}},
        {R"(<a href="a&b.html">)", {{Use::Link, "a&b.html"}}},
        {R"(<body background="bg.jpg"><TD BACKGROUND=cell.gif>)",
         {{Use::Picture, "bg.jpg"}, {Use::Picture, "cell.gif"}}},
        {R"(<div style="background: URL( 'x.jpg' ) no-repeat">)", {{Use::Picture, "x.jpg"}}},
        {R"h(<p style="background:url(&quot; q.gif&quot;)">)h", {{Use::Picture, "q.gif"}}},
        {"<style>p{background:url('broken.gif\n')} b{background:url(ok.gif)}</style>", {{Use::Picture, "ok.gif"}}},
        {"<style>.a{background:url(graf2.jpg)} /* url(no.gif) */ .b{background:url(\"b.gif\")}</style>",
         {{Use::Picture, "graf2.jpg"}, {Use::Picture, "b.gif"}}},
        {R"(<link rel=stylesheet href="site.css"><script src="app.js"></script>)",
         {{Use::StyleSheet, "site.css"}, {Use::Script, "app.js"}}},
        {R"(<iframe src="map.html"></iframe><area href="x.html">)",
         {{Use::Embedded, "map.html"}, {Use::Link, "x.html"}}},
        // Not markup: comments, script text, the title's text, declarations.
        {R"(<!-- <img src="no.gif"> --><!DOCTYPE html><script>var s = "<img src='no.gif'>";</SCRIPT><img src=yes.gif>)",
         {{Use::Picture, "yes.gif"}}},
        {R"(<title><img src=no.gif></title><textarea><a href=no.html></textarea>)", {}},
        // Nothing to follow.
        {R"(<a name=top>Top</a><img src=""><img src>)", {}},
        {"3 < 4 and <b>bold</b>", {}},
        {R"(<img src="cut.gif)", {}},
        {R"(<img src=cut.gif)", {}},
    };
    for (const ReferencesCase& c : cases) {
        EXPECT_EQ(FindReferences(c.html), c.expected) << c.html;
    }
}

struct TargetCase {
    std::string value;
    TargetPlace place;
    std::vector<std::string> segments;
};

TEST(LocateTarget, FollowsPathsInsideTheSiteAndReportsThoseThatLeaveIt) {
    const TargetCase cases[] = {
        {"logo.gif", TargetPlace::SiteFile, {"logo.gif"}},
        {"  images/Logo.gif ", TargetPlace::SiteFile, {"images", "Logo.gif"}},
        {"images\\logo.gif", TargetPlace::SiteFile, {"images", "logo.gif"}},
        {"./a/../logo.gif", TargetPlace::SiteFile, {"logo.gif"}},
        {"news.html#top", TargetPlace::SiteFile, {"news.html"}},
        {"news.html?from=home#top", TargetPlace::SiteFile, {"news.html"}},
        {"my%20photo.jpg", TargetPlace::SiteFile, {"my photo.jpg"}},
        {"100%.gif", TargetPlace::SiteFile, {"100%.gif"}},
        {"gallery/", TargetPlace::SiteFile, {"gallery"}},
        {"../logo.gif", TargetPlace::OutsideSite, {}},
        {"a/../../logo.gif", TargetPlace::OutsideSite, {}},
        {"%2e%2e/logo.gif", TargetPlace::OutsideSite, {}},
        {"/logo.gif", TargetPlace::OutsideSite, {}},
        {"\\logo.gif", TargetPlace::OutsideSite, {}},
        {"C:\\My Pictures\\logo.gif", TargetPlace::OutsideSite, {}},
        {"file:///home/me/logo.gif", TargetPlace::OutsideSite, {}},
        {"FILE:logo.gif", TargetPlace::OutsideSite, {}},
        {"http://example.com/logo.gif", TargetPlace::Elsewhere, {}},
        {"HTTPS://example.com/", TargetPlace::Elsewhere, {}},
        {"//cdn.example.com/x.js", TargetPlace::Elsewhere, {}},
        {"mailto:me@example.com", TargetPlace::Elsewhere, {}},
        {"javascript:void(0)", TargetPlace::Elsewhere, {}},
        {"data:image/gif;base64,R0lGOD", TargetPlace::Elsewhere, {}},
        {"tel:+1555", TargetPlace::Elsewhere, {}},
        {"#top", TargetPlace::Elsewhere, {}},
        {"?page=2", TargetPlace::Elsewhere, {}},
        {"./", TargetPlace::Elsewhere, {}},
    };
    for (const TargetCase& c : cases) {
        const ReferenceTarget target = LocateTarget(c.value);
        EXPECT_EQ(target.place, c.place) << c.value;
        EXPECT_EQ(target.segments, c.segments) << c.value;
    }
}

TEST(FindPlaceholders, GivesEachUnfilledPlaceOnceAsFirstWritten) {
    EXPECT_EQ(FindPlaceholders("<p>%%Phone%% and %%phone%%, %%texta%%</p> 100%% %%not one%% %%%%fax_2%% %%%"),
              (std::vector<std::string>{"%%Phone%%", "%%texta%%", "%%fax_2%%"}));
    EXPECT_TRUE(FindPlaceholders("width: 50%; 100%% %%").empty());
}

}  // namespace
}  // namespace pw::publisher
