#include "builder/store/site_files.hpp"

#include <stdlib.h>

#include <algorithm>

#include "builder/store/rtf.hpp"
#include "shell/general/field_file.hpp"

namespace pw::store {
namespace {

// The longest name a folder entry can have, in bytes.
constexpr std::size_t kLongestFileName = 255;

// Holds the seed text like the sections; no window reads it.
constexpr std::string_view kFtpBetaFile = "ftpbeta.txt";

// The FTP settings will hold a password: readable by their owner only.
fs::perms PermsOf(std::string_view fieldFile) { return fieldFile == kFtpSettingsFile ? kOwnerOnly : kSharedReadable; }

std::unexpected<SeedFailure> FailAt(const fs::path& file, std::error_code reason) {
    return std::unexpected(SeedFailure{file, reason});
}

SeedResult CopyDesignFiles(const fs::path& folder, const fs::path& shippedFolder, const CopyCallbacks& copying) {
    for (const std::string_view name : kDesignFiles) {
        const fs::path source = ResolveInFolder(shippedFolder, name);
        std::error_code ec;
        if (!fs::exists(source, ec)) continue;
        if (auto copied = CopyFile(source, folder / name, copying); !copied) return FailAt(source, copied.error());
    }
    return {};
}

// ".<siteFolder>-" and mkdtemp's six characters.
std::string StagingPrefix(std::string_view siteFolder) { return "." + std::string(siteFolder) + "-"; }
constexpr std::size_t kStagingSuffixLength = 6;

void RemoveStaleStagingFolders(const fs::path& inst, std::string_view siteFolder) {
    const std::string prefix = StagingPrefix(siteFolder);
    std::error_code ec;
    for (fs::directory_iterator it(inst, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (name.starts_with(prefix) && name.size() == prefix.size() + kStagingSuffixLength) {
            std::error_code ignored;
            fs::remove_all(it->path(), ignored);
        }
    }
}

// The site's folder to be, readable by all like the site's files (mkdtemp makes it the
// owner's only).
Result<fs::path> MakeStagingFolder(const fs::path& inst, std::string_view siteFolder) {
    std::string pattern = (inst / (StagingPrefix(siteFolder) + std::string(kStagingSuffixLength, 'X'))).string();
    if (::mkdtemp(pattern.data()) == nullptr) return Fail(LastError());
    std::error_code ec;
    fs::permissions(pattern,
                    fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec | fs::perms::others_read |
                        fs::perms::others_exec,
                    ec);
    if (ec) return Fail(ec);
    return fs::path(pattern);
}

// A failure inside the staging folder named as the file would stand in the site.
SeedFailure AsInSite(SeedFailure failure, const fs::path& staging, const fs::path& site) {
    const fs::path relative = failure.file.lexically_relative(staging);
    if (!relative.empty() && *relative.begin() != "..") failure.file = site / relative;
    return failure;
}

}  // namespace

Page PageFromWord(std::string_view word) {
    if (word == "two") return Page::Two;
    if (word == "three") return Page::Three;
    return Page::One;
}

std::string_view WordOf(Page page) {
    static constexpr std::array<std::string_view, 3> words = {"one", "two", "three"};
    return words[IndexOf(page)];
}

std::string_view CaptionOf(Page page) {
    static constexpr std::array<std::string_view, 3> captions = {"One", "Two", "Three"};
    return captions[IndexOf(page)];
}

PageFiles FilesOf(Page page) {
    static constexpr std::array<PageFiles, 3> files = {{{"oneBox.txt", "rtemp1.txt", "rtemp31.txt"},
                                                        {"twoBox.txt", "rtemp2.txt", "rtemp32.txt"},
                                                        {"threeBox.txt", "rtemp3.txt", "rtemp33.txt"}}};
    return files[IndexOf(page)];
}

std::string_view BuiltInText(std::string_view name) {
    struct FieldText {
        std::string_view name;
        std::string_view text;
    };
    static constexpr std::array<FieldText, 5> fields = {{
        {"Text2", " Type your page title (meta title)"},
        {"Text26", ""},
        {"Text5", "Type footer here\r\n"},
        {"Text100", " Type information about your site (meta content)"},
        {"Text24", "Type keywords  here (meta tags)"},
    }};
    for (const FieldText& field : fields) {
        if (field.name == name) return field.text;
    }
    return {};
}

std::string_view PageNameFieldOf(Page page) {
    static constexpr std::array<std::string_view, 3> fields = {"page1", "Page2", "Page3"};
    return fields[IndexOf(page)];
}

std::optional<PageNameFault> PageNameFaultOf(Page page, std::string_view name) {
    if (page == Page::One) return std::nullopt;
    const std::size_t at = name.find_first_of(std::string_view("/\\\0", 3));
    if (at == std::string_view::npos) return std::nullopt;
    return PageNameFault{page, std::string(name), name[at]};
}

std::string PageNameFaultText(const PageNameFault& fault) {
    // A NUL would end the message where it stands: it is shown by its symbol.
    std::string shown = fault.name;
    for (std::size_t at = shown.find('\0'); at != std::string::npos; at = shown.find('\0', at))
        shown.replace(at, 1, "\u2400");
    const std::string character = fault.character == '\0' ? "NUL" : "\"" + std::string(1, fault.character) + "\"";
    return "The name of page " + std::string(WordOf(fault.page)) + ", \"" + shown +
           "\", cannot be the name of its file: it holds the character " + character +
           ".\n\nChoose a name without it; until then \"Save or preview site\" writes no file for this page.";
}

fs::path SiteFilePath(const fs::path& inst, std::string_view siteFolder, std::string_view fileName) {
    return ResolveInFolder(ResolveInFolder(inst, siteFolder), fileName);
}

Result<void> SaveSection(const fs::path& path, std::string_view text) {
    return SaveFileAtomically(path, WriteRtf(text));
}

Result<std::string> LoadSection(const fs::path& path) {
    auto bytes = ReadWholeFile(path);
    if (!bytes) return Fail(bytes.error());
    return RtfPlainText(*bytes);
}

Result<fs::path> WriteHandOver(const fs::path& siteFolderPath, std::string_view text) {
    std::string bytes(text);
    bytes += "\r\n";
    const fs::path path = ResolveInFolder(siteFolderPath, kHandOverFile);
    if (auto saved = SaveFileAtomically(path, bytes); !saved) return Fail(saved.error());
    return path;
}

Result<void> DeleteHandOver(const fs::path& siteFolderPath) {
    std::error_code error;
    fs::remove(ResolveInFolder(siteFolderPath, kHandOverFile), error);  // absent is fine: returns false, no error
    if (error) return Fail(error);
    return {};
}

Result<PageNames> LoadPageNames(const fs::path& siteFolderPath) {
    PageNames names;
    const auto bytes = ReadWholeFile(ResolveInFolder(siteFolderPath, kPageNamesFile));
    if (!bytes) {
        if (bytes.error() == std::errc::no_such_file_or_directory) return names;
        return Fail(bytes.error());
    }
    for (const FieldRecord& record : ParseFieldRecords(*bytes)) {
        for (const Page page : kPages) {
            if (record.name == PageNameFieldOf(page)) names[page] = record.text;
        }
    }
    return names;
}

SeedResult FillNewSite(const fs::path& folder, const fs::path& shippedFolder, const CopyCallbacks& copying) {
    // Each field file holds one record for a field no window has, so every window keeps its
    // built-in texts until its first save.
    const std::string emptyRecord = FormatFieldRecord("", "Text1");
    const auto failedAt = [&](std::string_view name, const Result<void>& saved) -> SeedResult {
        if (!saved) return FailAt(folder / name, saved.error());
        return {};
    };
    const auto seedFields = [&](std::string_view name) {
        return failedAt(name, SaveFileAtomically(folder / name, emptyRecord, PermsOf(name)));
    };
    const auto seedSection = [&](std::string_view name) {
        return failedAt(name, SaveSection(folder / name, kSeedSectionText));
    };
    for (const Page page : kPages) {
        const PageFiles files = FilesOf(page);
        if (auto saved = seedFields(files.fields); !saved) return saved;
        if (auto saved = seedSection(files.sectionA); !saved) return saved;
        if (auto saved = seedSection(files.sectionB); !saved) return saved;
    }
    for (const std::string_view name : {kPageNamesFile, kFtpSettingsFile}) {
        if (auto saved = seedFields(name); !saved) return saved;
    }
    if (auto saved = seedSection(kFtpBetaFile); !saved) return saved;
    return CopyDesignFiles(folder, shippedFolder, copying);
}

std::optional<std::string> NewSiteNameProblem(const fs::path& inst, std::string_view name) {
    if (name.empty()) return "Please type a name for the new site.";
    const bool holdsControl = std::ranges::any_of(name, [](char c) { return static_cast<unsigned char>(c) < 0x20; });
    if (name == "." || name == ".." || name.find_first_of("/\\") != std::string_view::npos || holdsControl)
        return "A site's name is the name of its folder, so it cannot hold / or \\ or be \".\" or \"..\". "
               "Please choose another name.";
    if (name.front() == '.') return "A site's name cannot begin with a dot: its folder would be hidden.";
    if (name.size() + kSiteMarkerExtension.size() > kLongestFileName)
        return "That name is too long for a folder. Please choose a shorter one.";
    const std::string marker = std::string(name) + std::string(kSiteMarkerExtension);
    std::error_code ec;
    // Names are found without regard to case, so "corner cafe" would open "Corner Cafe".
    if (fs::exists(ResolveInFolder(inst, name), ec) || fs::exists(ResolveInFolder(inst, marker), ec))
        return "There is already a site or a file called \"" + std::string(name) +
               "\" beside the program. Please choose another name.";
    return std::nullopt;
}

SeedResult PrepareSite(const fs::path& inst, std::string_view siteFolder, std::string_view markerName,
                       const CopyCallbacks& copying) {
    std::error_code ec;
    if (fs::exists(ResolveInFolder(inst, siteFolder), ec)) return {};
    RemoveStaleStagingFolders(inst, siteFolder);
    const auto staging = MakeStagingFolder(inst, siteFolder);
    if (!staging) return FailAt(inst, staging.error());
    // The marker comes before the rename: once the site folder is there, no start prepares
    // it again, so a marker that failed after it would leave the site unlisted for good.
    const fs::path site = inst / siteFolder;
    const fs::path marker = inst / (std::string(markerName) + std::string(kSiteMarkerExtension));
    SeedResult prepared = FillNewSite(*staging, inst, copying);
    if (!prepared) {
        prepared = std::unexpected(AsInSite(std::move(prepared.error()), *staging, site));
    } else if (auto saved = SaveSection(marker, kSeedSectionText); !saved) {
        prepared = FailAt(marker, saved.error());
    } else {
        fs::rename(*staging, site, ec);
        if (ec) {
            prepared = FailAt(site, ec);
            fs::remove(marker, ec);
        }
    }
    if (!prepared) fs::remove_all(*staging, ec);
    return prepared;
}

SeedResult PrepareDefaultSite(const fs::path& inst, const CopyCallbacks& copying) {
    return PrepareSite(inst, kDefaultSite, "Default", copying);
}

}  // namespace pw::store
