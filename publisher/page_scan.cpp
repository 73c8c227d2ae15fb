#include "publisher/page_scan.hpp"

#include <algorithm>
#include <array>
#include <optional>

#include "shell/general/text.hpp"
#include "shell/general/text_encoding.hpp"

namespace pw::publisher {
namespace {

constexpr std::string_view kHtmlSpace = " \t\n\r\f";

bool IsHtmlSpace(char c) { return kHtmlSpace.find(c) != std::string_view::npos; }
bool IsAsciiLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool IsAsciiDigit(char c) { return c >= '0' && c <= '9'; }
bool IsWordChar(char c) { return IsAsciiLetter(c) || IsAsciiDigit(c) || c == '_'; }

// The code point of a numeric character reference's digits, when it is one.
std::optional<char32_t> NumericReference(std::string_view digits) {
    const bool hex = !digits.empty() && (digits.front() == 'x' || digits.front() == 'X');
    if (hex) digits.remove_prefix(1);
    if (digits.empty() || digits.size() > 8) return std::nullopt;
    char32_t value = 0;
    for (const char c : digits) {
        int digit;
        if (IsAsciiDigit(c)) {
            digit = c - '0';
        } else if (hex && AsciiLower(c) >= 'a' && AsciiLower(c) <= 'f') {
            digit = AsciiLower(c) - 'a' + 10;
        } else {
            return std::nullopt;
        }
        value = value * (hex ? 16 : 10) + static_cast<char32_t>(digit);
    }
    return value;
}

// `text` with its character references decoded: numeric ones and the few named ones
// that appear in addresses. Anything else, a reference without ';' included, stays.
std::string DecodeCharacterReferences(std::string_view text) {
    static constexpr std::array<std::pair<std::string_view, std::string_view>, 6> kNamed = {{
        {"amp", "&"},
        {"lt", "<"},
        {"gt", ">"},
        {"quot", "\""},
        {"apos", "'"},
        {"nbsp", "\u00a0"},
    }};
    std::string decoded;
    decoded.reserve(text.size());
    std::size_t pos = 0;
    while (pos < text.size()) {
        const std::size_t amp = text.find('&', pos);
        // The longest reference decoded is "&#x0010FFFF;": look no further for its ';'.
        const std::size_t near = amp == std::string_view::npos ? amp : text.substr(amp + 1, 11).find(';');
        const std::size_t semicolon = near == std::string_view::npos ? near : amp + 1 + near;
        if (semicolon == std::string_view::npos) {
            const std::size_t end = amp == std::string_view::npos ? text.size() : amp + 1;
            decoded.append(text.substr(pos, end - pos));
            pos = end;
            continue;
        }
        decoded.append(text.substr(pos, amp - pos));
        const std::string_view name = text.substr(amp + 1, semicolon - amp - 1);
        std::optional<std::string_view> replacement;
        if (name.starts_with('#')) {
            if (const auto code = NumericReference(name.substr(1))) {
                AppendUtf8(decoded, *code == 0 ? U'\uFFFD' : *code);
                pos = semicolon + 1;
                continue;
            }
        } else {
            for (const auto& [entity, character] : kNamed) {
                if (name == entity) replacement = character;
            }
        }
        if (replacement) {
            decoded.append(*replacement);
            pos = semicolon + 1;
        } else {
            decoded += '&';
            pos = amp + 1;
        }
    }
    return decoded;
}

void AddReference(ReferenceUse use, std::string_view value, std::vector<PageReference>& references) {
    const std::string_view trimmed = Trimmed(value, kHtmlSpace);
    if (!trimmed.empty()) references.push_back({use, std::string(trimmed)});
}

// The url() arguments of a style sheet or style attribute, comments skipped.
void FindCssUrls(std::string_view css, std::vector<PageReference>& references) {
    std::size_t pos = 0;
    std::size_t comment = css.find("/*");
    while (pos < css.size()) {
        if (comment < pos) comment = css.find("/*", pos);
        const std::size_t url = FindIgnoringAsciiCase(css, "url(", pos);
        if (url == std::string_view::npos) return;
        if (comment < url) {
            const std::size_t end = css.find("*/", comment + 2);
            if (end == std::string_view::npos) return;
            pos = end + 2;
            continue;
        }
        std::size_t start = url + 4;
        while (start < css.size() && IsHtmlSpace(css[start])) ++start;
        std::size_t end;
        std::string_view value;
        if (start < css.size() && (css[start] == '"' || css[start] == '\'')) {
            end = css.find(css[start], start + 1);
            if (end == std::string_view::npos) return;
            value = css.substr(start + 1, end - start - 1);
            // A line break ends a CSS string early: that url() is broken and names nothing.
            if (value.find_first_of("\r\n\f") != std::string_view::npos) value = {};
        } else {
            end = css.find(')', start);
            if (end == std::string_view::npos) return;
            value = css.substr(start, end - start);
        }
        AddReference(ReferenceUse::Picture, value, references);
        pos = end + 1;
    }
}

struct Attribute {
    std::string name;   // lower case
    std::string value;  // character references decoded
};

bool RefersToFiles(std::string_view attribute) {
    return attribute == "src" || attribute == "href" || attribute == "background" || attribute == "style";
}

// Reads one start tag whose name begins at `pos` (just after '<'); leaves `pos` after its '>'.
// A tag the page ends in before its '>' has no attributes, as browsers drop it.
std::pair<std::string, std::vector<Attribute>> ReadStartTag(std::string_view html, std::size_t& pos) {
    const std::size_t nameEnd = std::min(html.find_first_of(" \t\n\r\f/>", pos), html.size());
    std::string name = AsciiLower(html.substr(pos, nameEnd - pos));
    pos = nameEnd;
    std::vector<Attribute> attributes;
    while (true) {
        while (pos < html.size() && (IsHtmlSpace(html[pos]) || html[pos] == '/')) ++pos;
        if (pos >= html.size()) return {std::move(name), {}};
        if (html[pos] == '>') {
            ++pos;
            break;
        }
        // A name runs to a blank, '/', '>' or '='; a '=' at its start belongs to it.
        const std::size_t attrStart = pos++;
        while (pos < html.size() && !IsHtmlSpace(html[pos]) && html[pos] != '/' && html[pos] != '>' && html[pos] != '=')
            ++pos;
        Attribute attribute{AsciiLower(html.substr(attrStart, pos - attrStart)), {}};
        std::size_t afterName = pos;
        while (afterName < html.size() && IsHtmlSpace(html[afterName])) ++afterName;
        if (afterName < html.size() && html[afterName] == '=') {
            pos = afterName + 1;
            while (pos < html.size() && IsHtmlSpace(html[pos])) ++pos;
            std::string_view raw;
            if (pos < html.size() && (html[pos] == '"' || html[pos] == '\'')) {
                const std::size_t close = std::min(html.find(html[pos], pos + 1), html.size());
                raw = html.substr(pos + 1, close - pos - 1);
                pos = std::min(close + 1, html.size());
            } else {
                const std::size_t end = std::min(html.find_first_of(" \t\n\r\f>", pos), html.size());
                raw = html.substr(pos, end - pos);
                pos = end;
            }
            attribute.value = DecodeCharacterReferences(raw);
        }
        // Only the attributes that refer to files are kept; as in browsers, the first of two
        // with one name counts.
        if (RefersToFiles(attribute.name) &&
            std::ranges::none_of(attributes, [&](const Attribute& a) { return a.name == attribute.name; })) {
            attributes.push_back(std::move(attribute));
        }
    }
    return {std::move(name), std::move(attributes)};
}

void AddReferencesOfTag(const std::string& tag, const std::vector<Attribute>& attributes,
                        std::vector<PageReference>& references) {
    for (const Attribute& attribute : attributes) {
        if (attribute.name == "background") {
            AddReference(ReferenceUse::Picture, attribute.value, references);
        } else if (attribute.name == "style") {
            FindCssUrls(attribute.value, references);
        } else if (attribute.name == "src") {
            const ReferenceUse use = tag == "img"      ? ReferenceUse::Picture
                                     : tag == "script" ? ReferenceUse::Script
                                                       : ReferenceUse::Embedded;
            AddReference(use, attribute.value, references);
        } else if (attribute.name == "href") {
            if (tag == "link") AddReference(ReferenceUse::StyleSheet, attribute.value, references);
            if (tag == "a" || tag == "area") AddReference(ReferenceUse::Link, attribute.value, references);
        }
    }
}

// Elements whose content is text, not markup: what looks like a tag inside is none.
bool HoldsRawText(const std::string& tag) {
    return tag == "script" || tag == "style" || tag == "textarea" || tag == "title";
}

// Decodes %XX escapes; a '%' not followed by two hex digits stays as it is.
std::string PercentDecoded(std::string_view text) {
    const auto hexValue = [](char c) -> int {
        if (IsAsciiDigit(c)) return c - '0';
        c = AsciiLower(c);
        return (c >= 'a' && c <= 'f') ? c - 'a' + 10 : -1;
    };
    std::string decoded;
    decoded.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size() && hexValue(text[i + 1]) >= 0 && hexValue(text[i + 2]) >= 0) {
            decoded += static_cast<char>(hexValue(text[i + 1]) * 16 + hexValue(text[i + 2]));
            i += 2;
        } else {
            decoded += text[i];
        }
    }
    return decoded;
}

// The scheme of an absolute URL ("http", "C" for a drive letter); empty when there is none.
std::string_view SchemeOf(std::string_view value) {
    const std::size_t colon = value.find(':');
    if (colon == std::string_view::npos || colon == 0 || !IsAsciiLetter(value.front())) return {};
    const std::string_view scheme = value.substr(0, colon);
    const bool valid = std::ranges::all_of(
        scheme, [](char c) { return IsAsciiLetter(c) || IsAsciiDigit(c) || c == '+' || c == '-' || c == '.'; });
    return valid ? scheme : std::string_view{};
}

}  // namespace

std::vector<PageReference> FindReferences(std::string_view html) {
    std::vector<PageReference> references;
    std::size_t pos = 0;
    while (true) {
        const std::size_t open = html.find('<', pos);
        if (open == std::string_view::npos || open + 1 >= html.size()) break;
        pos = open + 1;
        if (html.substr(open).starts_with("<!--")) {
            const std::size_t end = html.find("-->", open + 4);
            if (end == std::string_view::npos) break;
            pos = end + 3;
        } else if (html[pos] == '!' || html[pos] == '?' || html[pos] == '/') {
            const std::size_t end = html.find('>', pos);
            if (end == std::string_view::npos) break;
            pos = end + 1;
        } else if (IsAsciiLetter(html[pos])) {
            const auto [tag, attributes] = ReadStartTag(html, pos);
            AddReferencesOfTag(tag, attributes, references);
            if (!HoldsRawText(tag)) continue;
            const std::size_t close = FindIgnoringAsciiCase(html, "</" + tag, pos);
            const std::size_t end = close == std::string_view::npos ? html.size() : close;
            if (tag == "style") FindCssUrls(html.substr(pos, end - pos), references);
            pos = end;
        }
    }
    return references;
}

std::vector<std::string> FindPlaceholders(std::string_view html) {
    std::vector<std::string> placeholders;
    std::vector<std::string> seen;  // lower case: %%TEXTA%% and %%texta%% are one place
    std::size_t pos = html.find("%%");
    while (pos != std::string_view::npos) {
        std::size_t end = pos + 2;
        while (end < html.size() && IsWordChar(html[end])) ++end;
        if (end > pos + 2 && html.substr(end).starts_with("%%")) {
            const std::string_view placeholder = html.substr(pos, end + 2 - pos);
            std::string lower = AsciiLower(placeholder);
            if (std::ranges::find(seen, lower) == seen.end()) {
                seen.push_back(std::move(lower));
                placeholders.emplace_back(placeholder);
            }
            pos = html.find("%%", end + 2);
        } else {
            pos = html.find("%%", pos + 1);
        }
    }
    return placeholders;
}

ReferenceTarget LocateTarget(std::string_view value) {
    std::string path(Trimmed(value, kHtmlSpace));
    std::ranges::replace(path, '\\', '/');
    if (path.starts_with("//")) return {TargetPlace::Elsewhere, {}};  // another host, same scheme
    const std::string_view scheme = SchemeOf(path);
    if (!scheme.empty()) {
        const bool onThisComputer = scheme.size() == 1 || AsciiLower(scheme) == "file";
        return {onThisComputer ? TargetPlace::OutsideSite : TargetPlace::Elsewhere, {}};
    }
    path.resize(std::min(path.find_first_of("?#"), path.size()));
    if (path.starts_with('/')) return {TargetPlace::OutsideSite, {}};

    std::vector<std::string> segments;
    std::size_t start = 0;
    while (start <= path.size()) {
        const std::size_t slash = std::min(path.find('/', start), path.size());
        const std::string segment = PercentDecoded(std::string_view(path).substr(start, slash - start));
        if (segment == "..") {
            if (segments.empty()) return {TargetPlace::OutsideSite, {}};
            segments.pop_back();
        } else if (!segment.empty() && segment != ".") {
            segments.push_back(segment);
        }
        start = slash + 1;
    }
    if (segments.empty()) return {TargetPlace::Elsewhere, {}};  // this page or the site folder itself
    return {TargetPlace::SiteFile, std::move(segments)};
}

}  // namespace pw::publisher
