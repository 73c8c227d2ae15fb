#pragma once
// Page generation: the site's template with its placeholders filled from one page's
// fields, sections and the page names, written to the page's .html file. No Qt: the
// builder window and the headless `pagewright generate` command both drive it.
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <system_error>
#include <type_traits>
#include <vector>

#include "builder/store/site_files.hpp"
#include "shell/general/result.hpp"

namespace pw {

// Everything one generation run reads besides the template.
struct PageInputs {
    store::Page page = store::Page::One;
    store::PageNames names;
    std::string title;        // replaces %%titlez%%
    std::string description;  // replaces %%content%%
    std::string keywords;     // replaces %%keyword%%
    std::string sectionA;     // replaces %%texta%%
    std::string sectionB;     // replaces %%textb%%
};

inline constexpr std::string_view kTemplateErrorMessage = "Error accessing file";

// Why a page could not be placed in the site folder.
enum class GenerationErrc {
    pageNameUnusable = 1,  // the page name would name a file outside the site folder
};
const std::error_category& GenerationCategory();
inline std::error_code make_error_code(GenerationErrc e) { return {static_cast<int>(e), GenerationCategory()}; }

// Receives the progress bar's value (0-100) as generation goes on.
using ProgressFn = std::function<void(int)>;

// The template's text as the page is built from it: line by line, each line followed by
// CR LF. A line ends at CR LF or at a lone CR; a lone LF stays inside its line. A last
// line without a line end gains CR LF; an empty template gives an empty text.
std::string ReadTemplateLines(std::string_view templateText);

// The template's text with every charset declaration saying UTF-8, the encoding every page
// is written in: the charset attribute of a meta element and the charset in the content of
// a meta element whose http-equiv is Content-Type, in any letter case, attribute order and
// quoting. A text that declares no charset gets <meta charset="utf-8"> right after its
// <head> start tag (nothing when it has none). Declarations of UTF-8 are left as they are.
std::string DeclareUtf8(std::string_view templateText);

// The thirteen substitutions, each on the result of the one before, so text inserted by an
// earlier step is seen by later ones; letter case is ignored in every search:
//  %%title%% (this page's name), <a href="index.html"> removed (page one only), %%texta%%,
//  %%footer%% (CreditLine), %%textb%%, %%1%%, %%2%%, %%3%%, %%keyword%%, %%content%%,
//  %%titlez%%, page2.html and page3.html (the page files of names 2 and 3).
// Reports 20 before the first step, 30 and 100 before the second, 10 before the third and
// 100 after the last. Linear in the size of the page.
std::string SubstitutePlaceholders(std::string page, const PageInputs& inputs, const ProgressFn& progress = {});

// The whole page text: the template read with ReadTemplateLines (bytes that are not UTF-8 taken
// as Windows-1252), its charset declared as UTF-8 (DeclareUtf8) and substituted. Progress: 10 after reading, the substitution's values, 0 at
// the end; nothing when the template cannot be read, whose reason is returned.
Result<std::string> GeneratePageText(const std::filesystem::path& templatePath, const PageInputs& inputs,
                                     const ProgressFn& progress = {});

// The page's file name in the site folder: "index.html" for page one, otherwise the page's
// name through SquashLower + ".html" ("About us" gives "aboutus.html", an empty name ".html").
std::string PageFileName(store::Page page, const store::PageNames& names);

// The page's file in `siteFolderPath`, resolved without regard to case: where the site holds
// "News.html", that is the file written and shown. A page name at fault (store::PageNameFaultOf)
// is refused (pageNameUnusable), so a name can never place a file outside the site folder.
Result<std::filesystem::path> PagePath(const std::filesystem::path& siteFolderPath, store::Page page,
                                       const store::PageNames& names);

// "Powered by " and a link to the vendor's home page showing its domain name in black.
std::string CreditLine();

// Saves `pageText` + CR LF as `pagePath`, created or replaced atomically.
Result<void> WritePageFile(const std::filesystem::path& pagePath, std::string_view pageText);

// A file of the site that could not be read while loading a page; what it would have
// supplied keeps its built-in value.
struct UnreadFile {
    std::filesystem::path path;
    std::error_code cause;
};

struct StoredPage {
    PageInputs inputs;
    std::vector<UnreadFile> unread;  // missing page files included, in the order they were tried
};

// A page as the builder would show it on opening, loaded fresh from the site folder: the
// built-in field texts overridden by the page's field file (a later record wins), section A
// and B from its section files (empty when unreadable), and the names from pagebox.txt
// (default names for names the file does not give). Never fails: what cannot be read is
// listed in `unread`.
StoredPage LoadStoredPage(const std::filesystem::path& siteFolderPath, store::Page page);

}  // namespace pw

template <>
struct std::is_error_code_enum<pw::GenerationErrc> : std::true_type {};
