#include "editor/html_text.hpp"

#include <cfenv>
#include <charconv>
#include <cmath>
#include <cstdio>

#include "shell/general/text.hpp"

namespace pw::editor {

std::string ExtractBody(std::string_view document) {
    constexpr std::string_view open = "<BODY>", close = "</BODY>";
    const std::size_t start = document.find(open);
    const std::size_t end = document.find(close);
    if (start == std::string_view::npos || end == std::string_view::npos || end < start + open.size())
        return std::string(document);
    return std::string(document.substr(start + open.size(), end - start - open.size()));
}

std::vector<TagSpan> FindTagSpans(std::u16string_view text) {
    constexpr std::size_t kNone = std::u16string_view::npos;
    std::vector<TagSpan> spans;
    std::size_t start = kNone;  // of the open tag
    bool comment = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        switch (text[i]) {
            case u'<':
                start = i;
                comment = false;
                break;
            case u'!':
                if (start != kNone) comment = true;
                break;
            case u'>':
                if (start != kNone) spans.push_back({start, i, comment});
                start = kNone;
                comment = false;
                break;
            default: break;
        }
    }
    return spans;
}

std::string ColourText(std::uint32_t bgr) {
    char text[8];
    std::snprintf(text, sizeof text, "#%02X%02X%02X", bgr & 0xFF, (bgr >> 8) & 0xFF, (bgr >> 16) & 0xFF);
    return text;
}

std::optional<int> TableCount(std::string_view typed) {
    std::string_view text = Trimmed(typed, " \t");
    if (text.starts_with('+')) text.remove_prefix(1);
    double value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size()) return std::nullopt;
    if (!(value > 0) || value > 1e6) return std::nullopt;  // the bound keeps the count an int
    const int saved = std::fegetround();
    std::fesetround(FE_TONEAREST);
    const double rounded = std::nearbyint(value);
    std::fesetround(saved);
    if (rounded < 1) return std::nullopt;
    return static_cast<int>(rounded);
}

std::string TableAttributes(std::string_view border, std::string_view padding, std::string_view spacing,
                            std::string_view width) {
    return "border =" + std::string(border) + " cellpadding =" + std::string(padding) +
           " cellspacing =" + std::string(spacing) + " width= " + std::string(width) + "%";
}

std::string ImageElement(std::string_view fileName, ImageForm form) {
    std::string source;
    if (fileName.find_first_of(" \"'<>&") == std::string_view::npos) {
        source = fileName;
    } else {
        source = "\"" + EscapeHtml(fileName) + "\"";
    }
    return form == ImageForm::Marker ? "<IMG src=" + source + " >" : "<img src=" + source + ">";
}

}  // namespace pw::editor
