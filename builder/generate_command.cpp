#include "builder/generate_command.hpp"

#include "builder/generation.hpp"
#include "builder/store/site_files.hpp"

#include <expected>
#include <optional>
#include <string_view>
#include <vector>

namespace pw {
namespace {

namespace fs = std::filesystem;

constexpr std::string_view kUsageText =
    "Usage: pagewright generate [--site NAME] [--page one|two|three|all]\n"
    "\n"
    "Builds the pages of a site from their stored content and the site's template\n"
    "(temp311.htx) without opening a window, and prints the path of every page written.\n"
    "\n"
    "  --site NAME   the site's folder beside the program (default: default)\n"
    "  --page WHICH  one, two, three or all (default: all)\n"
    "  --help        show this text\n";

constexpr std::string_view kPrefix = "pagewright generate: ";

enum ExitCode { kSuccess = 0, kFailure = 1, kUsageError = 2 };

struct Options {
    std::string site = "default";
    std::string page = "all";
    bool help = false;
};

// The value of `--name VALUE` or `--name=VALUE` at args[i] (advancing i past it), or nothing
// when args[i] is another option. An option given without its value is a usage error.
std::expected<std::optional<std::string>, std::string> OptionValue(std::span<const std::string> args, std::size_t& i,
                                                                   std::string_view name) {
    const std::string_view arg = args[i];
    if (arg.starts_with(name) && arg.size() > name.size() && arg[name.size()] == '=') {
        return std::string(arg.substr(name.size() + 1));
    }
    if (arg != name) return std::nullopt;
    if (i + 1 == args.size()) return std::unexpected(std::string(name) + " needs a value");
    return args[++i];
}

bool IsSiteName(std::string_view site) {
    return !site.empty() && site != "." && site != ".." && site.find_first_of("/\\") == std::string_view::npos;
}

std::expected<Options, std::string> ParseOptions(std::span<const std::string> args) {
    Options options;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--help" || args[i] == "-h") {
            options.help = true;
            continue;
        }
        auto site = OptionValue(args, i, "--site");
        if (!site) return std::unexpected(site.error());
        if (*site) {
            options.site = std::move(**site);
            continue;
        }
        auto page = OptionValue(args, i, "--page");
        if (!page) return std::unexpected(page.error());
        if (!*page) return std::unexpected("unknown option '" + args[i] + "'");
        options.page = std::move(**page);
    }
    if (!IsSiteName(options.site)) return std::unexpected("--site takes a site folder name, not a path");
    if (options.page != "one" && options.page != "two" && options.page != "three" && options.page != "all") {
        return std::unexpected("--page takes one, two, three or all");
    }
    return options;
}

std::vector<std::string> ChosenPages(const std::string& page) {
    if (page == "all") return {"one", "two", "three"};
    return {page};
}

// Files that exist but could not be read are worth a word; missing ones simply mean
// the built-in texts, as in the builder.
void WarnAboutUnreadFiles(const StoredPage& page, std::ostream& err) {
    for (const auto& [path, cause] : page.unread) {
        if (cause == std::errc::no_such_file_or_directory) continue;
        err << kPrefix << "warning: could not read " << path.string() << " (" << cause.message()
            << "); its built-in texts are used\n";
    }
}

}  // namespace

int RunGenerateCommand(const fs::path& inst, std::span<const std::string> args, std::ostream& out, std::ostream& err) {
    const auto options = ParseOptions(args);
    if (!options) {
        err << kPrefix << options.error() << "\n\n" << kUsageText;
        return kUsageError;
    }
    if (options->help) {
        out << kUsageText;
        return kSuccess;
    }
    const fs::path siteFolder = store::ResolveInFolder(inst, options->site);
    std::error_code ignored;
    if (!fs::is_directory(siteFolder, ignored)) {
        err << kPrefix << "there is no site \"" << options->site << "\" in " << inst.string() << "\n";
        return kFailure;
    }

    int exit = kSuccess;
    for (const std::string& pageWord : ChosenPages(options->page)) {
        const StoredPage page = LoadStoredPage(siteFolder, pageWord);
        WarnAboutUnreadFiles(page, err);
        const auto written = GeneratePage(siteFolder, page.inputs);
        if (written) {
            out << written->string() << "\n";
            continue;
        }
        err << kPrefix << DescribeError(written.error()) << "\n";
        exit = kFailure;
        // Every page reads the same template: the others would fail the same way.
        if (written.error().kind == GenerationError::Kind::TemplateUnreadable) break;
    }
    return exit;
}

}  // namespace pw
