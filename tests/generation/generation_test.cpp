#include "builder/generation.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "tests/generation/seeded_site.hpp"
#include "tests/temp_folder.hpp"

namespace pw {
namespace {

namespace fs = std::filesystem;

// The builder's state before the user has typed anything.
PageInputs UneditedPage(const std::string& pageWord) {
    PageInputs inputs;
    inputs.page = store::PageFromWord(pageWord);
    inputs.title = " Type your page title (meta title)";
    inputs.description = " Type information about your site (meta content)";
    inputs.keywords = "Type keywords  here (meta tags)";
    inputs.sectionA = "Kw5 SiteFoundry";
    inputs.sectionB = "Kw5 SiteFoundry";
    return inputs;
}

bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

// Generation as the builder runs it: the page text from the site's template, written to
// the page's file; the file written, or why not.
Result<fs::path> GenerateAndWrite(const fs::path& site, const PageInputs& inputs) {
    const auto text = GeneratePageText(site / "temp311.htx", inputs);
    if (!text) return Fail(text.error());
    const auto path = PagePath(site, inputs.page, inputs.names);
    if (!path) return path;
    if (const auto written = WritePageFile(*path, *text); !written) return Fail(written.error());
    return path;
}

// The credit line names whatever vendor site is configured; the tests fix it.
class WithVendorSite : public testing::Test {
protected:
    void SetUp() override { ::setenv("PAGEWRIGHT_VENDOR_SITE", "https://vendor.example/?a=1&b=2", 1); }
    void TearDown() override { ::unsetenv("PAGEWRIGHT_VENDOR_SITE"); }
    static constexpr const char* kCredit =
        R"(Powered by <a href="https://vendor.example/?a=1&amp;b=2"><font color="#000000">vendor.example</font></a>)";
};

TEST(ReadTemplateLines, EndsLinesAtCrLfOrLoneCrAndKeepsLoneLf) {
    struct Case {
        std::string bytes, joined;
    };
    const std::vector<Case> cases = {
        {"", ""},
        {"a\r\nb\r\n", "a\r\nb\r\n"},
        {"a\r\nb", "a\r\nb\r\n"},  // a last line without line end gains one
        {"a\rb", "a\r\nb\r\n"},    // a lone CR ends a line
        {"a\nb\r\n", "a\nb\r\n"},  // a lone LF stays inside its line
        {"a\n", "a\n\r\n"},
        {"a\r\r\nb", "a\r\n\r\nb\r\n"},  // lone CR, then an empty line
        {"\r\n\r\n", "\r\n\r\n"},
        {"\n\r", "\n\r\n"},
    };
    for (const auto& c : cases) EXPECT_EQ(ReadTemplateLines(c.bytes), c.joined) << testing::PrintToString(c.bytes);
}

TEST(PageFileName, IsIndexForPageOneAndTheSquashedNameOtherwise) {
    struct Case {
        std::string pageWord, page1, Page2, Page3, fileName;
    };
    const std::vector<Case> cases = {
        {"one", "My Home", "News", "About us", "index.html"},
        {"", "Home", "News", "About us", "index.html"},
        {"two", "Home", "News", "About us", "news.html"},
        {"three", "Home", "News", "About us", "aboutus.html"},
        {"two", "Home", "", "About us", ".html"},
        {"three", "Home", "News", " Über  Uns ", "überuns.html"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(PageFileName(store::PageFromWord(c.pageWord), store::PageNames{{c.page1, c.Page2, c.Page3}}),
                  c.fileName)
            << c.pageWord;
    }
}

TEST_F(WithVendorSite, CreditLineLinksTheVendorHomePageShowingItsDomain) { EXPECT_EQ(CreditLine(), kCredit); }

// Substitution on small templates: each case shows one rule of the thirteen steps.
struct SubstitutionCase {
    const char* what;
    std::string pageWord;
    std::string templateText;
    std::string sectionA;
    std::string expected;
};

class Substitution : public WithVendorSite, public testing::WithParamInterface<SubstitutionCase> {};

TEST_P(Substitution, AppliesTheStepsInOrder) {
    const auto& c = GetParam();
    PageInputs inputs;
    inputs.page = store::PageFromWord(c.pageWord);
    inputs.title = "My title";
    inputs.description = "My description";
    inputs.keywords = "my, keywords";
    inputs.sectionA = c.sectionA;
    inputs.sectionB = "B text";
    const std::string credit = kCredit;
    std::string expected = c.expected;
    for (std::size_t at; (at = expected.find("{credit}")) != std::string::npos;) expected.replace(at, 8, credit);
    EXPECT_EQ(SubstitutePlaceholders(c.templateText, inputs), expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Substitution,
    testing::Values(
        SubstitutionCase{"placeholders in another case", "one", "%%TEXTA%%|%%Footer%%|%%TextB%%", "A",
                         "A|{credit}|B text"},
        SubstitutionCase{"page name versus page title", "two", "%%title%%|%%titlez%%", "", "News|My title"},
        SubstitutionCase{"page three's name", "three", "<h2>%%title%%</h2>", "", "<h2>About us</h2>"},
        SubstitutionCase{"meta fields", "one", "%%keyword%%|%%content%%", "", "my, keywords|My description"},
        SubstitutionCase{"page one loses its own link's opening tag only", "one",
                         R"(<A HREF="index.html">%%1%%</a><a class=MainNav href="index.html">%%1%%</a>)", "",
                         R"(Home</a><a class=MainNav href="index.html">Home</a>)"},
        SubstitutionCase{"other pages keep the link to page one", "two", R"(<a href="index.html">%%1%%</a>)", "",
                         R"(<a href="index.html">Home</a>)"},
        SubstitutionCase{"an empty page word is page one", "", R"(<a href="index.html">%%title%%)", "", "Home"},
        SubstitutionCase{"links to pages two and three", "one",
                         R"(<a href="page2.html">%%2%%</a><a href="PAGE3.HTML">%%3%%</a>)", "",
                         R"(<a href="news.html">News</a><a href="aboutus.html">About us</a>)"},
        SubstitutionCase{"later steps see section A", "one", "<p>%%texta%%</p>",
                         R"(%%1%% <a href="page2.html">%%titlez%%</a> %%footer%%)",
                         R"(<p>Home <a href="news.html">My title</a> {credit}</p>)"},
        SubstitutionCase{"section A is not substituted into itself", "one", "%%texta%%", "x %%texta%% y",
                         "x %%texta%% y"},
        SubstitutionCase{"section B's step sees section A", "one", "%%textb%%|%%texta%%", "%%textb%%", "B text|B text"},
        SubstitutionCase{"page one's link inserted by section A stays", "one", "%%texta%%",
                         R"(<a href="index.html">x</a>)", R"(<a href="index.html">x</a>)"}),
    [](const testing::TestParamInfo<SubstitutionCase>& info) { return "case" + std::to_string(info.index); });

TEST(Substitution, EmptyNameTwoMakesItsLinksDotHtml) {
    PageInputs inputs;
    inputs.page = store::Page::Two;
    inputs.names[store::Page::Two] = "";
    EXPECT_EQ(SubstitutePlaceholders(R"(<a href="page2.html">%%2%%</a>)", inputs), R"(<a href=".html"></a>)");
}

TEST(Substitution, FillsEveryPlaceholderFarPastThe32767thCharacter) {
    PageInputs inputs;
    for (int i = 0; i < 2'000; ++i) inputs.sectionA += "<p>%%1%% page2.html %%titlez%%</p>\r\n";
    inputs.title = "T";
    const std::string page = SubstitutePlaceholders("<body>%%texta%%</body>", inputs);
    std::string expected = "<body>";
    for (int i = 0; i < 2'000; ++i) expected += "<p>Home news.html T</p>\r\n";
    EXPECT_TRUE(page == expected + "</body>");
}

class ShippedTemplate : public WithVendorSite {
protected:
    std::string Generate(const PageInputs& inputs) {
        auto page = GeneratePageText(test::kShippedContent / "temp311.htx", inputs);
        EXPECT_TRUE(page.has_value());
        return page.value_or("");
    }
};

TEST_F(ShippedTemplate, PageOneBottomLinkBecomesTextWhileTheTopLinkStays) {
    const std::string page = Generate(UneditedPage("one"));
    EXPECT_TRUE(Contains(page, R"(<a class=MainNav href="index.html">Home</a>)"));
    EXPECT_FALSE(Contains(page, R"(<a href="index.html">)"));
    EXPECT_TRUE(Contains(page, R"(<p class="bottomnav">Home</a>)"));  // the closing tag stays
}

TEST_F(ShippedTemplate, EveryPageLinksTheThreePagesByTheirDefaultNames) {
    for (const char* pageWord : {"one", "two", "three"}) {
        const std::string page = Generate(UneditedPage(pageWord));
        SCOPED_TRACE(pageWord);
        EXPECT_TRUE(Contains(page, R"(<a class=MainNav href="index.html">Home</a>)"));
        EXPECT_TRUE(Contains(page, R"(<a class=MainNav href="news.html">News</a>)"));
        EXPECT_TRUE(Contains(page, R"(<a class=MainNav href="aboutus.html">About us</a>)"));
        EXPECT_TRUE(Contains(page, R"(<a href="news.html">News</a>)"));
        EXPECT_TRUE(Contains(page, R"(<a href="aboutus.html">About us</a>)"));
        EXPECT_EQ(Contains(page, R"(<a href="index.html">Home</a>)"), std::string(pageWord) != "one");
        EXPECT_FALSE(Contains(page, "page2.html"));
        EXPECT_FALSE(Contains(page, "page3.html"));
        EXPECT_FALSE(Contains(page, "%%")) << "a placeholder was left";
        EXPECT_TRUE(Contains(page, std::string("<p class=\"credit\">") + kCredit + "</p>"));
    }
}

TEST_F(ShippedTemplate, UneditedPageShowsTheBuiltInTexts) {
    const std::string page = Generate(UneditedPage("one"));
    EXPECT_TRUE(Contains(page, "<title> Type your page title (meta title)</title>"));
    EXPECT_TRUE(Contains(page, "<h1> Type your page title (meta title)</h1>"));
    EXPECT_TRUE(Contains(page, R"x(<meta name="keywords" content="Type keywords  here (meta tags)">)x"));
    EXPECT_TRUE(
        Contains(page, R"x(<meta name="description" content=" Type information about your site (meta content)">)x"));
    EXPECT_TRUE(Contains(page, R"(<article class="section-a">Kw5 SiteFoundry</article>)"));
}

TEST(GeneratePageText, ReportsTheProgressValuesInOrder) {
    for (const char* pageWord : {"one", "three"}) {
        std::vector<int> values;
        const auto page = GeneratePageText(test::kShippedContent / "temp311.htx", UneditedPage(pageWord),
                                           [&](int value) { values.push_back(value); });
        ASSERT_TRUE(page.has_value());
        EXPECT_EQ(values, (std::vector<int>{10, 20, 30, 100, 10, 100, 0})) << pageWord;
    }
}

TEST(GeneratePageText, MissingTemplateIsAnErrorAccessingFile) {
    test::TempFolder site;
    std::vector<int> values;
    const auto page =
        GeneratePageText(site.path() / "temp311.htx", UneditedPage("one"), [&](int v) { values.push_back(v); });
    ASSERT_FALSE(page.has_value());
    EXPECT_EQ(page.error(), std::errc::no_such_file_or_directory);
    EXPECT_TRUE(values.empty());
}

TEST(GeneratePageText, TakesTemplateBytesThatAreNotUtf8AsWindows1252) {
    test::TempFolder site;
    site.Write("temp311.htx",
               "<p>Gr\xfc\xdf"
               "e %%title%%</p>");
    const auto page = GeneratePageText(site.path() / "temp311.htx", UneditedPage("one"));
    ASSERT_TRUE(page.has_value());
    EXPECT_EQ(*page, "<p>Grüße Home</p>\r\n");
}

// Every page is written as UTF-8, so a template that names another charset would have its
// accented letters shown as two characters each. Templates come from design packs: any
// casing, attribute order and quoting.
TEST(DeclareUtf8, RewritesEveryCharsetDeclarationAndAddsOneWhereNone) {
    struct Case {
        const char* name;
        std::string templateText;
        std::string page;
    };
    const Case cases[] = {
        {"bare charset", "<head><meta charset=windows-1252></head>", "<head><meta charset=utf-8></head>"},
        {"upper case, quoted", "<HEAD><META CHARSET=\"ISO-8859-1\"></HEAD>", "<HEAD><META CHARSET=\"utf-8\"></HEAD>"},
        {"self-closing, spaces round '='", "<meta charset = 'latin1' />", "<meta charset = 'utf-8' />"},
        {"http-equiv", R"(<meta http-equiv="Content-Type" content="text/html; charset=windows-1252">)",
         R"(<meta http-equiv="Content-Type" content="text/html; charset=utf-8">)"},
        {"content first, single quotes, bare http-equiv",
         "<meta content='text/html;CHARSET=iso-8859-1' HTTP-EQUIV=content-type>",
         "<meta content='text/html;CHARSET=utf-8' HTTP-EQUIV=content-type>"},
        {"quoted name inside content",
         R"(<meta http-equiv="content-type" content='text/html; charset="windows-1252"'>)",
         R"(<meta http-equiv="content-type" content='text/html; charset="utf-8"'>)"},
        {"both forms in one page",
         "<meta charset=latin1><meta http-equiv=Content-Type content=\"text/html; charset=latin1\">",
         "<meta charset=utf-8><meta http-equiv=Content-Type content=\"text/html; charset=utf-8\">"},
        {"a '>' in a quoted value", "<meta name=\"a>b\" charset=\"cp1252\">", "<meta name=\"a>b\" charset=\"utf-8\">"},
        {"none: one after <head>", "<html><head><title>T</title></head>",
         "<html><head><meta charset=\"utf-8\"><title>T</title></head>"},
        {"none: after a head with attributes", "<Head profile=\"x>y\">\r\n<title>T</title>",
         "<Head profile=\"x>y\"><meta charset=\"utf-8\">\r\n<title>T</title>"},
        {"none: <header> and <metadata> are other tags", "<head><header><metadata charset=latin1>",
         "<head><meta charset=\"utf-8\"><header><metadata charset=latin1>"},
        {"none: a charset without a value declares nothing", "<head><meta charset>",
         "<head><meta charset=\"utf-8\"><meta charset>"},
        {"none: charset only in a description", "<head><meta name=description content=\"charset=latin1\">",
         "<head><meta charset=\"utf-8\"><meta name=description content=\"charset=latin1\">"},
        {"already UTF-8", "<head><meta charset=\"UTF-8\">", "<head><meta charset=\"UTF-8\">"},
        {"already utf8 through http-equiv", "<head><meta http-equiv=content-type content=\"text/html; charset=utf8\">",
         "<head><meta http-equiv=content-type content=\"text/html; charset=utf8\">"},
        {"no head, no declaration", "<p>%%texta%%</p>", "<p>%%texta%%</p>"},
        {"a value left open runs to the end", "<head><meta charset=\"windows-1252",
         "<head><meta charset=\"utf-8\"><meta charset=\"windows-1252"},
        {"empty", "", ""},
    };
    for (const Case& c : cases) EXPECT_EQ(DeclareUtf8(c.templateText), c.page) << c.name;
}

TEST(GeneratePageText, AWindows1252TemplateDeclaresTheUtf8ItIsWrittenIn) {
    test::TempFolder site;
    site.Write("temp311.htx", "<html><head>\r\n<meta charset=windows-1252>\r\n<title>Caf\xe9</title>");
    const auto page = GeneratePageText(site.path() / "temp311.htx", UneditedPage("one"));
    ASSERT_TRUE(page.has_value());
    EXPECT_EQ(*page, "<html><head>\r\n<meta charset=utf-8>\r\n<title>Caf\u00e9</title>\r\n");
}

class PageFile : public testing::Test {
protected:
    std::vector<std::string> Entries(const fs::path& folder) {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(folder)) names.push_back(entry.path().filename().string());
        std::ranges::sort(names);
        return names;
    }
    test::TempFolder inst_;
    fs::path site_ = inst_.path() / "default";
};

TEST_F(PageFile, TemplateWithoutFinalLineEndGivesAFileEndingInTwoCrLf) {
    inst_.Write(site_ / "temp311.htx", "<html>\r\n<title>%%title%%</title>");
    const auto written = GenerateAndWrite(site_, UneditedPage("three"));
    ASSERT_TRUE(written.has_value()) << written.error().message();
    EXPECT_EQ(*written, site_ / "aboutus.html");
    EXPECT_EQ(test::TempFolder::Read(*written), "<html>\r\n<title>About us</title>\r\n\r\n");
}

TEST_F(PageFile, EmptyNameTwoWritesDotHtml) {
    inst_.Write(site_ / "temp311.htx", "%%2%%");
    PageInputs inputs = UneditedPage("two");
    inputs.names[store::Page::Two] = "";
    const auto written = GenerateAndWrite(site_, inputs);
    ASSERT_TRUE(written.has_value()) << written.error().message();
    EXPECT_EQ(*written, site_ / ".html");
    EXPECT_EQ(test::TempFolder::Read(*written), "\r\n\r\n");
}

TEST_F(PageFile, ReplacesAnOlderPageWithTheSameNameInAnotherCase) {
    inst_.Write(site_ / "temp311.htx", "new");
    inst_.Write(site_ / "News.html", "old");
    const auto written = GenerateAndWrite(site_, UneditedPage("two"));
    ASSERT_TRUE(written.has_value());
    EXPECT_EQ(Entries(site_), (std::vector<std::string>{"News.html", "temp311.htx"}));
    EXPECT_EQ(test::TempFolder::Read(site_ / "News.html"), "new\r\n\r\n");
}

TEST_F(PageFile, MissingTemplateWritesNothing) {
    fs::create_directories(site_);
    inst_.Write(site_ / "index.html", "the old page");
    const auto written = GenerateAndWrite(site_, UneditedPage("one"));
    ASSERT_FALSE(written.has_value());
    EXPECT_EQ(written.error(), std::errc::no_such_file_or_directory);
    EXPECT_EQ(Entries(site_), std::vector<std::string>{"index.html"});
    EXPECT_EQ(test::TempFolder::Read(site_ / "index.html"), "the old page");
}

TEST_F(PageFile, NameThatIsAPathIsRefusedAndNothingIsWrittenOutside) {
    inst_.Write(site_ / "temp311.htx", "x");
    for (const std::string& name :
         std::vector<std::string>{"../escape", "sub/page", "back\\slash", std::string("nul\0x", 5)}) {
        PageInputs inputs = UneditedPage("three");
        inputs.names[store::Page::Three] = name;
        const auto written = GenerateAndWrite(site_, inputs);
        ASSERT_FALSE(written.has_value()) << name;
        EXPECT_EQ(written.error(), GenerationErrc::pageNameUnusable);
    }
    EXPECT_EQ(Entries(inst_.path()), std::vector<std::string>{"default"});
    EXPECT_EQ(Entries(site_), std::vector<std::string>{"temp311.htx"});
}

TEST_F(PageFile, MissingSiteFolderIsAnUnwritablePage) {
    const auto path = PagePath(site_, store::Page::One, {});
    ASSERT_TRUE(path);
    EXPECT_EQ(*path, site_ / "index.html");
    const auto written = WritePageFile(*path, "x");
    ASSERT_FALSE(written.has_value());
    EXPECT_EQ(written.error(), std::errc::no_such_file_or_directory);
}

}  // namespace
}  // namespace pw
