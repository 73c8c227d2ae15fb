#pragma once
// Reading the command lines of pagewright's headless commands (`generate`, `publish`,
// `check`): each takes the words after its name, --help, --site NAME, and options of its own.
#include <expected>
#include <filesystem>
#include <map>
#include <optional>
#include <ostream>
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

// How a headless command speaks and ends before its own work begins.
struct CommandText {
    std::string_view prefix;  // "pagewright NAME: ", before each message
    std::string_view usage;   // shown for --help, and after a usage error
};
struct EarlyExits {
    int help;        // --help was answered
    int usageError;  // the command line was wrong
    int noSite;      // the site named by --site is not in the installation
};

// A command's command line with the folder of its site.
struct CommandSite {
    CommandLine line;
    std::filesystem::path folder;
};

// Takes a command line as the command read it (ReadCommandLine, or the command's own
// reader on top of it), answers --help and finds the site in `inst` without regard to
// case. The command line and its site folder, or the exit status once the usage text or
// the missing site was told.
std::expected<CommandSite, int> OpenCommandSite(const std::filesystem::path& inst,
                                                std::expected<CommandLine, std::string> line, const CommandText& text,
                                                const EarlyExits& exits, std::ostream& out, std::ostream& err);

}  // namespace pw
