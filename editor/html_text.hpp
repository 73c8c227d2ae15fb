#pragma once
// The page editor's work on section text that needs no window: the body of a saved
// document, where the tags of raw HTML lie for colouring, and the small texts the
// editor's commands write into the page.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace pw::editor {

// The text strictly between the first "<BODY>" and the first "</BODY>" (both searched
// case-sensitively, as the editing surface writes them); the whole text when it holds
// no such pair in that order.
std::string ExtractBody(std::string_view document);

// A tag of raw HTML: characters first..last (inclusive, in UTF-16 code units, as the
// text box counts them). `comment` marks comments and declarations ("<!-- -->",
// "<!DOCTYPE>"), which show blue; other tags show red.
struct TagSpan {
    std::size_t first;
    std::size_t last;
    bool comment;
    friend bool operator==(const TagSpan&, const TagSpan&) = default;
};

// The tags of `text` from left to right: a span runs from a "<" to the next ">"; a
// later "<" before that ">" starts the span again; a "!" inside the span marks it as
// a comment. Text outside tags (a lone ">" included) is no span.
std::vector<TagSpan> FindTagSpans(std::u16string_view text);

// "#RRGGBB" for a colour given as 0xBBGGRR, the way the colour dialog reports it:
// red (0x0000FF) gives "#FF0000".
std::string ColourText(std::uint32_t bgr);

// The whole number of rows or columns typed into the table dialog: a number above 0,
// rounded to the nearest whole number with halves to even ("2.6" gives 3, "2.5" gives 2).
// Nothing for text that is empty, not a number, or a number that gives no row at all.
std::optional<int> TableCount(std::string_view typed);

// The table's attribute text from the dialog's boxes, as typed:
// "border =1 cellpadding =1 cellspacing =1 width= 75%" for the defaults.
std::string TableAttributes(std::string_view border, std::string_view padding, std::string_view spacing,
                            std::string_view width);

// The two forms in which the editor writes a picture into the page.
enum class ImageForm {
    Marker,  // "<IMG src=name >", through the source text (the picture hot-spot)
    Direct,  // "<img src=name>", at the caret (the "Add Picture" command)
};

// The image element for a picture in the site folder under `fileName`. A name holding a
// blank, a quote, "<", ">" or "&" is quoted and escaped so that browsers find the picture
// ("<IMG src=\"my photo.jpg\" >"); any other name is written as it is.
std::string ImageElement(std::string_view fileName, ImageForm form);

}  // namespace pw::editor
