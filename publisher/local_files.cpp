#include "publisher/local_files.hpp"

#include <algorithm>
#include <array>
#include <iterator>
#include <optional>
#include <string_view>

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

}  // namespace pw::publisher
