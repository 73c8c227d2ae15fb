#pragma once
// Page generation: the site's template with its placeholders filled from one page's
// fields, sections and the page names, written to the page's .html file. No Qt: the
// builder window and the headless `pagewright generate` command both drive it.
#include <expected>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

namespace pw {

// The three page names as the page-names window keeps them in pagebox.txt.
struct PageNames {
    std::string page1 = "Home";
    std::string Page2 = "News";
    std::string Page3 = "About us";
};

// Everything one generation run reads besides the template.
struct PageInputs {
    std::string pageWord = "one";  // "one", "two" or "three"; empty or unknown counts as "one"
    PageNames names;
    std::string Text2;    // page title, replaces %%titlez%%
    std::string Text100;  // description, replaces %%content%%
    std::string Text24;   // keywords, replaces %%keyword%%
    std::string sectionA;  // replaces %%texta%%
    std::string sectionB;  // replaces %%textb%%
};

inline constexpr std::string_view kTemplateFile = "temp311.htx";
inline constexpr std::string_view kPageNamesFile = "pagebox.txt";
inline constexpr std::string_view kTemplateErrorMessage = "Error accessing file";

struct GenerationError {
    enum class Kind {
        TemplateUnreadable,  // the template could not be opened or read: nothing is written
        PageNameUnusable,    // the page name would name a file outside the site folder
        PageUnwritable,      // the page file could not be saved: the old one stays as it was
    };
    Kind kind;
    std::filesystem::path path;  // the template or the page file concerned
    std::error_code cause;       // empty for PageNameUnusable
};

// One line for a log or a terminal, naming the file and the system's reason; for a template
// that cannot be read it starts with kTemplateErrorMessage, the message the builder shows.
std::string DescribeError(const GenerationError& error);

// Receives the progress bar's value (0-100) as generation goes on.
using ProgressFn = std::function<void(int)>;

// The template's text as the page is built from it: line by line, each line followed by
// CR LF. A line ends at CR LF or at a lone CR; a lone LF stays inside its line. A last
// line without a line end gains CR LF; an empty template gives an empty text.
std::string ReadTemplateLines(std::string_view templateText);

// The thirteen substitutions, each on the result of the one before, so text inserted by an
// earlier step is seen by later ones; letter case is ignored in every search:
//  %%title%% (this page's name), <a href="index.html"> removed (page one only), %%texta%%,
//  %%footer%% (CreditLine), %%textb%%, %%1%%, %%2%%, %%3%%, %%keyword%%, %%content%%,
//  %%titlez%%, page2.html and page3.html (the page files of names 2 and 3).
// Reports 20 before the first step, 30 and 100 before the second, 10 before the third and
// 100 after the last. Linear in the size of the page.
std::string SubstitutePlaceholders(std::string page, const PageInputs& inputs, const ProgressFn& progress = {});

// The whole page text: the template read with ReadTemplateLines (bytes that are not UTF-8 taken
// as Windows-1252) and substituted. Progress: 10 after reading, the substitution's values, 0 at
// the end; nothing when the template cannot be read.
std::expected<std::string, GenerationError> GeneratePageText(const std::filesystem::path& templatePath,
                                                             const PageInputs& inputs, const ProgressFn& progress = {});

// The page's file name in the site folder: "index.html" for page one, otherwise the page's
// name through SquashLower + ".html" ("About us" gives "aboutus.html", an empty name ".html").
std::string PageFileName(std::string_view pageWord, const PageNames& names);

// "Powered by " and a link to the vendor's home page showing its domain name in black.
std::string CreditLine();

// Saves `pageText` + CR LF as the page's file in `siteFolderPath` (created or replaced
// atomically) and returns its path. A page name holding '/', '\' or NUL is refused
// (PageNameUnusable), so a name can never place a file outside the site folder.
std::expected<std::filesystem::path, GenerationError> WritePageFile(const std::filesystem::path& siteFolderPath,
                                                                    std::string_view pageWord, const PageNames& names,
                                                                    std::string_view pageText);

// The builder's five page fields in file order with the texts they hold before any file
// supplies one: Text2, Text26, Text5, Text100, Text24.
struct FieldText {
    std::string_view name;
    std::string_view text;
};
const std::vector<FieldText>& BuiltInPageFields();

// A file of the site that could not be read while loading a page; what it would have
// supplied keeps its built-in value.
struct UnreadFile {
    std::filesystem::path path;
    std::error_code cause;
};

struct StoredPage {
    PageInputs inputs;
    std::vector<UnreadFile> unread;  // missing files included, in the order they were tried
};

// A page as the builder would show it on opening, loaded fresh from the site folder: the
// built-in field texts overridden by the page's field file (a later record wins), section A
// and B from its section files (empty when unreadable), and the names from pagebox.txt
// (default names for names the file does not give). Never fails: what cannot be read is
// listed in `unread`.
StoredPage LoadStoredPage(const std::filesystem::path& siteFolderPath, std::string_view pageWord);

// The page names from pagebox.txt, default names for those the file does not give. A file
// that exists but cannot be read is added to `unread` when given.
PageNames LoadPageNames(const std::filesystem::path& siteFolderPath, std::vector<UnreadFile>* unread = nullptr);

// One page generated with the site's template (temp311.htx in `siteFolderPath`) and written
// with WritePageFile; returns the written file. Progress as GeneratePageText.
std::expected<std::filesystem::path, GenerationError> GeneratePage(const std::filesystem::path& siteFolderPath,
                                                                   const PageInputs& inputs,
                                                                   const ProgressFn& progress = {});

}  // namespace pw
