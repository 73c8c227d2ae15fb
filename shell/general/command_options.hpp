#pragma once
// Reading the command lines of pagewright's headless commands (`generate`, `publish`,
// `check`): each takes the words after its name, --help, --site NAME, and options of its own.
#include <expected>
#include <filesystem>
#include <map>
#include <optional>
#include <set>
#include <span>
#include <string>
#include <string_view>

namespace pw {

struct CommandLine {
    std::string site = "default";                            // --site NAME: a site folder's name, not a path
    bool help = false;                                       // --help or -h
    std::set<std::string, std::less<>> flags;                // the command's own flags that were given
    std::map<std::string, std::string, std::less<>> values;  // its own options' values (--name VALUE or --name=VALUE)

    std::optional<std::string> Value(std::string_view option) const;
    bool Has(std::string_view flag) const { return flags.contains(flag); }
};

// Reads `args` for a command whose own flags and valued options are the ones named. A word
// that is none of them, an option without its value, or a --site that is a path is a usage
// error, returned as the text to show.
std::expected<CommandLine, std::string> ReadCommandLine(std::span<const std::string> args,
                                                        std::span<const std::string_view> ownFlags,
                                                        std::span<const std::string_view> ownOptions);

// The folder of site `site` in `inst`, found without regard to case; nothing when there is none.
std::optional<std::filesystem::path> FindSiteFolder(const std::filesystem::path& inst, std::string_view site);

}  // namespace pw
