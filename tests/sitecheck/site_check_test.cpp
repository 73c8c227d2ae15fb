// The site check on sites built to show each finding, and on a site ready to publish.
#include "publisher/site_check.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "publisher/publish_state.hpp"
#include "tests/sitecheck/site_fixture.hpp"

namespace pw::publisher {
namespace {

namespace fs = std::filesystem;
using test::Summaries;

class SiteCheck : public ::testing::Test {
protected:
    // A site whose texts are all filled in and whose pages are generated: nothing to find.
    void MakeReadySite() {
        test::FillInTexts(site);
        test::GenerateAll(inst);
    }
    std::vector<Finding> Check() {
        auto findings = CheckSite(site);
        EXPECT_TRUE(findings.has_value()) << findings.error().message();
        return findings.value_or(std::vector<Finding>{});
    }
    const Finding* Find(const std::vector<Finding>& findings, FindingKind kind) {
        const auto found = std::ranges::find(findings, kind, &Finding::kind);
        return found == findings.end() ? nullptr : &*found;
    }

    test::TempFolder inst;
    fs::path site = test::SeedFirstStartSite(inst);
};

TEST_F(SiteCheck, SiteWithItsTextsFilledInAndGeneratedIsClean) {
    MakeReadySite();
    EXPECT_EQ(Summaries(Check()), std::vector<std::string>{});
}

TEST_F(SiteCheck, FreshSiteGeneratedUntouchedListsTheSampleTextsOfEveryPage) {
    test::GenerateAll(inst);
    const auto findings = Check();
    EXPECT_EQ(Summaries(findings), test::SampleTextSummaries());
    EXPECT_EQ(FindingLine(findings[0]),
              "index.html: the page title is still the sample text \" Type your page title (meta title)\": open page "
              "One in the builder, click \"Edit Meta Tag Text\", type your own, then click \"Save or preview site\"");
    EXPECT_EQ(FindingLine(findings[4]),
              "index.html: section B still holds the sample text \"Kw5 SiteFoundry\": open page One in the builder, "
              "click section B, write your own text, then click \"Save or preview site\"");
}

TEST_F(SiteCheck, FreshSiteNeverGeneratedListsEachPageOnceNotEveryLinkToIt) {
    const auto findings = Check();
    ASSERT_EQ(findings.size(), 18u);
    EXPECT_EQ(Summaries(findings)[0], "index.html PageNotMade");
    EXPECT_EQ(Summaries(findings)[6], "news.html PageNotMade");
    EXPECT_EQ(Summaries(findings)[12], "aboutus.html PageNotMade");
    EXPECT_EQ(
        FindingLine(findings[12]),
        "aboutus.html: page Three (\"About us\") has never been made, so the site has no such page yet: open page "
        "Three in the builder and click \"Save or preview site\"");

    // One page made: its links to the two others are covered by their own findings.
    test::FillInTexts(site);
    std::ostringstream out, err;
    ASSERT_EQ(RunGenerateCommand(inst.path(), std::vector<std::string>{"--page", "one"}, out, err), 0);
    EXPECT_EQ(Summaries(Check()), (std::vector<std::string>{"news.html PageNotMade", "aboutus.html PageNotMade"}));
}

TEST_F(SiteCheck, SampleTextsAreFoundHoweverTheyAreSpacedOrWrapped) {
    MakeReadySite();
    inst.Write(site / "twoBox.txt",
               "\"Type your page title (meta title)  \",\"Text2\"\r\n"
               "\"Type keywords  here (meta tags)\",\"Text24\"\r\n");
    ASSERT_TRUE(store::SaveSection(site / "rtemp3.txt", "<P>kw5 sitefoundry</P>\r\n<p>Our shop</p>").has_value());
    test::GenerateAll(inst);
    // Page two's field file names no description, so it keeps the built-in one.
    EXPECT_EQ(Summaries(Check()),
              (std::vector<std::string>{"news.html SampleText Text2", "news.html SampleText Text100",
                                        "news.html SampleText Text24", "aboutus.html SampleSection A"}));
}

TEST_F(SiteCheck, TextsTheDesignDoesNotShowAreNotReported) {
    test::GenerateAll(inst);
    std::string design = test::TempFolder::Read(site / "temp311.htx");
    for (const std::string placeholder : {"%%textb%%", "%%keyword%%"}) {
        design.erase(design.find(placeholder), placeholder.size());
    }
    inst.Write(site / "temp311.htx", design);
    test::GenerateAll(inst);
    const auto summaries = Summaries(Check());
    EXPECT_EQ(summaries.size(), 9u);
    EXPECT_TRUE(std::ranges::none_of(
        summaries, [](const std::string& s) { return s.ends_with("SampleSection B") || s.ends_with("Text24"); }));
}

TEST_F(SiteCheck, PageOlderThanWhatItIsMadeFromIsOutdated) {
    struct Case {
        std::string changed;
        std::vector<std::string> expected;
        std::string cause;
    };
    const Case cases[] = {
        {"rtemp32.txt",
         {"news.html PageOutdated"},
         "the texts of page Two (\"News\") were changed after this page was made"},
        {"threeBox.txt", {"aboutus.html PageOutdated"}, "the texts of page Three (\"About us\") were changed"},
        {"pagebox.txt",
         {"index.html PageOutdated", "news.html PageOutdated", "aboutus.html PageOutdated"},
         "the page names were changed"},
        {"temp311.htx",
         {"index.html PageOutdated", "news.html PageOutdated", "aboutus.html PageOutdated"},
         "a new design was installed"},
    };
    for (const Case& c : cases) {
        test::TempFolder caseInst;
        site = test::SeedFirstStartSite(caseInst);
        test::FillInTexts(site);
        test::GenerateAll(caseInst);
        test::WrittenAfter(site / c.changed, site / "news.html");
        const auto findings = Check();
        EXPECT_EQ(Summaries(findings), c.expected) << c.changed;
        ASSERT_FALSE(findings.empty());
        EXPECT_NE(findings.back().problem.find(c.cause), std::string::npos) << findings.back().problem;
        EXPECT_TRUE(findings.back().problem.ends_with("so the web host would get the old page"));
    }
}

TEST_F(SiteCheck, PlaceholderLeftOnThePageIsReportedOncePerPage) {
    MakeReadySite();
    ASSERT_TRUE(
        store::SaveSection(site / "rtemp1.txt", "<p>Call %%phone%% or %%PHONE%%</p><p>%%texta%%</p>").has_value());
    test::GenerateAll(inst);
    const auto findings = Check();
    EXPECT_EQ(Summaries(findings), (std::vector<std::string>{"index.html PlaceholderLeft %%phone%%",
                                                             "index.html PlaceholderLeft %%texta%%"}));
    EXPECT_EQ(FindingLine(findings[0]),
              "index.html: \"%%phone%%\" would show on the page as it is, since nothing fills it in: take it out of "
              "the page's texts (or the design), then open page One in the builder and click \"Save or preview site\"");
}

// A file the site folder holds besides the generated pages ("pics/" a folder).
struct SiteFileCase {
    std::string html;                // put in page one's body
    std::vector<std::string> files;  // made in the site folder first
    std::vector<std::string> expected;
};

TEST_F(SiteCheck, ReferencesOfAPageAreFollowedIntoTheSiteFolder) {
    const SiteFileCase cases[] = {
        {R"(<img src="logo.gif"><img src=logo.gif>)", {}, {"MissingFile logo.gif"}},
        {R"(<img src="Logo.GIF">)", {"logo.gif"}, {"OtherLetterCase Logo.GIF"}},
        {R"(<img src="Logo.PNG">)", {"logo.png"}, {"OtherLetterCase Logo.PNG", "NotSent Logo.PNG"}},
        {R"(<img src="logo.png">)", {"logo.png"}, {"NotSent logo.png"}},
        {R"(<img src="photo.jpeg">)", {"photo.jpeg"}, {"NotSent photo.jpeg"}},
        {R"(<img src="PHOTO.JPG">)", {"PHOTO.JPG"}, {}},
        {R"(<img src="my%20photo.jpg"><img src="my photo.jpg">)", {"my photo.jpg"}, {}},
        {R"(<img src="pics/a.gif"><img src="pics/b.gif">)",
         {"pics/a.gif"},
         {"MissingFile pics/b.gif", "NotSent pics/a.gif"}},
        {R"(<img src="Pics/a.gif">)", {"pics/a.gif"}, {"OtherLetterCase Pics/a.gif", "NotSent Pics/a.gif"}},
        {R"(<img src="../a.gif"><img src="/a.gif"><img src="file:///home/me/a.gif"><img src="C:\Pictures\a.gif">)",
         {},
         {"OutsideSite ../a.gif", "OutsideSite /a.gif", "OutsideSite file:///home/me/a.gif",
          "OutsideSite C:\\Pictures\\a.gif"}},
        {R"h(<body background="bg.gif"><td style="background:url('cell.jpg')"><style>p{background:url(p.gif)}</style>)h",
         {"p.gif"},
         {"MissingFile bg.gif", "MissingFile cell.jpg"}},
        {R"(<link rel=stylesheet href="site.css"><script src="app.js"></script>)",
         {"site.css"},
         {"MissingFile app.js", "NotSent site.css"}},
        {R"(<a href="contact.html">Contact</a><a href="news.html#top">News</a><a href="aboutus.html?x=1">Us</a>)",
         {},
         {"MissingPage contact.html"}},
        {R"(<a href="old.htm">Old</a><a href="menu.pdf">Menu</a><a href="gallery/">Gallery</a>)",
         {"old.htm", "menu.pdf", "gallery/"},
         {"NotSent old.htm", "NotSent menu.pdf", "NotSent gallery/"}},
        {R"(<a href="News.html">News</a><a href="sub/page.html">Sub</a>)",
         {},
         {"OtherLetterCase News.html", "MissingPage sub/page.html"}},
        {R"(<a href="http://example.com/a.gif">x</a><a href="mailto:me@example.com">m</a><a href="#top">t</a>)"
         R"h(<a href="javascript:void(0)">j</a><img src="data:image/gif;base64,R0lGODlh"><a href="//cdn.example.com/x.js">c</a>)h",
         {},
         {}},
    };
    MakeReadySite();
    for (const SiteFileCase& c : cases) {
        for (const std::string& file : c.files) {
            if (file.ends_with('/')) {
                fs::create_directories(site / file);
            } else {
                inst.Write(site / file, "x");
            }
        }
        inst.Write(site / "index.html", "<html><body>" + c.html + "</body></html>");
        std::vector<std::string> expected;
        for (const std::string& e : c.expected) expected.push_back("index.html " + e);
        EXPECT_EQ(Summaries(Check()), expected) << c.html;
        for (const std::string& file : c.files) fs::remove_all(site / fs::path(file).begin()->string());
    }
}

TEST_F(SiteCheck, MessagesSayWhatIsWrongAndWhatToDo) {
    MakeReadySite();
    inst.Write(site / "logo.gif", "GIF89a");
    inst.Write(site / "photo.jpeg", "x");
    inst.Write(site / "index.html",
               R"(<img src="Logo.GIF"><img src="photo.jpeg"><img src="../up.gif"><a href="shop.html">)");
    const auto findings = Check();
    std::vector<std::string> lines;
    for (const Finding& finding : findings) lines.push_back(FindingLine(finding));
    EXPECT_EQ(lines,
              (std::vector<std::string>{
                  "index.html: the picture \"Logo.GIF\" is \"logo.gif\" in your site folder; web hosts tell the "
                  "two apart: rename the file or change the page",
                  "index.html: the picture \"photo.jpeg\" would not be sent by \"Upload ALL Files\", which sends "
                  "only .gif, .html and .jpg files, so it would be missing on the web host: rename it to "
                  "\"photo.jpg\" and change the page to match",
                  "index.html: the picture \"../up.gif\" lies outside your site folder, so it would not be on "
                  "the web host: copy it into the site folder and write just \"up.gif\" in the page",
                  "index.html: the link to \"shop.html\" leads to no page of your site: change the link, or put "
                  "that page in the site folder",
              }));
}

TEST_F(SiteCheck, FindingsComePageByPageThenByKindThenInPageOrder) {
    MakeReadySite();
    inst.Write(site / "pic.png", "x");
    inst.Write(site / "aboutus.html", R"(<a href="x.html"><img src="pic.png"><img src="b.gif"><img src="a.gif">)");
    inst.Write(site / "index.html", R"(<img src="z.gif"> %%phone%%)");
    test::WrittenAfter(site / "rtemp32.txt", site / "news.html");
    EXPECT_EQ(Summaries(Check()), (std::vector<std::string>{
                                      "index.html PlaceholderLeft %%phone%%",
                                      "index.html MissingFile z.gif",
                                      "news.html PageOutdated",
                                      "aboutus.html MissingFile b.gif",
                                      "aboutus.html MissingFile a.gif",
                                      "aboutus.html NotSent pic.png",
                                      "aboutus.html MissingPage x.html",
                                  }));
}

TEST_F(SiteCheck, PicturesOverOneMegabyteAreListedWithTheirSizeAfterThePages) {
    MakeReadySite();
    inst.Write(site / "shop.jpg", std::string(1536 * 1024, 'x'));               // shown on two pages
    inst.Write(site / "exact.gif", std::string(kLargePictureBytes, 'x'));       // not over the limit
    inst.Write(site / "spare.GIF", std::string(kLargePictureBytes + 1, 'x'));   // sent, shown nowhere
    inst.Write(site / "unsent.png", std::string(2 * kLargePictureBytes, 'x'));  // neither sent nor shown
    inst.Write(site / "index.html", R"(<img src="shop.jpg"><img src="exact.gif"><img src="shop.jpg">)");
    inst.Write(site / "news.html", R"h(<body style="background:url(shop.jpg)">)h");
    const auto findings = Check();
    EXPECT_EQ(Summaries(findings),
              (std::vector<std::string>{"shop.jpg LargePicture shop.jpg", "spare.GIF LargePicture spare.GIF"}));
    ASSERT_EQ(findings.size(), 2u);
    EXPECT_EQ(FindingLine(findings[0]),
              "shop.jpg: the picture is 1.5 MB, so pages showing it (on index.html, news.html) load slowly on phones: "
              "save a smaller copy (under 1 MB) under the same name");
    EXPECT_EQ(findings[1].problem, "the picture is 1.1 MB, so pages showing it load slowly on phones");
}

TEST_F(SiteCheck, PageRenamedToAnotherLetterCaseBreaksTheLinksToIt) {
    MakeReadySite();
    fs::rename(site / "news.html", site / "News.html");
    EXPECT_EQ(Summaries(Check()),
              (std::vector<std::string>{"index.html OtherLetterCase news.html", "News.html OtherLetterCase news.html",
                                        "aboutus.html OtherLetterCase news.html"}));
}

// A renamed page's old file, until the page is generated again; and what was sent to a
// host before that the site no longer has, host by host.
TEST_F(SiteCheck, StaleFilesAreReportedLocalAndRecordedAsSent) {
    MakeReadySite();
    PublishState state(site / kPublishStateFileName, {"ftp://example.com:21", "me", "/public_html"});
    for (const char* name : {"index.html", "news.html", "old.gif"}) state.Set(name, {1, std::string(64, 'a')});
    ASSERT_TRUE(state.Save());
    inst.Write(site / "pagebox.txt", "\"Home\",\"page1\"\r\n\"Offers\",\"Page2\"\r\n\"About us\",\"Page3\"\r\n");
    auto findings = Check();
    const Finding* stalePage = Find(findings, FindingKind::StalePage);
    ASSERT_NE(stalePage, nullptr) << testing::PrintToString(Summaries(findings));
    EXPECT_EQ(FindingLine(*stalePage),
              "news.html: this is page Two under its earlier name, and it would be published with its old text: "
              "generate page Two again (as \"offers.html\"), which removes it");
    const auto staleOnHost = [](const std::vector<Finding>& all) {
        std::vector<std::string> names;
        for (const Finding& finding : all) {
            if (finding.kind == FindingKind::StaleOnHost) names.push_back(finding.file + " " + finding.subject);
        }
        return names;
    };
    EXPECT_EQ(staleOnHost(findings), std::vector<std::string>{"old.gif ftp://example.com:21/public_html"});

    test::GenerateAll(inst);
    findings = Check();
    EXPECT_EQ(Find(findings, FindingKind::StalePage), nullptr);
    EXPECT_FALSE(fs::exists(site / "news.html"));
    EXPECT_EQ(staleOnHost(findings), (std::vector<std::string>{"news.html ftp://example.com:21/public_html",
                                                               "old.gif ftp://example.com:21/public_html"}));
}

TEST_F(SiteCheck, PageNameThatCanBeNoFileNameIsReported) {
    MakeReadySite();
    inst.Write(site / "pagebox.txt", "\"Home\",\"page1\"\r\n\"a/b\",\"Page2\"\r\n\"About us\",\"Page3\"\r\n");
    const auto findings = Check();
    const Finding* notMade = Find(findings, FindingKind::PageNotMade);
    ASSERT_NE(notMade, nullptr);
    EXPECT_EQ(notMade->file, "a/b.html");
    EXPECT_EQ(FindingLine(*notMade),
              "a/b.html: the name of page Two (\"a/b\") cannot be a file name, so the page "
              "cannot be made: give the page a name without \"/\" or \"\\\" in \"Name Pages\"");
}

TEST_F(SiteCheck, FilesThatCannotBeReadAreReportedAndTheRestIsChecked) {
    MakeReadySite();
    fs::remove(site / "twoBox.txt");
    fs::create_directory(site / "twoBox.txt");  // there, yet no file to read
    test::WrittenAfter(site / "twoBox.txt", site / "news.html", -5);
    fs::remove(site / "aboutus.html");
    fs::create_directory(site / "aboutus.html");
    inst.Write(site / "index.html", R"(<img src="gone.gif">)");
    const auto findings = Check();
    // Page two's titles stand at their built-in texts, which is no finding; the link to a
    // folder is one.
    EXPECT_EQ(Summaries(findings),
              (std::vector<std::string>{"index.html MissingFile gone.gif", "twoBox.txt UnreadableFile",
                                        "news.html NotSent aboutus.html", "aboutus.html UnreadableFile"}));
    EXPECT_EQ(FindingLine(findings[1]),
              "twoBox.txt: could not be read (Is a directory), so the texts of page Two (\"News\") were not checked: "
              "make sure the file can be read, then check again");
}

TEST_F(SiteCheck, MissingSiteFolderFails) {
    const auto findings = CheckSite(inst.path() / "nosuchsite");
    ASSERT_FALSE(findings.has_value());
    EXPECT_EQ(findings.error(), std::errc::no_such_file_or_directory);
}

}  // namespace
}  // namespace pw::publisher
