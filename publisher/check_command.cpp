#include "publisher/check_command.hpp"

#include <expected>
#include <string_view>

#include "publisher/site_check.hpp"
#include "shell/general/command_options.hpp"

namespace pw::publisher {
namespace {

constexpr std::string_view kUsageText =
    "Usage: pagewright check [--site NAME]\n"
    "\n"
    "Looks through a site before it is published and prints, one a line, what would be\n"
    "wrong on the web host and what to do about it: pages never made or out of date,\n"
    "sample texts still in place, pictures and links that lead nowhere, files that\n"
    "\"Upload ALL Files\" would not send, pictures too large for phones.\n"
    "\n"
    "  --site NAME   the site's folder beside the program (default: default)\n"
    "  --help        show this text\n"
    "\n"
    "Exit status: 0 no problems found, 1 problems found, 2 usage error or no such site.\n";

constexpr std::string_view kPrefix = "pagewright check: ";

}  // namespace

int RunCheckCommand(const std::filesystem::path& inst, std::span<const std::string> args, std::ostream& out,
                    std::ostream& err) {
    const auto site =
        OpenCommandSite(inst, ReadCommandLine(args, {}, {}), {kPrefix, kUsageText},
                        {.help = kNoProblems, .usageError = kCheckUsageError, .noSite = kCheckUsageError}, out, err);
    if (!site) return site.error();
    const std::filesystem::path& siteFolder = site->folder;
    const auto findings = CheckSite(siteFolder);
    if (!findings) {
        err << kPrefix << "could not read " << siteFolder.string() << " (" << findings.error().message() << ")\n";
        return kCheckUsageError;
    }
    for (const Finding& finding : *findings) out << FindingLine(finding) << "\n";
    if (findings->empty()) out << kNoProblemsText << "\n";
    return findings->empty() ? kNoProblems : kProblemsFound;
}

}  // namespace pw::publisher
