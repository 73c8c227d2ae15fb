#include "editor/surface/editing_surface.hpp"

#include <algorithm>
#include <cctype>
#include <cerrno>

#include "shell/general/text.hpp"

namespace pw {
namespace {

class SurfaceCategory final : public std::error_category {
public:
    const char* name() const noexcept override { return "editing surface"; }
    std::string message(int value) const override {
        switch (static_cast<SurfaceErrc>(value)) {
            case SurfaceErrc::engineNotAnswering: return "the browser engine did not answer in time";
            case SurfaceErrc::noDocument: return "no document was loaded";
            case SurfaceErrc::documentTooLarge: return "the document is too large to edit";
        }
        return "editing surface error";
    }
};

// True when `lower` holds `<name` followed by a blank, '>' or '/' (so "<bodyx" does not count).
bool HasTag(std::string_view lower, std::string_view name) {
    const std::string open = "<" + std::string(name);
    for (auto at = lower.find(open); at != std::string_view::npos; at = lower.find(open, at + 1)) {
        const std::size_t next = at + open.size();
        if (next == lower.size()) return false;
        const char c = lower[next];
        if (c == '>' || c == '/' || std::isspace(static_cast<unsigned char>(c))) return true;
    }
    return false;
}

}  // namespace

const QStringList& ClassicBlockFormatNames() {
    static const QStringList names = [] {
        QStringList all;
        for (const BlockFormat& format : kBlockFormats)
            all.append(QString::fromUtf8(format.name.data(), static_cast<qsizetype>(format.name.size())));
        return all;
    }();
    return names;
}

const std::error_category& surface_category() {
    static const SurfaceCategory category;
    return category;
}

std::error_code make_error_code(SurfaceErrc e) { return {static_cast<int>(e), surface_category()}; }

std::uint32_t SaveErrorNumber(std::error_code error) {
    constexpr std::uint32_t kAccessDenied = 70;
    constexpr std::uint32_t kDiskFull = 0x80070027;
    constexpr std::uint32_t kPathNotFound = 0x80070003;
    constexpr std::uint32_t kUnexpected = 0x8000FFFF;
    constexpr std::uint32_t kInvalidArgument = 5;
    constexpr std::uint32_t kOther = 0x80004005;
    if (error.category() == surface_category()) {
        return error == SurfaceErrc::documentTooLarge ? kOther : kUnexpected;
    }
    if (error == std::errc::permission_denied || error == std::errc::operation_not_permitted ||
        error == std::errc::read_only_file_system) {
        return kAccessDenied;
    }
    const bool isErrno = error.category() == std::generic_category() || error.category() == std::system_category();
    if (error == std::errc::no_space_on_device || (isErrno && error.value() == EDQUOT)) return kDiskFull;
    if (error == std::errc::no_such_file_or_directory || error == std::errc::not_a_directory) return kPathNotFound;
    if (error == std::errc::invalid_argument) return kInvalidArgument;
    return kOther;
}

std::string WholeDocumentText(std::string_view fileText) {
    const std::string lower = AsciiLower(fileText);
    if (HasTag(lower, "html") || HasTag(lower, "head") || HasTag(lower, "body") || HasTag(lower, "!doctype")) {
        return std::string(fileText);
    }
    std::string_view fragment = fileText;
    // The builder hands a section over with one CR LF after it; taking it back out keeps a
    // section from growing by a line each time it passes through the editor.
    if (fragment.ends_with("\r\n")) {
        fragment.remove_suffix(2);
    } else if (fragment.ends_with('\n')) {
        fragment.remove_suffix(1);
    }
    return "<HTML><HEAD><TITLE></TITLE></HEAD><BODY>" + std::string(fragment) + "</BODY></HTML>";
}

namespace {

bool StartsWithIgnoringCase(std::string_view text, std::size_t at, std::string_view word) {
    if (at > text.size() || text.size() - at < word.size()) return false;
    for (std::size_t i = 0; i < word.size(); ++i) {
        if (AsciiLower(text[at + i]) != word[i]) return false;
    }
    return true;
}

// True when `text` holds the start or end tag `<name` (or `</name`) at `at`: the name is
// followed by a blank, '>' or '/' (so "<bodyx" does not count).
bool TagNamedAt(std::string_view text, std::size_t at, std::string_view opener) {
    if (!StartsWithIgnoringCase(text, at, opener)) return false;
    const std::size_t next = at + opener.size();
    if (next >= text.size()) return false;
    const char c = text[next];
    return c == '>' || c == '/' || std::isspace(static_cast<unsigned char>(c));
}

// Where the tag starting at `at` ends (just past its '>'), quoted attribute values taken
// whole; npos when it never ends.
std::size_t EndOfTag(std::string_view text, std::size_t at) {
    char quote = 0;
    bool afterEquals = false;
    for (std::size_t i = at + 1; i < text.size(); ++i) {
        const char c = text[i];
        if (quote) {
            if (c == quote) quote = 0;
        } else if (c == '>') {
            return i + 1;
        } else if ((c == '"' || c == '\'') && afterEquals) {
            quote = c;
        }
        if (!std::isspace(static_cast<unsigned char>(c))) afterEquals = c == '=';
    }
    return std::string_view::npos;
}

// Elements whose content is text up to their end tag, never markup.
constexpr std::string_view kRawTextElements[] = {"script", "style", "title", "textarea", "xmp"};

// Past the markup item that starts with '<' at `at`: a comment, a declaration, or a tag
// (with the whole content of a raw text element); npos when it never ends.
std::size_t PastMarkup(std::string_view text, std::size_t at) {
    if (text.compare(at, 4, "<!--") == 0) {
        const std::size_t end = text.find("-->", at + 4);
        return end == std::string_view::npos ? end : end + 3;
    }
    const std::size_t end = EndOfTag(text, at);
    if (end == std::string_view::npos) return end;
    for (std::string_view name : kRawTextElements) {
        if (!TagNamedAt(text, at, "<" + std::string(name))) continue;
        for (std::size_t close = text.find("</", end); close != std::string_view::npos;
             close = text.find("</", close + 2)) {
            if (TagNamedAt(text, close, "</" + std::string(name))) return close;
        }
        return std::string_view::npos;
    }
    return end;
}

// The position of the first tag `opener` ("<body", "</body") from `from` that is markup
// (not inside a comment, a tag or a script); npos when there is none.
std::size_t FindTag(std::string_view text, std::size_t from, std::string_view opener) {
    for (std::size_t at = text.find('<', from); at != std::string_view::npos; at = text.find('<', at)) {
        if (TagNamedAt(text, at, opener)) return at;
        const std::size_t past = PastMarkup(text, at);
        if (past == std::string_view::npos) return past;
        at = std::max(past, at + 1);
    }
    return std::string_view::npos;
}

}  // namespace

std::optional<BodyCut> CutAtBody(std::string_view document) {
    const std::size_t open = FindTag(document, 0, "<body");
    if (open == std::string_view::npos) return std::nullopt;
    const std::size_t contentStart = EndOfTag(document, open);
    if (contentStart == std::string_view::npos) return std::nullopt;
    std::size_t contentEnd = FindTag(document, contentStart, "</body");
    if (contentEnd == std::string_view::npos) contentEnd = document.size();
    BodyCut cut;
    cut.outer.reserve(document.size() - (contentEnd - contentStart));
    cut.outer.append(document.substr(0, contentStart)).append(document.substr(contentEnd));
    cut.content = std::string(document.substr(contentStart, contentEnd - contentStart));
    return cut;
}

std::string ReplaceDataPictureAddresses(std::string_view html,
                                        const std::function<std::optional<std::string>(std::string_view)>& nameFor) {
    std::string out;
    std::size_t copied = 0;
    for (std::size_t at = html.find('<'); at != std::string_view::npos; at = html.find('<', at + 1)) {
        if (html.compare(at, 4, "<!--") == 0) {
            at = html.find("-->", at + 4);
            if (at == std::string_view::npos) break;
            continue;
        }
        if (!TagNamedAt(html, at, "<img")) continue;
        const std::size_t end = EndOfTag(html, at);
        if (end == std::string_view::npos) break;
        // Each src attribute of the tag whose value is a data: picture.
        for (std::size_t name = at + 4; name + 3 < end; ++name) {
            if (!std::isspace(static_cast<unsigned char>(html[name - 1])) || !StartsWithIgnoringCase(html, name, "src"))
                continue;
            std::size_t value = name + 3;
            while (value < end && std::isspace(static_cast<unsigned char>(html[value]))) ++value;
            if (value >= end || html[value] != '=') continue;
            ++value;
            while (value < end && std::isspace(static_cast<unsigned char>(html[value]))) ++value;
            const char quote = value < end && (html[value] == '"' || html[value] == '\'') ? html[value] : 0;
            if (quote) ++value;
            if (!StartsWithIgnoringCase(html, value, "data:image/")) continue;
            std::size_t valueEnd = value;
            while (valueEnd < end &&
                   (quote ? html[valueEnd] != quote
                          : !std::isspace(static_cast<unsigned char>(html[valueEnd])) && html[valueEnd] != '>')) {
                ++valueEnd;
            }
            const auto file = nameFor(html.substr(value, valueEnd - value));
            if (!file) continue;  // not a picture anyone can read: left as it was
            out.append(html.substr(copied, value - copied)).append(*file);
            copied = valueEnd;
            name = valueEnd;
        }
        at = end - 1;
    }
    if (copied == 0) return std::string(html);
    out.append(html.substr(copied));
    return out;
}

void EditingSurface::SetShowBorders(bool on) {
    showBorders_ = on;
    ViewOptionsChanged();
}

void EditingSurface::SetShowDetails(bool on) {
    showDetails_ = on;
    ViewOptionsChanged();
}

void EditingSurface::SetSnapToGrid(bool on) {
    snapToGrid_ = on;
    ViewOptionsChanged();
}

}  // namespace pw
