#pragma once
// Sites for the site check: a first-start site with the shipped design, its texts filled
// in as a user would, its pages generated, and shorthand for the findings.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "builder/generate_command.hpp"
#include "builder/store/site_files.hpp"
#include "publisher/site_check.hpp"
#include "shell/general/field_file.hpp"
#include "tests/generation/seeded_site.hpp"
#include "tests/temp_folder.hpp"

namespace pw::test {

namespace fs = std::filesystem;

// Gives every page of `site` its own title, description, keywords and both sections.
inline void FillInTexts(const fs::path& site) {
    for (const store::Page page : store::kPages) {
        const std::string word(store::WordOf(page));
        const store::PageFiles files = store::FilesOf(page);
        const std::string fields = FormatFieldRecord("Bakery " + word, "Text2") + FormatFieldRecord("", "Text26") +
                                   FormatFieldRecord("", "Text5") +
                                   FormatFieldRecord("Fresh bread every morning", "Text100") +
                                   FormatFieldRecord("bread, cakes", "Text24");
        ASSERT_TRUE(SaveFileAtomically(site / files.fields, fields).has_value());
        ASSERT_TRUE(store::SaveSection(site / files.sectionA, "<p>Welcome to page " + word + "</p>").has_value());
        ASSERT_TRUE(store::SaveSection(site / files.sectionB, "<p>Open daily from 7</p>").has_value());
    }
}

// `pagewright generate` for every page of `site` in `inst`.
inline void GenerateAll(const TempFolder& inst, const std::string& site = "default") {
    std::ostringstream out, err;
    ASSERT_EQ(RunGenerateCommand(inst.path(), std::vector<std::string>{"--site", site}, out, err), 0) << err.str();
}

// Sets the time `file` was last written to `seconds` after `reference` was.
inline void WrittenAfter(const fs::path& file, const fs::path& reference, int seconds = 5) {
    fs::last_write_time(file, fs::last_write_time(reference) + std::chrono::seconds(seconds));
}

inline std::string KindName(publisher::FindingKind kind) {
    using K = publisher::FindingKind;
    switch (kind) {
        case K::PageNotMade: return "PageNotMade";
        case K::PageOutdated: return "PageOutdated";
        case K::UnreadableFile: return "UnreadableFile";
        case K::SampleText: return "SampleText";
        case K::SampleSection: return "SampleSection";
        case K::PlaceholderLeft: return "PlaceholderLeft";
        case K::MissingFile: return "MissingFile";
        case K::OtherLetterCase: return "OtherLetterCase";
        case K::NotSent: return "NotSent";
        case K::OutsideSite: return "OutsideSite";
        case K::MissingPage: return "MissingPage";
        case K::LargePicture: return "LargePicture";
        case K::StalePage: return "StalePage";
        case K::StaleOnHost: return "StaleOnHost";
    }
    return "?";
}

// Each finding as "file kind subject", for comparing whole lists at a glance.
inline std::vector<std::string> Summaries(const std::vector<publisher::Finding>& findings) {
    std::vector<std::string> summaries;
    for (const auto& finding : findings) {
        summaries.push_back(finding.file + " " + KindName(finding.kind) +
                            (finding.subject.empty() ? "" : " " + finding.subject));
    }
    return summaries;
}

// The findings of a site first started with the shipped design and generated untouched:
// on every page the three meta texts and both sections still hold their sample texts.
inline std::vector<std::string> SampleTextSummaries() {
    std::vector<std::string> expected;
    for (const std::string page : {"index.html", "news.html", "aboutus.html"}) {
        for (const std::string subject :
             {"SampleText Text2", "SampleText Text100", "SampleText Text24", "SampleSection A", "SampleSection B"}) {
            expected.push_back(page + " " + subject);
        }
    }
    return expected;
}

}  // namespace pw::test
