#pragma once
// Text routines shared by the windows, the store, generation, the editor and the
// publisher. All work on UTF-8 std::string; a byte that is not valid UTF-8 is left as it
// is. No <expected>: the fuzz targets, built with clang, take this code too.
#include <cstddef>
#include <string>
#include <string_view>

namespace pw {

// `text` in Unicode lower case: the program's one case-folding rule, used for matching
// placeholders and for finding file names without regard to case.
std::string LowerUtf8(std::string_view text);

// True for a letter of any script (the C.UTF-8 locale's alphabetic class): what words
// are made of when spelling is checked.
bool IsLetter(char32_t codePoint);

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

// ---- ASCII letter case, for the keywords of markup and protocols ----
// Unicode folding would change byte lengths and so the offsets these are used to find.

// A..Z lowered; every other byte as it is.
char AsciiLower(char c);
std::string AsciiLower(std::string_view text);
bool EqualsIgnoringAsciiCase(std::string_view a, std::string_view b);
bool StartsWithIgnoringAsciiCase(std::string_view text, std::string_view prefix);
// The position of `needle` in `text` from `from` on; npos when absent.
std::size_t FindIgnoringAsciiCase(std::string_view text, std::string_view needle, std::size_t from = 0);

// `text` with '&', '<', '>' and '"' as character references, safe inside an element or
// a double-quoted attribute value.
std::string EscapeHtml(std::string_view text);

// `text` without the characters of `blanks` at either end.
std::string_view Trimmed(std::string_view text, std::string_view blanks);

}  // namespace pw
