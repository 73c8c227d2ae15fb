// `pagewright check`: its lines, its exit status and its usage errors.
#include "publisher/check_command.hpp"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "tests/sitecheck/site_fixture.hpp"

namespace pw::publisher {
namespace {

namespace fs = std::filesystem;

class CheckCommand : public ::testing::Test {
protected:
    int Run(const std::vector<std::string>& args) {
        out.str("");
        err.str("");
        return RunCheckCommand(inst.path(), args, out, err);
    }
    std::vector<std::string> OutLines() const {
        std::vector<std::string> lines;
        std::istringstream text(out.str());
        for (std::string line; std::getline(text, line);) lines.push_back(line);
        return lines;
    }

    test::TempFolder inst;
    fs::path site = test::SeedFirstStartSite(inst);
    std::ostringstream out, err;
};

TEST_F(CheckCommand, PrintsEachFindingOnALineAndExitsWithOne) {
    test::GenerateAll(inst);
    EXPECT_EQ(Run({}), kProblemsFound);
    const auto lines = OutLines();
    const auto findings = CheckSite(site);
    ASSERT_TRUE(findings.has_value());
    ASSERT_EQ(lines.size(), 15u);
    for (std::size_t i = 0; i < lines.size(); ++i) EXPECT_EQ(lines[i], FindingLine((*findings)[i]));
    EXPECT_TRUE(lines[0].starts_with("index.html: the page title is still the sample text")) << lines[0];
    EXPECT_TRUE(lines[14].starts_with("aboutus.html: section B still holds")) << lines[14];
    EXPECT_EQ(err.str(), "");
}

TEST_F(CheckCommand, CleanSiteSaysSoAndExitsWithZero) {
    const fs::path shop = test::SeedFirstStartSite(inst, "Shop");
    test::FillInTexts(shop);
    test::GenerateAll(inst, "Shop");
    EXPECT_EQ(Run({"--site=shop"}), kNoProblems);
    EXPECT_EQ(out.str(), "No problems found.\n");
    EXPECT_EQ(err.str(), "");
}

TEST_F(CheckCommand, HelpExplainsTheCommand) {
    EXPECT_EQ(Run({"--help"}), kNoProblems);
    EXPECT_TRUE(out.str().starts_with("Usage: pagewright check [--site NAME]\n")) << out.str();
    EXPECT_NE(out.str().find("Exit status: 0 no problems found, 1 problems found, 2 usage error or no such site."),
              std::string::npos);
}

TEST_F(CheckCommand, UsageErrorsAndMissingSitesExitWithTwo) {
    struct Case {
        std::vector<std::string> args;
        std::string message;
        bool usage;  // the usage text follows
    };
    const Case cases[] = {
        {{"--bogus"}, "unknown option '--bogus'", true},
        {{"default"}, "unknown option 'default'", true},
        {{"--site"}, "--site needs a value", true},
        {{"--site", "../default"}, "--site takes a site folder name, not a path", true},
        {{"--site", "nosuchsite"}, "there is no site \"nosuchsite\" in " + inst.path().string(), false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Run(c.args), kCheckUsageError) << c.message;
        EXPECT_TRUE(err.str().starts_with("pagewright check: " + c.message + "\n")) << err.str();
        EXPECT_EQ(err.str().find("Usage: pagewright check") != std::string::npos, c.usage) << err.str();
        EXPECT_EQ(out.str(), "");
    }
}

}  // namespace
}  // namespace pw::publisher
