#pragma once
// What a generated page refers to and what it left unfilled, read from its HTML as a
// browser would read it: tags and attributes in any letter case, quoted or bare values,
// character references decoded, CSS url() in style elements and style attributes.
// No Qt, no <expected>: the fuzz target, built with clang, takes this code too.
#include <string>
#include <string_view>
#include <vector>

namespace pw::publisher {

// How a page uses what it refers to.
enum class ReferenceUse {
    Picture,     // img src, a background attribute, CSS url()
    Script,      // script src
    StyleSheet,  // link href
    Link,        // a href, area href
    Embedded,    // src of any other element (iframe, embed, source...)
};

struct PageReference {
    ReferenceUse use;
    std::string value;  // the attribute's value or the url() argument, character references decoded
    bool operator==(const PageReference&) const = default;
};

// Every reference of `html`, in document order. Comments and the text of scripts are
// skipped; an empty value is left out.
std::vector<PageReference> FindReferences(std::string_view html);

// The distinct %%word%% placeholders of `html` (word: ASCII letters, digits, '_'), each
// as written at its first occurrence, in order of first occurrence.
std::vector<std::string> FindPlaceholders(std::string_view html);

// Where a reference leads, seen from a page in the site folder.
enum class TargetPlace {
    Elsewhere,    // another site, mail, a script, data, or a place on the same page
    SiteFile,     // a file (or folder) under the site folder: `segments`
    OutsideSite,  // a path that leaves the site folder: "/...", "../...", "file:", "C:\..."
};

struct ReferenceTarget {
    TargetPlace place;
    // For SiteFile: the path's names below the site folder, percent-decoded, with "." and
    // ".." resolved; never empty, never "." or "..". A trailing '/' (a folder) gives no
    // extra name.
    std::vector<std::string> segments;
};

// Where `value` leads: query and fragment dropped, '\' taken as '/' as browsers do.
// A value that is only a query or fragment, or any URL with a scheme other than "file"
// and drive letters, leads Elsewhere.
ReferenceTarget LocateTarget(std::string_view value);

}  // namespace pw::publisher
