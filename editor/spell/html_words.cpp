#include "editor/spell/html_words.hpp"

#include <algorithm>
#include <array>
#include <cstdint>

#include "shell/general/text.hpp"
#include "shell/general/text_encoding.hpp"

namespace pw::spell {
namespace {

// A named entity this reader does not know: a character that is no letter, shown as written.
constexpr char32_t kUnknownEntity = 0;

// HTML's names of U+00C0 to U+00FF, the Latin-1 letters (with × and ÷ among them).
constexpr std::array<std::string_view, 64> kLatin1Names = {
    "Agrave", "Aacute", "Acirc",  "Atilde", "Auml",   "Aring",  "AElig",  "Ccedil", "Egrave", "Eacute", "Ecirc",
    "Euml",   "Igrave", "Iacute", "Icirc",  "Iuml",   "ETH",    "Ntilde", "Ograve", "Oacute", "Ocirc",  "Otilde",
    "Ouml",   "times",  "Oslash", "Ugrave", "Uacute", "Ucirc",  "Uuml",   "Yacute", "THORN",  "szlig",  "agrave",
    "aacute", "acirc",  "atilde", "auml",   "aring",  "aelig",  "ccedil", "egrave", "eacute", "ecirc",  "euml",
    "igrave", "iacute", "icirc",  "iuml",   "eth",    "ntilde", "ograve", "oacute", "ocirc",  "otilde", "ouml",
    "divide", "oslash", "ugrave", "uacute", "ucirc",  "uuml",   "yacute", "thorn",  "yuml",
};

struct NamedEntity {
    std::string_view name;
    char32_t codePoint;
};

// The other entities hand-written pages use in running text.
constexpr NamedEntity kOtherEntities[] = {
    {"nbsp", 0xA0},     {"amp", '&'},      {"lt", '<'},       {"gt", '>'},       {"quot", '"'},     {"apos", '\''},
    {"lsquo", 0x2018},  {"rsquo", 0x2019}, {"ldquo", 0x201C}, {"rdquo", 0x201D}, {"ndash", 0x2013}, {"mdash", 0x2014},
    {"hellip", 0x2026}, {"OElig", 0x152},  {"oelig", 0x153},  {"Scaron", 0x160}, {"scaron", 0x161}, {"Yuml", 0x178},
    {"copy", 0xA9},     {"reg", 0xAE},     {"trade", 0x2122}, {"euro", 0x20AC},
};

// Tags after which the page goes on in a new block, so a sentence cannot run across them.
constexpr std::string_view kBlockTags[] = {
    "address", "blockquote", "body",  "br",    "caption", "center", "dd",   "div",   "dl",    "dt", "form",
    "h1",      "h2",         "h3",    "h4",    "h5",      "h6",     "head", "hr",    "html",  "li", "ol",
    "p",       "pre",        "table", "tbody", "td",      "tfoot",  "th",   "thead", "title", "tr", "ul",
};

// Prefixes of the addresses that are passed over as a whole.
constexpr std::string_view kAddressPrefixes[] = {"http://", "https://", "ftp://", "mailto:", "www."};
// The longest address looked for, in bytes.
constexpr std::size_t kMaxAddress = 512;

// One character of text: a UTF-8 sequence, or an entity standing for one character.
struct Unit {
    char32_t codePoint;
    std::size_t length;
};

bool IsAsciiAlpha(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
bool IsAsciiDigit(char c) { return c >= '0' && c <= '9'; }
bool IsAsciiAlnum(char c) { return IsAsciiAlpha(c) || IsAsciiDigit(c); }
char32_t NamedEntityCodePoint(std::string_view name) {
    if (const auto latin1 = std::ranges::find(kLatin1Names, name); latin1 != kLatin1Names.end())
        return 0xC0 + static_cast<char32_t>(latin1 - kLatin1Names.begin());
    for (const auto& entity : kOtherEntities)
        if (entity.name == name) return entity.codePoint;
    return kUnknownEntity;
}

// The entity starting at `pos` (an '&'): "&#233;", "&#xE9;" or "&eacute;", the ';' required.
std::optional<Unit> ReadEntity(std::string_view html, std::size_t pos) {
    std::size_t i = pos + 1;
    if (i < html.size() && html[i] == '#') {
        ++i;
        const bool hex = i < html.size() && (html[i] == 'x' || html[i] == 'X');
        if (hex) ++i;
        const std::size_t digitsBegin = i;
        std::uint32_t value = 0;
        for (; i < html.size() && i - digitsBegin < 8; ++i) {
            const char c = AsciiLower(html[i]);
            const int digit = IsAsciiDigit(c) ? c - '0' : (hex && c >= 'a' && c <= 'f') ? c - 'a' + 10 : -1;
            if (digit < 0) break;
            value = value * (hex ? 16 : 10) + static_cast<std::uint32_t>(digit);
        }
        if (i == digitsBegin || i >= html.size() || html[i] != ';') return std::nullopt;
        const bool usable = value != 0 && value <= 0x10FFFF && !(value >= 0xD800 && value <= 0xDFFF);
        return Unit{usable ? static_cast<char32_t>(value) : char32_t{0xFFFD}, i + 1 - pos};
    }
    if (i >= html.size() || !IsAsciiAlpha(html[i])) return std::nullopt;
    while (i < html.size() && IsAsciiAlnum(html[i]) && i - pos <= 32) ++i;
    if (i >= html.size() || html[i] != ';') return std::nullopt;
    return Unit{NamedEntityCodePoint(html.substr(pos + 1, i - pos - 1)), i + 1 - pos};
}

Unit ReadUnit(std::string_view html, std::size_t pos) {
    if (html[pos] == '&')
        if (const auto entity = ReadEntity(html, pos)) return *entity;
    const DecodedChar c = DecodeUtf8At(html, pos);
    return {c.valid ? c.codePoint : char32_t{0xFFFD}, c.length};
}

bool IsLetterUnit(char32_t c) { return c != kUnknownEntity && IsLetter(c); }
bool IsDigitUnit(char32_t c) { return c >= '0' && c <= '9'; }
bool IsApostrophe(char32_t c) { return c == '\'' || c == 0x2019; }

// Combining marks: part of the letter before them ("e" + U+0301 is "é").
bool IsCombiningMark(char32_t c) {
    return (c >= 0x300 && c <= 0x36F) || (c >= 0x1AB0 && c <= 0x1AFF) || (c >= 0x1DC0 && c <= 0x1DFF) ||
           (c >= 0x20D0 && c <= 0x20FF) || (c >= 0xFE20 && c <= 0xFE2F);
}

// The end of a tag whose name ends at `pos`: the first '>' that is not inside a quoted
// attribute value; the end of the text when the tag is never closed.
std::size_t TagEnd(std::string_view html, std::size_t pos) {
    while (pos < html.size()) {
        const char c = html[pos++];
        if (c == '>') return pos;
        if (c != '=') continue;
        while (pos < html.size() && (html[pos] == ' ' || html[pos] == '\t' || html[pos] == '\r' || html[pos] == '\n'))
            ++pos;
        if (pos < html.size() && (html[pos] == '"' || html[pos] == '\'')) {
            const std::size_t close = html.find(html[pos], pos + 1);
            if (close == std::string_view::npos) return html.size();
            pos = close + 1;
        }
    }
    return html.size();
}

struct Markup {
    std::size_t end;
    bool breaksBlock;
};

// The markup starting at `pos` (a '<'), or nothing when this '<' is plain text ("a < b").
std::optional<Markup> ReadMarkup(std::string_view html, std::size_t pos) {
    const auto endAfter = [&](std::size_t found, std::size_t length) {
        return found == std::string_view::npos ? html.size() : found + length;
    };
    if (pos + 1 >= html.size()) return std::nullopt;
    if (html.substr(pos, 4) == "<!--") return Markup{endAfter(html.find("-->", pos + 4), 3), false};
    if (html[pos + 1] == '!' || html[pos + 1] == '?') return Markup{endAfter(html.find('>', pos + 2), 1), false};

    const bool closing = html[pos + 1] == '/';
    const std::size_t nameBegin = pos + 1 + (closing ? 1 : 0);
    if (nameBegin >= html.size() || !IsAsciiAlpha(html[nameBegin])) return std::nullopt;
    std::size_t nameEnd = nameBegin;
    while (nameEnd < html.size() && IsAsciiAlnum(html[nameEnd])) ++nameEnd;
    const std::string name = AsciiLower(html.substr(nameBegin, nameEnd - nameBegin));
    std::size_t end = TagEnd(html, nameEnd);
    if (!closing && (name == "script" || name == "style")) {
        const std::size_t close = FindIgnoringAsciiCase(html, "</" + name, end);
        end = close == std::string_view::npos ? html.size() : TagEnd(html, close + 2 + name.size());
    }
    return Markup{end, std::ranges::find(kBlockTags, name) != std::end(kBlockTags)};
}

// The end of the placeholder starting at `pos` ("%%name%%"), if one starts there.
std::optional<std::size_t> ReadPlaceholder(std::string_view html, std::size_t pos) {
    if (html.substr(pos, 2) != "%%") return std::nullopt;
    std::size_t i = pos + 2;
    while (i < html.size() && (IsAsciiAlnum(html[i]) || html[i] == '_') && i - pos < 66) ++i;
    if (i == pos + 2 || html.substr(i, 2) != "%%") return std::nullopt;
    return i + 2;
}

// The length of the web or mail address starting at `pos`, 0 when none starts there.
// Punctuation that ends the sentence after an address is not part of it.
std::size_t AddressLength(std::string_view html, std::size_t pos) {
    const std::size_t limit = std::min(html.size(), pos + kMaxAddress);
    const auto skip = [&](std::size_t from, auto belongs) {
        while (from < limit && belongs(html[from])) ++from;
        return from;
    };
    std::size_t end = 0;
    const std::string_view rest = html.substr(pos);
    if (std::ranges::any_of(kAddressPrefixes,
                            [&](std::string_view p) { return StartsWithIgnoringAsciiCase(rest, p); })) {
        end = skip(pos, [](char c) { return std::string_view(" \t\r\n<>\"'").find(c) == std::string_view::npos; });
    } else {
        const std::size_t at = skip(
            pos, [](char c) { return IsAsciiAlnum(c) || std::string_view("._%+-").find(c) != std::string_view::npos; });
        if (at == limit || html[at] != '@') return 0;
        end = skip(at + 1, [](char c) { return IsAsciiAlnum(c) || c == '.' || c == '-'; });
        if (html.substr(at + 1, end - at - 1).find('.') == std::string_view::npos) return 0;
    }
    while (end > pos && std::string_view(".,;:!?)").find(html[end - 1]) != std::string_view::npos) --end;
    return end - pos;
}

bool IsSpace(const Token& token) {
    return token.kind == TokenKind::Character && (token.text == " " || token.text == "\t" || token.text == "\n" ||
                                                  token.text == "\r" || token.text == "\f" || token.text == "\u00A0");
}

bool IsSentenceStop(const Token& token) {
    return token.kind == TokenKind::Character && (token.text == "." || token.text == "!" || token.text == "?");
}

// Context kept on each side of the word in a sentence, in bytes.
constexpr std::size_t kContext = 120;

}  // namespace

std::optional<Token> HtmlTextScanner::Next() {
    if (pos_ >= html_.size()) return std::nullopt;
    const std::size_t begin = pos_;
    const char first = html_[begin];
    if (first == '<')
        if (const auto markup = ReadMarkup(html_, begin)) {
            pos_ = markup->end;
            return Token{TokenKind::Markup, begin, pos_, {}, markup->breaksBlock};
        }
    if (first == '%')
        if (const auto end = ReadPlaceholder(html_, begin)) {
            pos_ = *end;
            return Token{TokenKind::Placeholder, begin, pos_, {}, false};
        }
    if (IsAsciiAlnum(first))
        if (const std::size_t length = AddressLength(html_, begin)) {
            pos_ += length;
            return Token{TokenKind::Address, begin, pos_, {}, false};
        }

    const Unit unit = ReadUnit(html_, begin);
    if (!IsLetterUnit(unit.codePoint) && !IsDigitUnit(unit.codePoint)) {
        pos_ += unit.length;
        std::string text;
        if (unit.codePoint == kUnknownEntity)
            text = html_.substr(begin, unit.length);
        else
            AppendUtf8(text, unit.codePoint);
        return Token{TokenKind::Character, begin, pos_, std::move(text), false};
    }

    // A word or a number: letters and digits, and an apostrophe where a letter follows it.
    std::string text;
    bool hasDigit = false;
    while (pos_ < html_.size()) {
        const Unit u = ReadUnit(html_, pos_);
        const bool joins = IsLetterUnit(u.codePoint) || IsDigitUnit(u.codePoint) || IsCombiningMark(u.codePoint) ||
                           (IsApostrophe(u.codePoint) && pos_ + u.length < html_.size() &&
                            IsLetterUnit(ReadUnit(html_, pos_ + u.length).codePoint));
        if (!joins) break;
        hasDigit = hasDigit || IsDigitUnit(u.codePoint);
        AppendUtf8(text, u.codePoint);
        pos_ += u.length;
    }
    if (hasDigit) return Token{TokenKind::Number, begin, pos_, {}, false};
    return Token{TokenKind::Word, begin, pos_, std::move(text), false};
}

std::optional<Token> HtmlTextScanner::NextWord() {
    while (auto token = Next())
        if (token->kind == TokenKind::Word) return token;
    return std::nullopt;
}

Sentence SentenceAround(std::string_view html, std::size_t wordBegin, std::size_t wordEnd) {
    // The start: after the last block break or sentence stop before the word. Tags can
    // only be told from text by reading from the beginning.
    std::size_t start = 0;
    std::optional<std::size_t> stopEnd;  // end of a '.', '!' or '?' that may end a sentence
    for (HtmlTextScanner scanner(html); auto token = scanner.Next();) {
        if (token->begin >= wordBegin) break;
        if (token->kind == TokenKind::Markup && token->breaksBlock) {
            start = token->end;
            stopEnd.reset();
        } else if (stopEnd && (IsSpace(*token) || token->kind == TokenKind::Markup)) {
            start = *stopEnd;
            stopEnd.reset();
        } else {
            stopEnd = IsSentenceStop(*token) ? std::optional(token->end) : std::nullopt;
        }
    }

    // The end: the first block break or sentence stop after it, not looking much further
    // than the context that is shown.
    std::size_t end = html.size();
    stopEnd.reset();
    for (HtmlTextScanner scanner(html, wordEnd); auto token = scanner.Next();) {
        if (stopEnd && (IsSpace(*token) || token->kind == TokenKind::Markup)) {
            end = *stopEnd;
            break;
        }
        if ((token->kind == TokenKind::Markup && token->breaksBlock) || token->begin > wordEnd + 4 * kContext) {
            end = token->begin;
            break;
        }
        stopEnd = IsSentenceStop(*token) ? std::optional(token->end) : std::nullopt;
    }

    Sentence sentence{{}, 0, 0};
    std::string& text = sentence.text;
    bool spacePending = false;
    const auto append = [&](std::string_view piece) {
        if (spacePending && !text.empty()) text += ' ';
        spacePending = false;
        text += piece;
    };
    for (HtmlTextScanner scanner(html, start); auto token = scanner.Next();) {
        if (token->begin >= end) break;
        if (token->kind == TokenKind::Markup) continue;
        if (IsSpace(*token)) {
            spacePending = true;
        } else if (token->kind == TokenKind::Word || token->kind == TokenKind::Character) {
            append("");
            if (token->begin == wordBegin) sentence.wordBegin = text.size();
            text += token->text;
            if (token->begin == wordBegin) sentence.wordEnd = text.size();
        } else {
            append(html.substr(token->begin, token->end - token->begin));
        }
    }

    if (sentence.wordBegin > kContext) {
        const std::size_t cut = text.find(' ', sentence.wordBegin - kContext);
        if (cut < sentence.wordBegin) {
            const std::size_t removed = cut + 1 - std::string_view("… ").size();
            text = "… " + text.substr(cut + 1);
            sentence.wordBegin -= removed;
            sentence.wordEnd -= removed;
        }
    }
    if (text.size() > sentence.wordEnd + kContext) {
        const std::size_t cut = text.rfind(' ', sentence.wordEnd + kContext);
        if (cut != std::string::npos && cut >= sentence.wordEnd) text = text.substr(0, cut) + " …";
    }
    return sentence;
}

}  // namespace pw::spell
