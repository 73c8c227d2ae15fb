#pragma once
// Starting a program and waiting for it, for the script's RUN lines and the pack's
// command to run after installation.
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "shell/general/result.hpp"

namespace pw::designpack {

// A command line cut into words at blanks; "double quotes" group blanks into a word.
std::vector<std::string> SplitCommandLine(std::string_view commandLine);

// Starts `words[0]` with the rest as arguments, in `folder`. A program name without '/'
// is looked for in `folder` first, then along PATH; a name with '/' is taken relative
// to `folder`. Calls `started` once the process runs, then waits for it to end and
// returns its exit status (128 + signal when killed). Fails when it cannot be started.
pw::Result<int> RunAndWait(const std::vector<std::string>& words, const std::filesystem::path& folder,
                           const std::function<void()>& started = {});

}  // namespace pw::designpack
