#pragma once
// The download script a maker's server sends for a missing runtime component: one
// command a line (DOWNLOAD, RUN, UNZIP, DELETE, REBOOT), words separated by single
// spaces; an empty line or the end of the text ends it.
#include <string>
#include <string_view>
#include <vector>

#include "designpack/runtime.hpp"

namespace pw::designpack {

inline constexpr std::size_t kMaxScriptBytes = 1000;

// One script line: the command upper-cased, then its arguments as they stand.
struct ScriptLine {
    std::string command;
    std::vector<std::string> arguments;
};

// Splits one line at every single space (so two spaces give an empty word).
ScriptLine ParseScriptLine(std::string_view line);

// Carries out `script` (only its first kMaxScriptBytes bytes) for the component
// `identifier` in context.folder. Fails when a DOWNLOAD could be had from neither its
// server nor the maker's alternate (shown to the user; the reason is the last try's,
// PackErrc::unsafeName for a file name outside the folder), or with operation_canceled
// when the session's stop flag ends it (nothing shown). A failing RUN or UNZIP is
// reported to the maker's server and the script goes on.
pw::Result<void> RunScript(std::string_view script, std::string_view identifier, RuntimeContext& context);

// The request paths sent to the maker's server; values go in as they stand.
std::string ScriptRequestPath(std::string_view identifier);
std::string AlternateDownloadPath(std::string_view server, std::string_view path, std::string_view identifier);
std::string ScriptErrorPath(std::string_view identifier, std::string_view verb, std::string_view argument);

}  // namespace pw::designpack
