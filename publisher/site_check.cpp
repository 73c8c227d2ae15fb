#include "publisher/site_check.hpp"

#include <algorithm>
#include <array>
#include <iterator>
#include <map>
#include <optional>
#include <set>
#include <string_view>
#include <tuple>
#include <utility>

#include "builder/generation.hpp"
#include "builder/store/site_files.hpp"
#include "builder/written_pages.hpp"
#include "publisher/local_files.hpp"
#include "publisher/page_scan.hpp"
#include "publisher/publish_state.hpp"
#include "shell/general/files.hpp"
#include "shell/general/text.hpp"
#include "shell/general/text_encoding.hpp"

namespace pw::publisher {
namespace {

namespace fs = std::filesystem;
using store::Page;

constexpr std::string_view kRegenerate = "then click \"Save or preview site\"";
constexpr std::array<std::string_view, 10> kPictureExtensions = {"gif",  "jpg", "jpeg", "png", "bmp",
                                                                 "webp", "svg", "ico",  "tif", "tiff"};

std::string Quoted(std::string_view text) { return "\"" + std::string(text) + "\""; }

std::string LowerExtension(std::string_view name) { return LowerUtf8(FileExtension(name)); }

bool IsPictureName(std::string_view name) {
    return std::ranges::find(kPictureExtensions, LowerExtension(name)) != kPictureExtensions.end();
}

bool IsPageName(std::string_view name) {
    const std::string extension = LowerExtension(name);
    return extension == "html" || extension == "htm";
}

// "page Two ("News")": how the builder's user knows the page.
std::string PageLabel(Page page, const store::PageNames& names) {
    return "page " + std::string(store::CaptionOf(page)) + " (" + Quoted(names[page]) + ")";
}

// "open page Two in the builder": where the page's content is changed.
std::string InBuilder(Page page) { return "open page " + std::string(store::CaptionOf(page)) + " in the builder"; }

std::optional<fs::file_time_type> ModifiedAt(const fs::path& path) {
    std::error_code error;
    const auto time = fs::last_write_time(path, error);
    if (error) return std::nullopt;
    return time;
}

// What one reference of a page finds in the site folder.
struct Resolved {
    bool found = false;
    std::string actual;  // the path as the folder spells it, names joined with '/'
    bool isFolder = false;
};

// Follows `segments` from `folder`, each name exactly when it exists and otherwise in
// another letter case, as a host that ignores case would.
Resolved Resolve(const fs::path& folder, const std::vector<std::string>& segments) {
    Resolved resolved;
    fs::path path = folder;
    for (const std::string& segment : segments) {
        if (segment.find_first_of(std::string_view("/\0", 2)) != std::string::npos) return resolved;
        std::error_code error;
        std::string name = segment;
        if (!fs::exists(path / name, error)) {
            const auto match = FindIgnoringCase(path, segment);
            if (!match || !*match) return resolved;
            name = **match;
        }
        path /= name;
        if (!resolved.actual.empty()) resolved.actual += '/';
        resolved.actual += name;
    }
    std::error_code error;
    resolved.found = true;
    resolved.isFolder = fs::is_directory(path, error);
    return resolved;
}

// The last name of a reference as written, for telling the user what to call it.
std::string BareName(std::string_view value) {
    std::string path(value.substr(0, std::min(value.find_first_of("?#"), value.size())));
    std::ranges::replace(path, '\\', '/');
    while (path.ends_with('/')) path.pop_back();
    return path.substr(path.find_last_of('/') + 1);
}

std::string MegabytesText(std::uintmax_t bytes) {
    // Rounded up to a tenth, so a picture just over the limit never reads "1.0 MB".
    const std::uintmax_t tenths = (bytes * 10 + kLargePictureBytes - 1) / kLargePictureBytes;
    return std::to_string(tenths / 10) + "." + std::to_string(tenths % 10) + " MB";
}

// What the whole site shares: the folder, what "Upload ALL Files" sends, the design, the
// page names, and which pictures the pages show.
class SiteCheck {
public:
    SiteCheck(fs::path folder, std::vector<std::string> sent) : folder_(std::move(folder)) {
        sent_.insert(sent.begin(), sent.end());
        for (const std::string& name : sent) {
            if (IsPictureName(name)) pictures_[name];
        }
        if (auto names = store::LoadPageNames(folder_)) names_ = std::move(*names);
        if (const auto design = ReadWholeFile(ResolveInFolder(folder_, store::kTemplateFile))) {
            design_ = LowerUtf8(DecodeLenient(*design));
        }
        for (const Page page : store::kPages) {
            const auto path = PagePath(folder_, page, names_);
            std::error_code error;
            if (path && !fs::exists(*path, error)) unmadePages_.insert(PageFileName(page, names_));
        }
    }

    std::vector<Finding> Run() {
        std::vector<Finding> findings;
        for (const Page page : store::kPages) {
            std::vector<Finding> ofPage = CheckPage(page);
            std::ranges::stable_sort(ofPage, {}, &Finding::kind);
            std::ranges::move(ofPage, std::back_inserter(findings));
        }
        CheckPictureSizes(findings);
        CheckStalePages(findings);
        CheckStaleOnHosts(findings);
        return findings;
    }

private:
    // The findings of one page, collected in page order; the same thing once.
    class PageFindings {
    public:
        explicit PageFindings(std::string file) : file_(std::move(file)) {}
        const std::string& file() const { return file_; }
        void Add(FindingKind kind, std::string subject, std::string problem, std::string remedy) {
            if (!seen_.emplace(kind, subject).second) return;
            findings_.push_back({file_, kind, std::move(subject), std::move(problem), std::move(remedy)});
        }
        void AddFor(std::string file, FindingKind kind, std::string subject, std::string problem, std::string remedy) {
            findings_.push_back({std::move(file), kind, std::move(subject), std::move(problem), std::move(remedy)});
        }
        std::vector<Finding> Take() { return std::move(findings_); }

    private:
        std::string file_;
        std::set<std::pair<FindingKind, std::string>> seen_;
        std::vector<Finding> findings_;
    };

    // True when the design has `placeholder`, so what fills it reaches the pages. Without a
    // readable design every text is taken to be used.
    bool DesignUses(std::string_view placeholder) const {
        return !design_ || design_->find(placeholder) != std::string::npos;
    }

    std::vector<Finding> CheckPage(Page page) {
        const StoredPage stored = LoadStoredPage(folder_, page);
        const auto path = PagePath(folder_, page, names_);
        // The page as the folder spells it, so that every line names a file the user can find.
        PageFindings findings(path ? path->filename().string() : PageFileName(page, names_));
        bool fieldsRead = true;
        for (const UnreadFile& unread : stored.unread) {
            if (unread.cause == std::errc::no_such_file_or_directory) continue;
            if (unread.path == ResolveInFolder(folder_, store::FilesOf(page).fields)) fieldsRead = false;
            findings.AddFor(unread.path.filename().string(), FindingKind::UnreadableFile, "",
                            "could not be read (" + unread.cause.message() + "), so the texts of " +
                                PageLabel(page, names_) + " were not checked",
                            "make sure the file can be read, then check again");
        }
        // Fields that could not be read stand at their built-in texts, which the user did not leave there.
        if (fieldsRead) CheckSampleTexts(page, stored.inputs, findings);
        CheckSampleSections(page, stored.inputs, findings);

        std::error_code error;
        if (!path) {
            findings.Add(
                FindingKind::PageNotMade, "",
                "the name of " + PageLabel(page, names_) + " cannot be a file name, so the page cannot be made",
                "give the page a name without \"/\" or \"\\\" in \"Name Pages\"");
        } else if (!fs::exists(*path, error)) {
            findings.Add(FindingKind::PageNotMade, "",
                         PageLabel(page, names_) + " has never been made, so the site has no such page yet",
                         InBuilder(page) + " and click \"Save or preview site\"");
        } else if (const auto bytes = ReadWholeFile(*path); !bytes) {
            findings.Add(FindingKind::UnreadableFile, "",
                         "the page could not be read (" + bytes.error().message() + ")",
                         "make sure the file can be read, then check again");
        } else {
            CheckFreshness(page, *path, findings);
            CheckPageText(page, DecodeLenient(*bytes), findings);
        }
        return findings.Take();
    }

    void CheckSampleTexts(Page page, const PageInputs& inputs, PageFindings& findings) const {
        struct MetaText {
            std::string_view field;
            std::string_view placeholder;
            const std::string& text;
            std::string_view what;
        };
        const std::array<MetaText, 3> metaTexts = {{
            {"Text2", "%%titlez%%", inputs.title, "the page title is"},
            {"Text100", "%%content%%", inputs.description, "the page description for search engines is"},
            {"Text24", "%%keyword%%", inputs.keywords, "the keywords for search engines are"},
        }};
        for (const MetaText& meta : metaTexts) {
            const std::string_view builtIn = store::BuiltInText(meta.field);
            if (!DesignUses(meta.placeholder) || Trimmed(meta.text, " \t\r\n") != Trimmed(builtIn, " \t\r\n")) continue;
            findings.Add(
                FindingKind::SampleText, std::string(meta.field),
                std::string(meta.what) + " still the sample text " + Quoted(builtIn),
                InBuilder(page) + ", click \"Edit Meta Tag Text\", type your own, " + std::string(kRegenerate));
        }
    }

    void CheckSampleSections(Page page, const PageInputs& inputs, PageFindings& findings) const {
        const std::array<std::tuple<std::string_view, std::string_view, const std::string&>, 2> sections = {{
            {"A", "%%texta%%", inputs.sectionA},
            {"B", "%%textb%%", inputs.sectionB},
        }};
        const std::string seed = LowerUtf8(store::kSeedSectionText);
        for (const auto& [name, placeholder, text] : sections) {
            if (!DesignUses(placeholder) || LowerUtf8(text).find(seed) == std::string::npos) continue;
            findings.Add(
                FindingKind::SampleSection, std::string(name),
                "section " + std::string(name) + " still holds the sample text " + Quoted(store::kSeedSectionText),
                InBuilder(page) + ", click section " + std::string(name) + ", write your own text, " +
                    std::string(kRegenerate));
        }
    }

    // A page older than what it is made from is not what the host should get.
    void CheckFreshness(Page page, const fs::path& pagePath, PageFindings& findings) const {
        const auto made = ModifiedAt(pagePath);
        if (!made) return;
        const auto newer = [&](std::initializer_list<std::string_view> names) {
            return std::ranges::any_of(names, [&](std::string_view name) {
                const auto changed = ModifiedAt(ResolveInFolder(folder_, name));
                return changed && *changed > *made;
            });
        };
        const store::PageFiles files = store::FilesOf(page);
        std::string cause;
        if (newer({files.fields, files.sectionA, files.sectionB})) {
            cause = "the texts of " + PageLabel(page, names_) + " were changed";
        } else if (newer({store::kPageNamesFile})) {
            cause = "the page names were changed";
        } else if (newer({store::kTemplateFile})) {
            cause = "a new design was installed";
        } else {
            return;
        }
        findings.Add(FindingKind::PageOutdated, "",
                     cause + " after this page was made, so the web host would get the old page",
                     InBuilder(page) + " and click \"Save or preview site\"");
    }

    void CheckPageText(Page page, const std::string& html, PageFindings& findings) {
        for (const std::string& placeholder : FindPlaceholders(html)) {
            findings.Add(FindingKind::PlaceholderLeft, placeholder,
                         Quoted(placeholder) + " would show on the page as it is, since nothing fills it in",
                         "take it out of the page's texts (or the design), then " + InBuilder(page) +
                             " and click \"Save or preview site\"");
        }
        for (const PageReference& reference : FindReferences(html)) {
            const ReferenceTarget target = LocateTarget(reference.value);
            if (target.place == TargetPlace::Elsewhere) continue;
            const std::string noun = Noun(reference);
            const std::string what = "the " + noun + " " + Quoted(reference.value);
            if (target.place == TargetPlace::OutsideSite) {
                const std::string bare = BareName(reference.value);
                findings.Add(FindingKind::OutsideSite, reference.value,
                             what + " lies outside your site folder, so it would not be on the web host",
                             "copy it into the site folder" +
                                 (bare.empty() ? std::string() : " and write just " + Quoted(bare)) + " in the page");
                continue;
            }
            CheckSiteFile(reference, target.segments, what, findings);
        }
    }

    static std::string Noun(const PageReference& reference) {
        const std::string name = BareName(reference.value);
        if (IsPictureName(name)) return "picture";
        switch (reference.use) {
            case ReferenceUse::Script: return "script";
            case ReferenceUse::StyleSheet: return "style sheet";
            case ReferenceUse::Link: return IsPageName(name) ? "page" : "file";
            default: return "file";
        }
    }

    void CheckSiteFile(const PageReference& reference, const std::vector<std::string>& segments,
                       const std::string& what, PageFindings& findings) {
        const bool pageLink = reference.use == ReferenceUse::Link && IsPageName(segments.back());
        const Resolved resolved = Resolve(folder_, segments);
        if (!resolved.found) {
            if (!pageLink) {
                findings.Add(FindingKind::MissingFile, reference.value,
                             what + " is not in your site folder, so it would be missing on the web host",
                             IsPictureName(segments.back())
                                 ? "add it with the picture browser (\"Add It!\"), or take it out of the page"
                                 : "copy it into the site folder, or take it out of the page");
            } else if (segments.size() > 1 || !unmadePages_.contains(segments.front())) {
                // A page of the site that was never made has a finding of its own.
                findings.Add(FindingKind::MissingPage, reference.value,
                             "the link to " + Quoted(reference.value) + " leads to no page of your site",
                             "change the link, or put that page in the site folder");
            }
            return;
        }
        const std::string written = [&] {
            std::string joined;
            for (const std::string& segment : segments) joined += (joined.empty() ? "" : "/") + segment;
            return joined;
        }();
        if (resolved.actual != written) {
            findings.Add(FindingKind::OtherLetterCase, reference.value,
                         what + " is " + Quoted(resolved.actual) + " in your site folder; web hosts tell the two apart",
                         "rename the file or change the page");
        }
        if (segments.size() > 1) {
            findings.Add(FindingKind::NotSent, reference.value,
                         what +
                             " is in a folder of the site folder, and \"Upload ALL Files\" sends only the files of "
                             "the site folder itself, so it would be missing on the web host",
                         "move it into the site folder and write just " + Quoted(segments.back()) + " in the page");
        } else if (resolved.isFolder) {
            findings.Add(FindingKind::NotSent, reference.value,
                         what + " is a folder, and \"Upload ALL Files\" sends no folders",
                         "link to a page or file of the site folder instead");
        } else if (!sent_.contains(resolved.actual)) {
            findings.Add(FindingKind::NotSent, reference.value,
                         what +
                             " would not be sent by \"Upload ALL Files\", which sends only .gif, .html and .jpg "
                             "files, so it would be missing on the web host",
                         NotSentRemedy(resolved.actual));
        } else if (IsPictureName(resolved.actual)) {
            auto& pages = pictures_[resolved.actual];
            if (std::ranges::find(pages, findings.file()) == pages.end()) pages.push_back(findings.file());
        }
    }

    static std::string NotSentRemedy(const std::string& name) {
        const std::string extension = LowerExtension(name);
        const std::string stem = name.substr(0, name.size() - FileExtension(name).size());
        if (extension == "jpeg") return "rename it to " + Quoted(stem + "jpg") + " and change the page to match";
        if (extension == "htm") return "rename it to " + Quoted(stem + "html") + " and change the link to match";
        if (IsPictureName(name)) return "save it as a .gif or .jpg picture and change the page to match";
        return "send it with another FTP program, or take it out of the page";
    }

    void CheckPictureSizes(std::vector<Finding>& findings) const {
        for (const auto& [name, pages] : pictures_) {
            std::error_code error;
            const std::uintmax_t size = fs::file_size(folder_ / name, error);
            if (error || size <= kLargePictureBytes) continue;
            std::string shownOn;
            for (const std::string& page : pages) shownOn += (shownOn.empty() ? " (on " : ", ") + page;
            if (!shownOn.empty()) shownOn += ")";
            findings.push_back(
                {name, FindingKind::LargePicture, name,
                 "the picture is " + MegabytesText(size) + ", so pages showing it" + shownOn + " load slowly on phones",
                 "save a smaller copy (under 1 MB) under the same name"});
        }
    }

    // Files generation wrote for a page under a name it no longer has (the page was renamed
    // and not generated since, or the old file could not be removed).
    void CheckStalePages(std::vector<Finding>& findings) const {
        const auto written = WrittenPageFiles(folder_);
        std::set<std::string> current;
        for (const Page page : store::kPages) current.insert(PageFileName(page, names_));
        for (const auto& [page, file] : written) {
            std::error_code error;
            if (current.contains(file) || !fs::is_regular_file(folder_ / file, error)) continue;
            const std::string pageFile = PageFileName(page, names_);
            findings.push_back({file, FindingKind::StalePage, file,
                                "this is page " + std::string(store::CaptionOf(page)) +
                                    " under its earlier name, and it would be published with its old text",
                                "generate page " + std::string(store::CaptionOf(page)) + " again (as " +
                                    Quoted(pageFile) + "), which removes it"});
        }
    }

    void CheckStaleOnHosts(std::vector<Finding>& findings) const {
        for (const RecordedFile& file : RecordedFiles(folder_ / kPublishStateFileName)) {
            if (sent_.contains(file.name)) continue;
            findings.push_back({file.name, FindingKind::StaleOnHost, file.destination,
                                "it was sent to " + file.destination +
                                    " before and the site no longer has it, so it stays online there",
                                "remove it with \"pagewright publish --remove-stale\", or say Yes when the "
                                "publisher offers to after \"Upload ALL Files\""});
        }
    }

    fs::path folder_;
    std::set<std::string> sent_;
    store::PageNames names_;
    std::optional<std::string> design_;  // lower case
    std::set<std::string> unmadePages_;
    std::map<std::string, std::vector<std::string>> pictures_;  // what is sent or shown, with the pages showing it
};

}  // namespace

std::string FindingLine(const Finding& finding) {
    return finding.file + ": " + finding.problem + ": " + finding.remedy;
}

Result<std::vector<Finding>> CheckSite(const fs::path& siteFolder) {
    auto sent = PublishableFiles(siteFolder);
    if (!sent) return Fail(sent.error());
    return SiteCheck(siteFolder, std::move(*sent)).Run();
}

}  // namespace pw::publisher
