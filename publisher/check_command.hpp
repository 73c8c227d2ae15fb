#pragma once
// `pagewright check`: the site check without a window, for scripts and for a last look
// before `pagewright publish`.
#include <filesystem>
#include <ostream>
#include <span>
#include <string>

namespace pw::publisher {

enum CheckExit {
    kNoProblems = 0,
    kProblemsFound = 1,
    kCheckUsageError = 2,  // also: no such site, or its folder cannot be read
};

// Runs the command with `args`, the words that follow "check" on the command line:
//   [--site NAME] [--help]   (also --site=NAME)
// Checks <inst>/<NAME> ("default" when not named) and prints each finding on `out` as one
// line, "file: problem: remedy", or "No problems found."; problems running the check go
// to `err`. Returns a CheckExit.
int RunCheckCommand(const std::filesystem::path& inst, std::span<const std::string> args, std::ostream& out,
                    std::ostream& err);

}  // namespace pw::publisher
