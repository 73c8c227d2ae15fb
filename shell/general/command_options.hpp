#pragma once
// Reading the options of pagewright's headless commands (`generate`, `publish`): each
// command takes the words after its name and knows its own options.
#include <expected>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace pw {

// The value of `--name VALUE` or `--name=VALUE` at args[i] (advancing i past it), or nothing
// when args[i] is another option. An option given without its value is a usage error,
// returned as the text to show.
std::expected<std::optional<std::string>, std::string> OptionValue(std::span<const std::string> args, std::size_t& i,
                                                                   std::string_view name);

// True for a site folder's name: not empty, not "." or "..", no separator. A path is not a name.
bool IsSiteName(std::string_view site);

// The folder of site `site` in `inst`, found without regard to case; nothing when there is none.
std::optional<std::filesystem::path> FindSiteFolder(const std::filesystem::path& inst, std::string_view site);

}  // namespace pw
