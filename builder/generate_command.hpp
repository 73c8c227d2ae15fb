#pragma once
// `pagewright generate`: builds a site's pages from their stored files without any window,
// for scripts and for checking a design without the builder.
#include <filesystem>
#include <ostream>
#include <span>
#include <string>

namespace pw {

// Runs the command with `args`, the words that follow "generate" on the command line:
//   [--site NAME] [--page one|two|three|all] [--help]   (also --site=NAME, --page=WHICH)
// Site NAME is a folder of `inst` ("default" when not given); every chosen page ("all"
// when not given) is loaded fresh from its own files, generated and written, and its path
// printed on `out`. Problems go to `err`.
// Returns 0 when every chosen page was written (or for --help), 1 when the site or its
// template is missing or a page could not be written, 2 for a usage error.
int RunGenerateCommand(const std::filesystem::path& inst, std::span<const std::string> args, std::ostream& out,
                       std::ostream& err);

}  // namespace pw
