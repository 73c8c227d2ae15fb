#include "shell/designs/design_copies.hpp"

#include <algorithm>
#include <ctime>

#include "builder/store/site_files.hpp"
#include "publisher/page_scan.hpp"
#include "shell/general/files.hpp"

namespace pw::designs {
namespace {

// A copy being made: never listed, removed when the next copy is kept.
constexpr std::string_view kPartialSuffix = ".partial";

std::string TimeName(std::chrono::system_clock::time_point now) {
    const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
    std::tm utc{};
    ::gmtime_r(&seconds, &utc);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%d %H%M%SZ", &utc);
    return text;
}

// The complete copies, oldest first: their names sort as their times do.
std::vector<fs::path> Copies(const fs::path& siteFolder) {
    std::vector<fs::path> copies;
    std::error_code ec;
    for (fs::directory_iterator it(siteFolder / kCopiesFolder, ec), end; !ec && it != end; it.increment(ec)) {
        std::error_code ignored;
        if (it->is_directory(ignored) && !it->path().filename().string().ends_with(kPartialSuffix))
            copies.push_back(it->path());
    }
    std::ranges::sort(copies);
    return copies;
}

// Copies that failed half way and the oldest beyond the kept number.
void RemoveOldCopies(const fs::path& siteFolder) {
    std::error_code ec;
    for (fs::directory_iterator it(siteFolder / kCopiesFolder, ec), end; !ec && it != end; it.increment(ec)) {
        std::error_code ignored;
        if (it->path().filename().string().ends_with(kPartialSuffix)) fs::remove_all(it->path(), ignored);
    }
    const std::vector<fs::path> copies = Copies(siteFolder);
    for (std::size_t i = 0; i + kKeptCopies < copies.size(); ++i) fs::remove_all(copies[i], ec);
}

// `name`, or `name-2`, `name-3`... the first that no entry of `folder` has.
fs::path FreeName(const fs::path& folder, const std::string& name) {
    std::error_code ec;
    fs::path candidate = folder / name;
    for (int n = 2; fs::exists(candidate, ec) || fs::exists(candidate.string() + std::string(kPartialSuffix), ec); ++n)
        candidate = folder / (name + "-" + std::to_string(n));
    return candidate;
}

Result<void> CopyInto(const fs::path& from, const fs::path& to) {
    auto bytes = ReadWholeFile(from);
    if (!bytes) return Fail(bytes.error());
    return SaveFileAtomically(to, *bytes);
}

}  // namespace

std::vector<std::string> DesignFilesOf(const fs::path& siteFolder) {
    std::vector<std::string> names;
    const auto add = [&](std::string_view name) {
        const fs::path file = ResolveInFolder(siteFolder, name);
        std::error_code ec;
        const std::string found = file.filename().string();
        if (fs::is_regular_file(file, ec) && std::ranges::find(names, found) == names.end()) names.push_back(found);
    };
    add(store::kTemplateFile);
    add(store::kLayoutPictureFile);
    const auto page = ReadWholeFile(ResolveInFolder(siteFolder, store::kTemplateFile));
    if (!page) return names;
    for (const publisher::PageReference& reference : publisher::FindReferences(*page)) {
        if (reference.use != publisher::ReferenceUse::Picture) continue;
        const publisher::ReferenceTarget target = publisher::LocateTarget(reference.value);
        if (target.place == publisher::TargetPlace::SiteFile && target.segments.size() == 1) add(target.segments[0]);
    }
    return names;
}

Result<fs::path> KeepCopy(const fs::path& siteFolder, std::chrono::system_clock::time_point now) {
    const std::vector<std::string> files = DesignFilesOf(siteFolder);
    if (files.empty()) return Fail(std::make_error_code(std::errc::no_such_file_or_directory));
    const fs::path copies = siteFolder / kCopiesFolder;
    std::error_code ec;
    fs::create_directory(copies, ec);
    if (ec) return Fail(ec);
    RemoveOldCopies(siteFolder);
    const fs::path copy = FreeName(copies, TimeName(now));
    const fs::path partial = copy.string() + std::string(kPartialSuffix);
    fs::create_directory(partial, ec);
    if (ec) return Fail(ec);
    for (const std::string& name : files) {
        if (auto copied = CopyInto(siteFolder / name, partial / name); !copied) {
            fs::remove_all(partial, ec);
            return Fail(copied.error());
        }
    }
    fs::rename(partial, copy, ec);
    if (ec) {
        fs::remove_all(partial, ec);
        return Fail(ec);
    }
    RemoveOldCopies(siteFolder);
    return copy;
}

std::optional<fs::path> LatestCopy(const fs::path& siteFolder) {
    std::vector<fs::path> copies = Copies(siteFolder);
    if (copies.empty()) return std::nullopt;
    return copies.back();
}

Result<void> RestoreLatestCopy(const fs::path& siteFolder) {
    const std::optional<fs::path> copy = LatestCopy(siteFolder);
    if (!copy) return Fail(std::make_error_code(std::errc::no_such_file_or_directory));
    std::error_code ec;
    for (fs::directory_iterator it(*copy, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (auto restored = CopyInto(it->path(), ResolveInFolder(siteFolder, name)); !restored) return restored;
    }
    if (ec) return Fail(ec);
    fs::remove_all(*copy, ec);
    if (ec) return Fail(ec);
    return {};
}

}  // namespace pw::designs
