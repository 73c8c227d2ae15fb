#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "editor/spell/hunspell_checker.hpp"
#include "tests/editor/spell_fixture.hpp"

namespace pw::spell {
namespace {

namespace fs = std::filesystem;

TEST(LanguageOfLocale, KeepsLanguageAndCountryOnly) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"de_DE.UTF-8", "de_DE"},
        {"de_DE.UTF-8@euro", "de_DE"},
        {"fr_CA", "fr_CA"},
        {"sr_RS@latin", "sr_RS"},
        {"pt", "pt"},
        {"C.UTF-8", ""},
        {"POSIX", ""},
        {"", ""},
    };
    for (const auto& [locale, language] : cases) EXPECT_EQ(LanguageOfLocale(locale), language) << locale;
}

TEST(DesktopLanguage, TakesTheFirstOfLcAllLcMessagesAndLang) {
    const auto saved = [](const char* name) {
        const char* v = std::getenv(name);
        return v ? std::optional<std::string>(v) : std::nullopt;
    };
    const std::map<std::string, std::optional<std::string>> before = {
        {"LC_ALL", saved("LC_ALL")}, {"LC_MESSAGES", saved("LC_MESSAGES")}, {"LANG", saved("LANG")}};

    ::setenv("LANG", "fr_FR.UTF-8", 1);
    ::setenv("LC_MESSAGES", "", 1);
    ::unsetenv("LC_ALL");
    EXPECT_EQ(DesktopLanguage(), "fr_FR");
    ::setenv("LC_MESSAGES", "de_AT.UTF-8", 1);
    EXPECT_EQ(DesktopLanguage(), "de_AT");
    ::setenv("LC_ALL", "C", 1);
    EXPECT_EQ(DesktopLanguage(), "");

    for (const auto& [name, value] : before) {
        if (value)
            ::setenv(name.c_str(), value->c_str(), 1);
        else
            ::unsetenv(name.c_str());
    }
}

TEST(FindDictionary, PrefersTheDesktopsLanguageThenEnglish) {
    pw::test::TempFolder root;
    const fs::path hunspell = root.path() / "hunspell", myspell = root.path() / "myspell";
    for (const auto& [folder, language] : std::vector<std::pair<fs::path, std::string>>{
             {hunspell, "en_US"}, {hunspell, "de_CH"}, {hunspell, "de_DE"}, {myspell, "pt_BR"}, {myspell, "nl"}}) {
        root.Write(folder / (language + ".aff"), "SET UTF-8\n");
        root.Write(folder / (language + ".dic"), "0\n");
    }
    root.Write(hunspell / "fr_FR.dic", "0\n");  // no affix file: not a dictionary
    const std::vector<fs::path> folders = {hunspell, myspell};

    const std::vector<std::pair<std::string, std::string>> cases = {
        {"de_CH", "de_CH"}, {"de_AT", "de_DE"}, {"de", "de_DE"}, {"pt_PT", "pt_BR"},
        {"nl_BE", "nl"},    {"fr_FR", "en_US"}, {"", "en_US"},
    };
    for (const auto& [language, found] : cases) {
        const auto files = FindDictionary(language, folders);
        ASSERT_TRUE(files) << language;
        EXPECT_EQ(files->language, found) << language;
        EXPECT_TRUE(fs::exists(files->affix) && fs::exists(files->words)) << language;
    }
    EXPECT_FALSE(FindDictionary("fr_FR", {myspell}));
    EXPECT_FALSE(
        HunspellChecker::Open({hunspell / "fr_FR.aff", hunspell / "fr_FR.dic", "fr_FR"}, root.path() / "KW5.dct"));
}

using UserDictionary = test::EnglishChecker;

TEST_F(UserDictionary, WordsOfAnOlderFileAreAcceptedAndKeptWhenAWordIsAdded) {
    // Written elsewhere: a byte order mark, CR LF, blanks, a duplicate, Windows-1252 "Zoë".
    folder_.Write(userDictionary(), "\xEF\xBB\xBFPagewright\r\n  Sitewell \r\n\r\nPagewright\r\n");
    HunspellChecker checker = Open();
    EXPECT_TRUE(checker.IsCorrect("Pagewright"));
    EXPECT_TRUE(checker.IsCorrect("Sitewell"));
    EXPECT_FALSE(checker.IsCorrect("Wrnogword"));

    ASSERT_TRUE(checker.Add("Wrnogword"));
    EXPECT_EQ(pw::test::TempFolder::Read(userDictionary()), "Pagewright\nSitewell\nWrnogword\n");

    folder_.Write(userDictionary(), "Zo\xEB\n");
    EXPECT_TRUE(Open().IsCorrect("Zoë"));
}

TEST_F(UserDictionary, ThatCannotBeReadKeepsTheCheckerFromOpening) {
    fs::create_directory(userDictionary());  // reading it fails, and adding would replace it
    const auto checker = HunspellChecker::Open(test::AmericanEnglish(), userDictionary());
    ASSERT_FALSE(checker);
    EXPECT_EQ(checker.error(), std::errc::is_a_directory);
}

TEST_F(UserDictionary, RefusesAWordThatWouldSpanLines) {
    HunspellChecker checker = Open();
    EXPECT_EQ(checker.Add("two\nwords").error(), std::errc::invalid_argument);
    EXPECT_FALSE(fs::exists(userDictionary()));
}

// A dictionary in ISO 8859-1, as older dictionaries declare with SET.
TEST(HunspellChecker, SpeaksUtf8WithADictionaryInAnotherCharacterSet) {
    pw::test::TempFolder folder;
    const DictionaryFiles files{folder.Write("xx_XX.aff", "SET ISO8859-1\nTRY esianrtolcdugmphbyfvkwz\n"),
                                folder.Write("xx_XX.dic", "3\ncaf\xE9\nna\xEFve\nhouse\n"), "xx_XX"};
    auto checker = HunspellChecker::Open(files, folder.path() / "KW5.dct");
    ASSERT_TRUE(checker) << checker.error().message();
    EXPECT_TRUE(checker->IsCorrect("café"));
    EXPECT_TRUE(checker->IsCorrect("naïve"));
    EXPECT_FALSE(checker->IsCorrect("cafe"));
    EXPECT_FALSE(checker->IsCorrect("日本"));  // no form in ISO 8859-1: not in the dictionary
    const auto suggestions = checker->Suggestions("cafe");
    EXPECT_NE(std::ranges::find(suggestions, "café"), suggestions.end());

    ASSERT_TRUE(checker->Add("Zoë"));
    ASSERT_TRUE(checker->Add("日本"));
    EXPECT_TRUE(checker->IsCorrect("Zoë"));
    EXPECT_TRUE(checker->IsCorrect("日本"));
    EXPECT_EQ(pw::test::TempFolder::Read(folder.path() / "KW5.dct"), "Zoë\n日本\n");  // UTF-8 whatever the dictionary
}

}  // namespace
}  // namespace pw::spell
