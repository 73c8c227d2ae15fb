#include "builder/generation.hpp"

#include "shell/general/field_file.hpp"
#include "shell/general/files.hpp"
#include "shell/general/text.hpp"
#include "shell/general/text_encoding.hpp"
#include "shell/general/vendor_site.hpp"

#include <array>
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

// The vendor address is configuration, so it is escaped rather than trusted to be clean HTML.
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
    std::string page = ReadTemplateLines(DecodeLenient(*bytes));
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
