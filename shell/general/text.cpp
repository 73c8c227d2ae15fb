#include "shell/general/text.hpp"

#include "builder/store/text_encoding.hpp"

#include <algorithm>
#include <cstdint>
#include <cwctype>
#include <functional>
#include <locale.h>
#include <vector>

namespace pw {
namespace {

// The C.UTF-8 locale's character classes, independent of the process's global locale.
locale_t Utf8CharacterLocale() {
    static const locale_t locale = newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(nullptr));
    return locale;
}

char32_t ToLower(char32_t c) {
    if (c < 0x80) return (c >= 'A' && c <= 'Z') ? c + ('a' - 'A') : c;
    const locale_t locale = Utf8CharacterLocale();
    return locale ? static_cast<char32_t>(towlower_l(static_cast<wint_t>(c), locale)) : c;
}

// Decodes one code point at `pos`; a byte that does not start valid UTF-8 stands for itself
// (with the high bit it cannot be confused with ASCII). Returns the code point and its length.
std::pair<char32_t, std::size_t> DecodeAt(std::string_view s, std::size_t pos) {
    const auto lead = static_cast<unsigned char>(s[pos]);
    if (lead < 0x80) return {lead, 1};
    const std::size_t length = (lead >> 5) == 0x6 ? 2 : (lead >> 4) == 0xE ? 3 : (lead >> 3) == 0x1E ? 4 : 0;
    if (length == 0 || pos + length > s.size()) return {lead | 0x110000u, 1};
    char32_t c = lead & (0x7F >> length);
    for (std::size_t i = 1; i < length; ++i) {
        const auto next = static_cast<unsigned char>(s[pos + i]);
        if ((next & 0xC0) != 0x80) return {lead | 0x110000u, 1};
        c = (c << 6) | (next & 0x3F);
    }
    return {c, length};
}

// An undecodable byte is kept as it was; everything else is encoded as UTF-8.
void AppendFolded(std::string& out, char32_t c) {
    if (c >= 0x110000) {
        out += static_cast<char>(c & 0xFF);
    } else {
        store::AppendUtf8(out, c);
    }
}

// Lower-cased text with, for every byte of it, the offset in `text` of the character it
// came from (plus one entry for the end), so matches found in the folded text map back.
struct FoldedText {
    std::string lower;
    std::vector<std::uint32_t> origin;  // pages stay far below 4 GiB
};

FoldedText Fold(std::string_view text) {
    FoldedText folded;
    folded.lower.reserve(text.size());
    folded.origin.reserve(text.size() + 1);
    for (std::size_t pos = 0; pos < text.size();) {
        if (const auto byte = static_cast<unsigned char>(text[pos]); byte < 0x80) {  // the common case, kept cheap
            folded.lower.push_back(static_cast<char>(ToLower(byte)));
            folded.origin.push_back(static_cast<std::uint32_t>(pos++));
            continue;
        }
        const auto [c, length] = DecodeAt(text, pos);
        const std::size_t before = folded.lower.size();
        AppendFolded(folded.lower, ToLower(c));
        folded.origin.insert(folded.origin.end(), folded.lower.size() - before, static_cast<std::uint32_t>(pos));
        pos += length;
    }
    folded.origin.push_back(static_cast<std::uint32_t>(text.size()));
    return folded;
}

std::string LowerUtf8(std::string_view text) { return Fold(text).lower; }

}  // namespace

std::string ReplaceAll(std::string_view text, std::string_view replacement, std::string_view search) {
    if (search.empty()) return std::string(text);
    const FoldedText folded = Fold(text);
    const std::string needle = LowerUtf8(search);
    const std::boyer_moore_horspool_searcher searcher(needle.begin(), needle.end());

    std::string result;
    result.reserve(text.size());
    std::size_t copiedUpTo = 0;  // in `text`
    auto from = folded.lower.begin();
    while (true) {
        const auto [matchBegin, matchEnd] = searcher(from, folded.lower.end());
        if (matchBegin == folded.lower.end()) break;
        const std::size_t start = folded.origin[matchBegin - folded.lower.begin()];
        const std::size_t end = folded.origin[matchEnd - folded.lower.begin()];
        result.append(text.substr(copiedUpTo, start - copiedUpTo));
        result.append(replacement);
        copiedUpTo = end;
        from = matchEnd;
    }
    result.append(text.substr(copiedUpTo));
    return result;
}

std::string FileExtension(std::string_view path) {
    const std::size_t dot = path.rfind('.');
    if (dot == std::string_view::npos) return {};
    const std::size_t separator = path.find_last_of("\\/");
    if (separator != std::string_view::npos && separator > dot) return {};
    return std::string(path.substr(dot + 1));
}

std::string SquashLower(std::string& text) {
    std::erase(text, ' ');
    return LowerUtf8(text);
}

}  // namespace pw
