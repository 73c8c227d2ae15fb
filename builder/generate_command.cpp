#include "builder/generate_command.hpp"

#include "builder/generation.hpp"
#include "builder/store/site_files.hpp"
#include "builder/written_pages.hpp"
#include "shell/general/command_options.hpp"

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

// The command line, with the page to generate checked.
std::expected<CommandLine, std::string> ReadOptions(std::span<const std::string> args) {
    static constexpr std::string_view kOwnOptions[] = {"--page"};
    auto line = ReadCommandLine(args, {}, kOwnOptions);
    if (!line) return line;
    const std::string page = line->Value("--page").value_or("all");
    if (page != "one" && page != "two" && page != "three" && page != "all") {
        return std::unexpected("--page takes one, two, three or all");
    }
    return line;
}

std::vector<store::Page> ChosenPages(const std::string& page) {
    if (page == "all") return {store::kPages.begin(), store::kPages.end()};
    return {store::PageFromWord(page)};
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
    const auto site = OpenCommandSite(inst, ReadOptions(args), {kPrefix, kUsageText},
                                      {.help = kSuccess, .usageError = kUsageError, .noSite = kFailure}, out, err);
    if (!site) return site.error();
    const fs::path& siteFolder = site->folder;

    const fs::path templatePath = ResolveInFolder(siteFolder, store::kTemplateFile);
    int exit = kSuccess;
    for (const store::Page pageOfSite : ChosenPages(site->line.Value("--page").value_or("all"))) {
        const StoredPage page = LoadStoredPage(siteFolder, pageOfSite);
        WarnAboutUnreadFiles(page, err);
        const auto text = GeneratePageText(templatePath, page.inputs);
        if (!text) {
            // Every page reads the same template: the others would fail the same way.
            err << kPrefix << kTemplateErrorMessage << ": " << templatePath.string() << " (" << text.error().message()
                << ")\n";
            return kFailure;
        }
        const auto path = PagePath(siteFolder, page.inputs.page, page.inputs.names);
        if (!path) {
            err << kPrefix
                << "The page name gives no usable file name: " << PageFileName(page.inputs.page, page.inputs.names)
                << "\n";
        } else if (const auto written = WritePageFile(*path, *text); !written) {
            err << kPrefix << "The page could not be written: " << path->string() << " (" << written.error().message()
                << ")\n";
        } else {
            out << path->string() << "\n";
            if (const auto recorded = RecordWrittenPage(siteFolder, page.inputs.page, *path); !recorded) {
                err << kPrefix << "warning: the page's earlier file could not be removed or " << kWrittenPagesFile
                    << " not saved (" << recorded.error().message() << ")\n";
            }
            continue;
        }
        exit = kFailure;
    }
    return exit;
}

}  // namespace pw
