#include "shell/general/text.hpp"

#include "shell/general/text_encoding.hpp"

#include <locale.h>
#include <algorithm>
#include <cstdint>
#include <cwctype>
#include <functional>
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

}  // namespace

bool IsLetter(char32_t c) {
    if (c < 0x80) return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
    const locale_t locale = Utf8CharacterLocale();
    return locale && iswalpha_l(static_cast<wint_t>(c), locale) != 0;
}

namespace {

// Lower-cases `text` into `lower`. With `origin`, records for every byte of `lower` the
// offset in `text` of the character it came from (plus one entry for the end), so that
// matches found in the lower-cased text map back. An undecodable byte is kept as it was.
void Fold(std::string_view text, std::string& lower, std::vector<std::uint32_t>* origin) {
    lower.reserve(text.size());
    if (origin) origin->reserve(text.size() + 1);
    for (std::size_t pos = 0; pos < text.size();) {
        const std::size_t before = lower.size();
        std::size_t length = 1;
        if (const auto byte = static_cast<unsigned char>(text[pos]); byte < 0x80) {  // the common case, kept cheap
            lower.push_back(static_cast<char>(ToLower(byte)));
        } else if (const DecodedChar c = DecodeUtf8At(text, pos); c.valid) {
            AppendUtf8(lower, ToLower(c.codePoint));
            length = c.length;
        } else {
            lower.push_back(text[pos]);
        }
        if (origin)
            origin->insert(origin->end(), lower.size() - before,
                           static_cast<std::uint32_t>(pos));  // pages stay far below 4 GiB
        pos += length;
    }
    if (origin) origin->push_back(static_cast<std::uint32_t>(text.size()));
}

}  // namespace

std::string LowerUtf8(std::string_view text) {
    std::string lower;
    Fold(text, lower, nullptr);
    return lower;
}

std::string ReplaceAll(std::string_view text, std::string_view replacement, std::string_view search) {
    if (search.empty()) return std::string(text);
    std::string lower;
    std::vector<std::uint32_t> origin;
    Fold(text, lower, &origin);
    const std::string needle = LowerUtf8(search);
    const std::boyer_moore_horspool_searcher searcher(needle.begin(), needle.end());

    std::string result;
    result.reserve(text.size());
    std::size_t copiedUpTo = 0;  // in `text`
    auto from = lower.begin();
    while (true) {
        const auto [matchBegin, matchEnd] = searcher(from, lower.end());
        if (matchBegin == lower.end()) break;
        const std::size_t start = origin[matchBegin - lower.begin()];
        const std::size_t end = origin[matchEnd - lower.begin()];
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

char AsciiLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + ('a' - 'A')) : c; }

std::string AsciiLower(std::string_view text) {
    std::string lower(text);
    std::ranges::transform(lower, lower.begin(), [](char c) { return AsciiLower(c); });
    return lower;
}

bool EqualsIgnoringAsciiCase(std::string_view a, std::string_view b) {
    return std::ranges::equal(a, b, [](char x, char y) { return AsciiLower(x) == AsciiLower(y); });
}

bool StartsWithIgnoringAsciiCase(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() && EqualsIgnoringAsciiCase(text.substr(0, prefix.size()), prefix);
}

std::size_t FindIgnoringAsciiCase(std::string_view text, std::string_view needle, std::size_t from) {
    for (std::size_t pos = from; pos <= text.size() && needle.size() <= text.size() - pos; ++pos) {
        if (StartsWithIgnoringAsciiCase(text.substr(pos), needle)) return pos;
    }
    return std::string_view::npos;
}

std::string_view Trimmed(std::string_view text, std::string_view blanks) {
    const std::size_t first = text.find_first_not_of(blanks);
    if (first == std::string_view::npos) return {};
    return text.substr(first, text.find_last_not_of(blanks) - first + 1);
}

std::string EscapeHtml(std::string_view text) {
    std::string escaped;
    escaped.reserve(text.size());
    for (const char c : text) {
        switch (c) {
            case '&': escaped += "&amp;"; break;
            case '<': escaped += "&lt;"; break;
            case '>': escaped += "&gt;"; break;
            case '"': escaped += "&quot;"; break;
            default: escaped += c;
        }
    }
    return escaped;
}

}  // namespace pw
