#include "builder/generation.hpp"

#include "builder/store/field_file.hpp"
#include "builder/store/site_files.hpp"
#include "builder/store/text_encoding.hpp"
#include "shell/general/text.hpp"
#include "shell/general/vendor_site.hpp"

#include <array>
#include <utility>

namespace pw {
namespace {

namespace fs = std::filesystem;

enum class Page { One, Two, Three };

Page PageOf(std::string_view pageWord) {
    if (pageWord == "two") return Page::Two;
    if (pageWord == "three") return Page::Three;
    return Page::One;
}

const std::string& NameOf(Page page, const PageNames& names) {
    switch (page) {
        case Page::Two: return names.Page2;
        case Page::Three: return names.Page3;
        case Page::One: break;
    }
    return names.page1;
}

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

// A name that SquashLower turns into a file name must stay one file inside the site folder.
bool IsPlainFileName(std::string_view name) { return name.find_first_of(std::string_view("/\\\0", 3)) == std::string_view::npos; }

// Reads the records of a field file into the members they name; later records win.
template <typename Target, std::size_t N>
void ApplyFieldFile(const fs::path& file, const std::array<std::pair<std::string_view, std::string Target::*>, N>& slots,
                    Target& target, std::vector<UnreadFile>& unread) {
    const auto bytes = store::ReadWholeFile(file);
    if (!bytes) {
        unread.push_back({file, bytes.error()});
        return;
    }
    for (const auto& record : store::ParseFieldRecords(*bytes)) {
        for (const auto& [name, member] : slots) {
            if (record.name == name) target.*member = record.text;
        }
    }
}

void LoadSectionInto(const fs::path& file, std::string& section, std::vector<UnreadFile>& unread) {
    auto text = store::LoadSection(file);
    if (text) {
        section = std::move(*text);
    } else {
        unread.push_back({file, text.error()});
    }
}

std::string BuiltInText(std::string_view fieldName) {
    for (const auto& field : BuiltInPageFields()) {
        if (field.name == fieldName) return std::string(field.text);
    }
    return {};
}

}  // namespace

std::string DescribeError(const GenerationError& error) {
    const std::string path = error.path.string();
    switch (error.kind) {
        case GenerationError::Kind::TemplateUnreadable:
            return std::string(kTemplateErrorMessage) + ": " + path + " (" + error.cause.message() + ")";
        case GenerationError::Kind::PageNameUnusable:
            return "The page name gives no usable file name: " + path;
        case GenerationError::Kind::PageUnwritable: break;
    }
    return "The page could not be written: " + path + " (" + error.cause.message() + ")";
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
    const Page current = PageOf(inputs.pageWord);
    Report(progress, 20);
    page = ReplaceAll(page, NameOf(current, inputs.names), "%%title%%");
    Report(progress, 30);
    Report(progress, 100);
    // Page one's own link in the bottom bar becomes plain text; its closing tag stays.
    if (current == Page::One) page = ReplaceAll(page, "", R"(<a href="index.html">)");
    Report(progress, 10);

    const std::pair<std::string_view, std::string> laterSteps[] = {
        {"%%texta%%", inputs.sectionA},
        {"%%footer%%", CreditLine()},
        {"%%textb%%", inputs.sectionB},
        {"%%1%%", inputs.names.page1},
        {"%%2%%", inputs.names.Page2},
        {"%%3%%", inputs.names.Page3},
        {"%%keyword%%", inputs.Text24},
        {"%%content%%", inputs.Text100},
        {"%%titlez%%", inputs.Text2},
        {"page2.html", PageFileName("two", inputs.names)},
        {"page3.html", PageFileName("three", inputs.names)},
    };
    for (const auto& [search, replacement] : laterSteps) page = ReplaceAll(page, replacement, search);
    Report(progress, 100);
    return page;
}

std::expected<std::string, GenerationError> GeneratePageText(const fs::path& templatePath, const PageInputs& inputs,
                                                             const ProgressFn& progress) {
    const auto bytes = store::ReadWholeFile(templatePath);
    if (!bytes) return std::unexpected(GenerationError{GenerationError::Kind::TemplateUnreadable, templatePath, bytes.error()});
    std::string page = ReadTemplateLines(store::DecodeLenient(*bytes));
    Report(progress, 10);
    page = SubstitutePlaceholders(std::move(page), inputs, progress);
    Report(progress, 0);
    return page;
}

std::string PageFileName(std::string_view pageWord, const PageNames& names) {
    const Page page = PageOf(pageWord);
    if (page == Page::One) return "index.html";
    std::string name = NameOf(page, names);
    return SquashLower(name) + ".html";
}

std::string CreditLine() {
    return "Powered by <a href=\"" + EscapeHtml(VendorPage("")) + "\"><font color=\"#000000\">" +
           EscapeHtml(VendorDomain()) + "</font></a>";
}

std::expected<fs::path, GenerationError> WritePageFile(const fs::path& siteFolderPath, std::string_view pageWord,
                                                       const PageNames& names, std::string_view pageText) {
    const std::string fileName = PageFileName(pageWord, names);
    if (!IsPlainFileName(fileName)) {
        return std::unexpected(GenerationError{GenerationError::Kind::PageNameUnusable, fileName, {}});
    }
    const fs::path path = store::ResolveInFolder(siteFolderPath, fileName);
    std::string bytes;
    bytes.reserve(pageText.size() + 2);
    bytes.append(pageText).append("\r\n");
    if (auto saved = store::SaveFileAtomically(path, bytes); !saved) {
        return std::unexpected(GenerationError{GenerationError::Kind::PageUnwritable, path, saved.error()});
    }
    return path;
}

const std::vector<FieldText>& BuiltInPageFields() {
    static const std::vector<FieldText> fields = {
        {"Text2", " Type your page title (meta title)"},
        {"Text26", ""},
        {"Text5", "Type footer here\r\n"},
        {"Text100", " Type information about your site (meta content)"},
        {"Text24", "Type keywords  here (meta tags)"},
    };
    return fields;
}

StoredPage LoadStoredPage(const fs::path& siteFolderPath, std::string_view pageWord) {
    StoredPage stored;
    PageInputs& inputs = stored.inputs;
    inputs.pageWord = std::string(pageWord);
    inputs.Text2 = BuiltInText("Text2");
    inputs.Text100 = BuiltInText("Text100");
    inputs.Text24 = BuiltInText("Text24");

    const store::PageFiles files = store::PageFilesFor(pageWord);
    static constexpr std::array<std::pair<std::string_view, std::string PageInputs::*>, 3> pageFields = {{
        {"Text2", &PageInputs::Text2},
        {"Text100", &PageInputs::Text100},
        {"Text24", &PageInputs::Text24},
    }};
    ApplyFieldFile(store::ResolveInFolder(siteFolderPath, files.fields), pageFields, inputs, stored.unread);
    LoadSectionInto(store::ResolveInFolder(siteFolderPath, files.sectionA), inputs.sectionA, stored.unread);
    LoadSectionInto(store::ResolveInFolder(siteFolderPath, files.sectionB), inputs.sectionB, stored.unread);

    inputs.names = LoadPageNames(siteFolderPath, &stored.unread);
    return stored;
}

PageNames LoadPageNames(const fs::path& siteFolderPath, std::vector<UnreadFile>* unread) {
    static constexpr std::array<std::pair<std::string_view, std::string PageNames::*>, 3> nameFields = {{
        {"page1", &PageNames::page1},
        {"Page2", &PageNames::Page2},
        {"Page3", &PageNames::Page3},
    }};
    PageNames names;
    std::vector<UnreadFile> ignored;
    ApplyFieldFile(store::ResolveInFolder(siteFolderPath, kPageNamesFile), nameFields, names, unread ? *unread : ignored);
    return names;
}

std::expected<fs::path, GenerationError> GeneratePage(const fs::path& siteFolderPath, const PageInputs& inputs,
                                                      const ProgressFn& progress) {
    const auto page = GeneratePageText(store::ResolveInFolder(siteFolderPath, kTemplateFile), inputs, progress);
    if (!page) return std::unexpected(page.error());
    return WritePageFile(siteFolderPath, inputs.pageWord, inputs.names, *page);
}

}  // namespace pw
