#pragma once
// Text routines shared by several windows. All work on UTF-8 std::string.
#include <string>
#include <string_view>

namespace pw {

// Every occurrence of `search` in `text` replaced by `replacement`, letter case ignored
// when matching. Matches do not overlap and replaced text is never searched again.
// `search` must not be empty. No length limit.
std::string ReplaceAll(std::string_view text, std::string_view replacement, std::string_view search);

// What follows the last '.' of `path`, case kept; empty when there is no dot or the dot
// belongs to a folder name (a '\' or '/' after it). "PIC.GIF" gives "GIF".
std::string FileExtension(std::string_view path);

// Removes every space character from `text` (stored back, case kept) and returns the
// result in lower case, Unicode-aware: "Über uns" leaves "Überuns" and returns "überuns".
std::string SquashLower(std::string& text);

}  // namespace pw
