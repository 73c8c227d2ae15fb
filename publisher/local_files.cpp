#include "publisher/local_files.hpp"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <iterator>
#include <optional>
#include <string_view>

#include "builder/store/site_files.hpp"
#include "publisher/ftp_account.hpp"
#include "publisher/peer_trust.hpp"
#include "publisher/publish_state.hpp"
#include "shell/general/file_descriptor.hpp"
#include "shell/general/text.hpp"

namespace pw::publisher {
namespace {

namespace fs = std::filesystem;

constexpr std::array<std::string_view, 3> kPatternExtensions = {".gif", ".html", ".jpg"};

// Which pattern `name` matches, as an index into kPatternExtensions.
std::optional<std::size_t> PatternOf(std::string_view name) {
    for (std::size_t i = 0; i < kPatternExtensions.size(); ++i) {
        const std::string_view extension = kPatternExtensions[i];
        if (name.size() >= extension.size() &&
            EqualsIgnoringAsciiCase(name.substr(name.size() - extension.size()), extension)) {
            return i;
        }
    }
    return std::nullopt;
}

bool IsSiteControlFile(std::string_view name) {
    std::vector<std::string_view> files = {store::kFtpSettingsFile, kFtpOptionsFileName,   kTrustFileName,
                                           kPublishStateFileName,   store::kPageNamesFile, store::kHandOverFile};
    for (const store::Page page : store::kPages) {
        const store::PageFiles own = store::FilesOf(page);
        files.insert(files.end(), {own.fields, own.sectionA, own.sectionB});
    }
    return std::ranges::any_of(files, [&](std::string_view file) { return EqualsIgnoringAsciiCase(name, file); });
}

// The result of a system call that sets errno.
Result<void> Checked(int returned) {
    if (returned != 0) return Fail(LastError());
    return {};
}

fs::path Inside(const fs::path& folder, std::string_view name) { return folder / fs::path(std::string(name)); }

}  // namespace

Result<LocalPaneEntries> ListLocalPane(const fs::path& folder) {
    std::array<LocalPaneEntries, kPatternExtensions.size()> groups;
    std::error_code error;
    fs::directory_iterator it(folder, error);
    for (; !error && it != fs::directory_iterator(); it.increment(error)) {
        std::string name = it->path().filename().string();
        const auto pattern = PatternOf(name);
        if (!pattern) continue;
        std::error_code ignored;
        const fs::file_status status = it->status(ignored);  // follows links
        if (fs::is_directory(status)) groups[*pattern].folders.push_back(std::move(name));
        if (fs::is_regular_file(status)) groups[*pattern].files.push_back(std::move(name));
    }
    if (error) return Fail(error);
    LocalPaneEntries entries;
    for (auto& group : groups) {
        std::ranges::move(group.folders, std::back_inserter(entries.folders));
        std::ranges::move(group.files, std::back_inserter(entries.files));
    }
    return entries;
}

Result<std::vector<std::string>> PublishableFiles(const fs::path& folder) {
    auto entries = ListLocalPane(folder);
    if (!entries) return Fail(entries.error());
    return std::move(entries->files);
}

Result<void> DeleteLocalFile(const fs::path& folder, std::string_view name) {
    return Checked(::unlink(Inside(folder, name).c_str()));
}

Result<void> MakeLocalFolder(const fs::path& folder, std::string_view name) {
    return Checked(::mkdir(Inside(folder, name).c_str(), 0777));
}

Result<void> RemoveLocalFolder(const fs::path& folder, std::string_view name) {
    return Checked(::rmdir(Inside(folder, name).c_str()));
}

Result<fs::path> EnterLocalFolder(const fs::path& folder, std::string_view name) {
    std::error_code error;
    fs::path entered = fs::canonical(Inside(folder, name), error);
    if (error) return Fail(error);
    if (!fs::is_directory(entered, error))
        return Fail(error ? error : std::make_error_code(std::errc::not_a_directory));
    if (auto enterable = Checked(::access(entered.c_str(), X_OK)); !enterable) return Fail(enterable.error());
    return entered;
}

std::optional<std::string> DownloadRefusal(std::string_view name) {
    const std::string quoted = "\"" + std::string(name) + "\"";
    if (name.empty() || name == "." || name == ".." || name.find_first_of(std::string_view("/\\\0", 3)) != name.npos) {
        return quoted + " is not a plain file name, so it is not saved";
    }
    if (IsSiteControlFile(name)) {
        return quoted + " is one of the site's own files; a download never replaces it";
    }
    return std::nullopt;
}

}  // namespace pw::publisher
