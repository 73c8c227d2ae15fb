#include "builder/generation.hpp"

#include "shell/general/field_file.hpp"
#include "shell/general/files.hpp"
#include "shell/general/text.hpp"
#include "shell/general/text_encoding.hpp"
#include "shell/general/vendor_site.hpp"

#include <algorithm>
#include <array>
#include <optional>
#include <utility>

namespace pw {
namespace {

namespace fs = std::filesystem;
using store::Page;

class GenerationCategoryImpl final : public std::error_category {
public:
    const char* name() const noexcept override { return "generation"; }
    std::string message(int value) const override {
        switch (static_cast<GenerationErrc>(value)) {
            case GenerationErrc::pageNameUnusable: return "the page name gives no usable file name";
        }
        return "unknown generation error";
    }
};

void Report(const ProgressFn& progress, int value) {
    if (progress) progress(value);
}

// ---- Charset declarations, read as a browser reads a start tag ----

struct Attribute {
    std::string name;  // lower case
    bool hasValue = false;
    std::size_t valueStart = 0, valueEnd = 0;  // the value's bytes, quotes left out
};

// A start tag's attributes, and where the tag ends.
struct StartTag {
    std::vector<Attribute> attributes;
    std::size_t end = 0;  // just past its '>'; npos when the text ends first
};

bool IsHtmlSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f'; }
bool EndsTagName(char c) { return IsHtmlSpace(c) || c == '/' || c == '>'; }

std::size_t SkipSpaces(std::string_view text, std::size_t pos) {
    while (pos < text.size() && IsHtmlSpace(text[pos])) ++pos;
    return pos;
}

// Whether the '<' at `open` starts a tag named `name` (lower case), in any letter case.
bool IsStartTag(std::string_view text, std::size_t open, std::string_view name) {
    const std::size_t after = open + 1 + name.size();
    return StartsWithIgnoringAsciiCase(text.substr(open + 1), name) &&
           (after == text.size() || EndsTagName(text[after]));
}

// The attributes of the start tag whose name ends at `pos`.
StartTag ReadAttributes(std::string_view text, std::size_t pos) {
    StartTag tag;
    while (true) {
        while (pos < text.size() && (IsHtmlSpace(text[pos]) || text[pos] == '/')) ++pos;
        if (pos >= text.size()) {
            tag.end = std::string_view::npos;
            return tag;
        }
        if (text[pos] == '>') {
            tag.end = pos + 1;
            return tag;
        }
        Attribute attribute;
        // A name runs to a space, '/', '>' or '='; an '=' that starts it belongs to it.
        do attribute.name += AsciiLower(text[pos++]);
        while (pos < text.size() && !EndsTagName(text[pos]) && text[pos] != '=');
        pos = SkipSpaces(text, pos);
        if (pos < text.size() && text[pos] == '=') {
            pos = SkipSpaces(text, pos + 1);
            attribute.hasValue = true;
            if (pos < text.size() && (text[pos] == '"' || text[pos] == '\'')) {
                const std::size_t close = text.find(text[pos], pos + 1);
                if (close == std::string_view::npos) {  // the value runs on to the end of the text
                    tag.end = std::string_view::npos;
                    return tag;
                }
                attribute.valueStart = pos + 1;
                attribute.valueEnd = close;
                pos = close + 1;
            } else {
                attribute.valueStart = pos;
                while (pos < text.size() && !IsHtmlSpace(text[pos]) && text[pos] != '>') ++pos;
                attribute.valueEnd = pos;
            }
        }
        tag.attributes.push_back(std::move(attribute));
    }
}

// The first attribute of that name that has a value, as a browser takes it.
const Attribute* AttributeNamed(const StartTag& tag, std::string_view name) {
    for (const Attribute& attribute : tag.attributes) {
        if (attribute.name == name && attribute.hasValue) return &attribute;
    }
    return nullptr;
}

std::string_view ValueOf(std::string_view text, const Attribute& attribute) {
    return text.substr(attribute.valueStart, attribute.valueEnd - attribute.valueStart);
}

std::string_view TrimHtmlSpace(std::string_view text) {
    while (!text.empty() && IsHtmlSpace(text.front())) text.remove_prefix(1);
    while (!text.empty() && IsHtmlSpace(text.back())) text.remove_suffix(1);
    return text;
}

bool NamesUtf8(std::string_view label) {
    const std::string lower = AsciiLower(TrimHtmlSpace(label));
    return lower == "utf-8" || lower == "utf8" || lower == "unicode-1-1-utf-8";
}

// Where a charset is named in a Content-Type value ("text/html; charset=windows-1252"),
// as a browser finds it: after "charset", optional spaces, '=', optional spaces, then a
// quoted or a bare name. Offsets within `content`; nothing when it names none.
std::optional<std::pair<std::size_t, std::size_t>> CharsetInContent(std::string_view content) {
    for (std::size_t at = FindIgnoringAsciiCase(content, "charset"); at != std::string_view::npos;
         at = FindIgnoringAsciiCase(content, "charset", at + 1)) {
        std::size_t pos = SkipSpaces(content, at + 7);
        if (pos >= content.size() || content[pos] != '=') continue;
        pos = SkipSpaces(content, pos + 1);
        if (pos >= content.size()) return std::nullopt;
        if (content[pos] == '"' || content[pos] == '\'') {
            const std::size_t close = content.find(content[pos], pos + 1);
            if (close == std::string_view::npos) return std::nullopt;
            return std::pair{pos + 1, close};
        }
        std::size_t end = pos;
        while (end < content.size() && !IsHtmlSpace(content[end]) && content[end] != ';') ++end;
        return std::pair{pos, end};
    }
    return std::nullopt;
}

void NoteUnread(const fs::path& file, const std::error_code& cause, std::vector<UnreadFile>& unread) {
    unread.push_back({file, cause});
}

// The page fields of the page's field file that generation uses; later records win.
void ApplyPageFields(const fs::path& file, PageInputs& inputs, std::vector<UnreadFile>& unread) {
    const auto bytes = ReadWholeFile(file);
    if (!bytes) return NoteUnread(file, bytes.error(), unread);
    const std::array<std::pair<std::string_view, std::string*>, 3> fields = {{
        {"Text2", &inputs.title},
        {"Text100", &inputs.description},
        {"Text24", &inputs.keywords},
    }};
    for (const auto& record : ParseFieldRecords(*bytes)) {
        for (const auto& [name, member] : fields) {
            if (record.name == name) *member = record.text;
        }
    }
}

void LoadSectionInto(const fs::path& file, std::string& section, std::vector<UnreadFile>& unread) {
    auto text = store::LoadSection(file);
    if (text) {
        section = std::move(*text);
    } else {
        NoteUnread(file, text.error(), unread);
    }
}

}  // namespace

const std::error_category& GenerationCategory() {
    static const GenerationCategoryImpl category;
    return category;
}

std::string ReadTemplateLines(std::string_view templateText) {
    std::string joined;
    joined.reserve(templateText.size() + 2);
    std::size_t lineStart = 0;
    for (std::size_t pos = 0; pos < templateText.size(); ++pos) {
        if (templateText[pos] != '\r') continue;
        joined.append(templateText.substr(lineStart, pos - lineStart)).append("\r\n");
        if (pos + 1 < templateText.size() && templateText[pos + 1] == '\n') ++pos;
        lineStart = pos + 1;
    }
    if (lineStart < templateText.size()) joined.append(templateText.substr(lineStart)).append("\r\n");
    return joined;
}

// Each '<' is looked at once and each meta or head tag read once, so a hostile template
// costs time in proportion to its size.
std::string DeclareUtf8(std::string_view templateText) {
    std::vector<std::pair<std::size_t, std::size_t>> names;  // charset names to become "utf-8"
    bool declared = false;
    std::optional<std::size_t> afterHead;
    std::size_t open = templateText.find('<');
    while (open != std::string_view::npos) {
        const bool meta = IsStartTag(templateText, open, "meta");
        if (!meta && !(IsStartTag(templateText, open, "head") && !afterHead)) {
            open = templateText.find('<', open + 1);
            continue;
        }
        constexpr std::size_t kNameLength = 4;  // of "meta" and of "head"
        const StartTag tag = ReadAttributes(templateText, open + 1 + kNameLength);
        if (tag.end == std::string_view::npos) break;  // the rest of the text is inside this tag
        open = templateText.find('<', tag.end);
        if (!meta) {
            afterHead = tag.end;
            continue;
        }
        for (const Attribute& attribute : tag.attributes) {
            if (attribute.name != "charset" || !attribute.hasValue) continue;
            declared = true;
            if (!NamesUtf8(ValueOf(templateText, attribute)))
                names.emplace_back(attribute.valueStart, attribute.valueEnd);
        }
        const Attribute* httpEquiv = AttributeNamed(tag, "http-equiv");
        const Attribute* content = AttributeNamed(tag, "content");
        if (!httpEquiv || !content || AsciiLower(TrimHtmlSpace(ValueOf(templateText, *httpEquiv))) != "content-type")
            continue;
        const std::string_view value = ValueOf(templateText, *content);
        if (const auto charset = CharsetInContent(value)) {
            declared = true;
            if (!NamesUtf8(value.substr(charset->first, charset->second - charset->first)))
                names.emplace_back(content->valueStart + charset->first, content->valueStart + charset->second);
        }
    }
    std::string page(templateText);
    std::ranges::sort(names);
    for (auto name = names.rbegin(); name != names.rend(); ++name)
        page.replace(name->first, name->second - name->first, "utf-8");
    if (!declared && afterHead) page.insert(*afterHead, R"(<meta charset="utf-8">)");
    return page;
}

std::string SubstitutePlaceholders(std::string page, const PageInputs& inputs, const ProgressFn& progress) {
    Report(progress, 20);
    page = ReplaceAll(page, inputs.names[inputs.page], "%%title%%");
    Report(progress, 30);
    Report(progress, 100);
    // Page one's own link in the bottom bar becomes plain text; its closing tag stays.
    if (inputs.page == Page::One) page = ReplaceAll(page, "", R"(<a href="index.html">)");
    Report(progress, 10);

    const std::pair<std::string_view, std::string> laterSteps[] = {
        {"%%texta%%", inputs.sectionA},
        {"%%footer%%", CreditLine()},
        {"%%textb%%", inputs.sectionB},
        {"%%1%%", inputs.names[Page::One]},
        {"%%2%%", inputs.names[Page::Two]},
        {"%%3%%", inputs.names[Page::Three]},
        {"%%keyword%%", inputs.keywords},
        {"%%content%%", inputs.description},
        {"%%titlez%%", inputs.title},
        {"page2.html", PageFileName(Page::Two, inputs.names)},
        {"page3.html", PageFileName(Page::Three, inputs.names)},
    };
    for (const auto& [search, replacement] : laterSteps) page = ReplaceAll(page, replacement, search);
    Report(progress, 100);
    return page;
}

Result<std::string> GeneratePageText(const fs::path& templatePath, const PageInputs& inputs,
                                     const ProgressFn& progress) {
    const auto bytes = ReadWholeFile(templatePath);
    if (!bytes) return Fail(bytes.error());
    std::string page = DeclareUtf8(ReadTemplateLines(DecodeLenient(*bytes)));
    Report(progress, 10);
    page = SubstitutePlaceholders(std::move(page), inputs, progress);
    Report(progress, 0);
    return page;
}

std::string PageFileName(Page page, const store::PageNames& names) {
    if (page == Page::One) return "index.html";
    std::string name = names[page];
    return SquashLower(name) + ".html";
}

Result<fs::path> PagePath(const fs::path& siteFolderPath, Page page, const store::PageNames& names) {
    if (store::PageNameFaultOf(page, names[page])) return Fail(GenerationErrc::pageNameUnusable);
    return ResolveInFolder(siteFolderPath, PageFileName(page, names));
}

std::string CreditLine() {
    // The vendor address is configuration, so it is escaped rather than trusted to be clean HTML.
    return "Powered by <a href=\"" + EscapeHtml(VendorPage("")) + "\"><font color=\"#000000\">" +
           EscapeHtml(VendorDomain()) + "</font></a>";
}

Result<void> WritePageFile(const fs::path& pagePath, std::string_view pageText) {
    std::string bytes;
    bytes.reserve(pageText.size() + 2);
    bytes.append(pageText).append("\r\n");
    return SaveFileAtomically(pagePath, bytes);
}

StoredPage LoadStoredPage(const fs::path& siteFolderPath, Page page) {
    StoredPage stored;
    PageInputs& inputs = stored.inputs;
    inputs.page = page;
    inputs.title = store::BuiltInText("Text2");
    inputs.description = store::BuiltInText("Text100");
    inputs.keywords = store::BuiltInText("Text24");

    const store::PageFiles files = store::FilesOf(page);
    ApplyPageFields(ResolveInFolder(siteFolderPath, files.fields), inputs, stored.unread);
    LoadSectionInto(ResolveInFolder(siteFolderPath, files.sectionA), inputs.sectionA, stored.unread);
    LoadSectionInto(ResolveInFolder(siteFolderPath, files.sectionB), inputs.sectionB, stored.unread);

    if (auto names = store::LoadPageNames(siteFolderPath)) {
        inputs.names = std::move(*names);
    } else {
        NoteUnread(ResolveInFolder(siteFolderPath, store::kPageNamesFile), names.error(), stored.unread);
    }
    return stored;
}

}  // namespace pw
