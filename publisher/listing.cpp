#include "publisher/listing.hpp"

#include <algorithm>
#include <array>
#include <charconv>

#include "shell/general/text.hpp"

namespace pw::publisher {
namespace {

struct Token {
    std::string_view text;
    std::size_t end;  // offset just past the token in its line
};

bool IsBlank(char c) { return c == ' ' || c == '\t'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

bool AllDigits(std::string_view text) { return !text.empty() && std::ranges::all_of(text, IsDigit); }

// The first `count` blank-separated tokens of `line` (fewer when the line has fewer).
std::vector<Token> Tokens(std::string_view line, std::size_t count) {
    std::vector<Token> tokens;
    std::size_t pos = 0;
    while (tokens.size() < count) {
        while (pos < line.size() && IsBlank(line[pos])) ++pos;
        if (pos == line.size()) break;
        const std::size_t start = pos;
        while (pos < line.size() && !IsBlank(line[pos])) ++pos;
        tokens.push_back({line.substr(start, pos - start), pos});
    }
    return tokens;
}

std::optional<std::uint64_t> Number(std::string_view digits) {
    std::uint64_t value = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    if (error != std::errc() || end != digits.data() + digits.size()) return std::nullopt;
    return value;
}

// A name that can stand for an entry of the listed folder (see ParseListing).
bool IsEntryName(std::string_view name) {
    return !name.empty() && name != "." && name.find_first_of(std::string_view("/\0\r\n", 4)) == std::string_view::npos;
}

std::optional<RemoteEntry> Entry(std::string_view name, bool folder, std::optional<std::uint64_t> size) {
    if (!IsEntryName(name)) return std::nullopt;
    if (name == "..") folder = true;
    if (folder) return RemoteEntry{std::string(name), kFolderAttribute, std::nullopt};
    return RemoteEntry{std::string(name), kFileAttribute, size};
}

// ---- MLSD: "type=file;size=12;modify=20240101120000; name" ----

std::optional<RemoteEntry> ParseMlsdLine(std::string_view line) {
    const std::size_t space = line.find(' ');
    if (space == std::string_view::npos) return std::nullopt;
    std::string_view facts = line.substr(0, space);
    if (!facts.empty() && !facts.ends_with(';')) return std::nullopt;  // every fact ends with ';'
    const std::string_view name = line.substr(space + 1);
    std::string_view type;
    std::optional<std::uint64_t> size;
    while (!facts.empty()) {
        const std::size_t end = std::min(facts.find(';'), facts.size());
        const std::string_view fact = facts.substr(0, end);
        facts.remove_prefix(std::min(end + 1, facts.size()));
        const std::size_t equals = fact.find('=');
        if (equals == std::string_view::npos) continue;
        const std::string_view key = fact.substr(0, equals);
        const std::string_view value = fact.substr(equals + 1);
        if (EqualsIgnoringAsciiCase(key, "type")) type = value;
        if (EqualsIgnoringAsciiCase(key, "size")) size = Number(value);
    }
    if (EqualsIgnoringAsciiCase(type, "cdir")) return std::nullopt;
    // The parent entry may carry the parent's full path as its name.
    if (EqualsIgnoringAsciiCase(type, "pdir")) return Entry("..", true, std::nullopt);
    const std::string_view unixType = "os.unix=";
    const bool link = type.size() > unixType.size() &&
                      EqualsIgnoringAsciiCase(type.substr(0, unixType.size()), unixType) &&
                      (EqualsIgnoringAsciiCase(type.substr(unixType.size(), 5), "slink") ||
                       EqualsIgnoringAsciiCase(type.substr(unixType.size()), "symlink"));
    return Entry(name, EqualsIgnoringAsciiCase(type, "dir") || link, size);
}

// ---- Unix: "drwxr-xr-x 2 owner group 4096 Jan  5 12:00 name" ----

bool IsPermissions(std::string_view text) {
    if (text.size() < 10 || text.size() > 11) return false;
    if (std::string_view("-dlbcpsD").find(text[0]) == std::string_view::npos) return false;
    return std::ranges::all_of(text.substr(1, 9),
                               [](char c) { return std::string_view("rwxsStTlL-").find(c) != std::string_view::npos; });
}

bool IsMonth(std::string_view text) {
    static constexpr std::array<std::string_view, 12> kMonths = {"jan", "feb", "mar", "apr", "may", "jun",
                                                                 "jul", "aug", "sep", "oct", "nov", "dec"};
    return std::ranges::any_of(kMonths, [&](std::string_view month) { return EqualsIgnoringAsciiCase(text, month); });
}

bool IsDayOfMonth(std::string_view text) {
    const auto day = AllDigits(text) && text.size() <= 2 ? Number(text) : std::nullopt;
    return day && *day >= 1 && *day <= 31;
}

// "12:00" (this year) or "2023" (older files).
bool IsTimeOrYear(std::string_view text) {
    if (text.size() == 4) return AllDigits(text);
    const std::size_t colon = text.find(':');
    return colon != std::string_view::npos && AllDigits(text.substr(0, colon)) && AllDigits(text.substr(colon + 1));
}

// "2024-01-05" as "ls --time-style=long-iso" writes it.
bool IsIsoDate(std::string_view text) {
    return text.size() == 10 && text[4] == '-' && text[7] == '-' && AllDigits(text.substr(0, 4)) &&
           AllDigits(text.substr(5, 2)) && AllDigits(text.substr(8, 2));
}

std::optional<RemoteEntry> ParseUnixLine(std::string_view line) {
    // Permissions, links, owner, group, size, date (three tokens, or two in ISO form). Some
    // servers leave out the links, owner or group, so the date is searched for.
    const std::vector<Token> tokens = Tokens(line, 8);
    if (tokens.size() < 5 || !IsPermissions(tokens[0].text)) return std::nullopt;
    std::optional<std::size_t> nameStart;
    std::optional<std::uint64_t> size;
    for (std::size_t i = 1; i + 2 < tokens.size() && !nameStart; ++i) {
        if (!AllDigits(tokens[i].text)) continue;
        if (i + 3 < tokens.size() && IsMonth(tokens[i + 1].text) && IsDayOfMonth(tokens[i + 2].text) &&
            IsTimeOrYear(tokens[i + 3].text)) {
            nameStart = tokens[i + 3].end + 1;
        } else if (IsIsoDate(tokens[i + 1].text) && IsTimeOrYear(tokens[i + 2].text)) {
            nameStart = tokens[i + 2].end + 1;
        }
        if (nameStart) size = Number(tokens[i].text);
    }
    if (!nameStart || *nameStart >= line.size()) return std::nullopt;
    std::string_view name = line.substr(*nameStart);
    const char type = tokens[0].text[0];
    if (type == 'l') name = name.substr(0, name.find(" -> "));
    return Entry(name, type == 'd' || type == 'l', size);
}

// ---- DOS/IIS: "01-05-24  12:00PM       <DIR>          name" or "... 1,234 name" ----

// "01-05-24", "01-05-2024", "2024-01-05" or with '/'.
bool IsDosDate(std::string_view text) {
    if (text.size() < 8 || text.size() > 10) return false;
    int separators = 0;
    for (const char c : text) {
        if (c == '-' || c == '/') {
            ++separators;
        } else if (!IsDigit(c)) {
            return false;
        }
    }
    return separators == 2 && IsDigit(text.front()) && IsDigit(text.back());
}

// "12:00", "12:00PM", "12:00:05".
bool IsDosTime(std::string_view text) {
    if (text.size() > 2 && (EqualsIgnoringAsciiCase(text.substr(text.size() - 2), "am") ||
                            EqualsIgnoringAsciiCase(text.substr(text.size() - 2), "pm"))) {
        text.remove_suffix(2);
    }
    const std::size_t colon = text.find(':');
    if (colon == std::string_view::npos || colon == 0) return false;
    return std::ranges::all_of(text, [](char c) { return IsDigit(c) || c == ':'; });
}

std::optional<RemoteEntry> ParseDosLine(std::string_view line) {
    std::vector<Token> tokens = Tokens(line, 4);
    if (tokens.size() < 3 || !IsDosDate(tokens[0].text) || !IsDosTime(tokens[1].text)) return std::nullopt;
    std::size_t kind = 2;
    if (EqualsIgnoringAsciiCase(tokens[2].text, "am") || EqualsIgnoringAsciiCase(tokens[2].text, "pm")) {
        tokens = Tokens(line, 5);
        kind = 3;
    }
    if (tokens.size() <= kind) return std::nullopt;
    std::size_t nameStart = tokens[kind].end;
    while (nameStart < line.size() && IsBlank(line[nameStart])) ++nameStart;
    if (nameStart == line.size()) return std::nullopt;
    const std::string_view name = line.substr(nameStart);
    if (EqualsIgnoringAsciiCase(tokens[kind].text, "<DIR>")) return Entry(name, true, std::nullopt);
    std::string digits(tokens[kind].text);
    std::erase_if(digits, [](char c) { return c == ',' || c == '.'; });
    if (!AllDigits(digits)) return std::nullopt;
    return Entry(name, false, Number(digits));
}

}  // namespace

std::vector<RemoteEntry> ParseListing(std::string_view bytes, ListingFormat format) {
    std::vector<RemoteEntry> entries;
    while (!bytes.empty()) {
        const std::size_t end = std::min(bytes.find('\n'), bytes.size());
        std::string_view line = bytes.substr(0, end);
        bytes.remove_prefix(std::min(end + 1, bytes.size()));
        if (line.ends_with('\r')) line.remove_suffix(1);
        std::optional<RemoteEntry> entry;
        if (format == ListingFormat::Mlsd) {
            entry = ParseMlsdLine(line);
        } else {
            entry = ParseUnixLine(line);
            if (!entry) entry = ParseDosLine(line);
        }
        if (entry) entries.push_back(std::move(*entry));
    }
    return entries;
}

}  // namespace pw::publisher
