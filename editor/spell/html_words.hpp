#pragma once
// Reading the words of raw body HTML as the editor's text mode shows it: what a
// reader of the page sees is checked, the markup around it is not. Tags (with their
// attribute values), comments, script and style elements, `%%placeholders%%`, numbers
// and web or mail addresses are passed over; entities are read as the characters they
// stand for, so "caf&eacute;" is the word "café".
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace pw::spell {

enum class TokenKind {
    Word,         // letters, with apostrophes between letters ("don't"); `text` is the word decoded
    Number,       // a run of letters and digits holding a digit ("2nd", "mp3", "2024")
    Address,      // "www.", "http://", "mailto:" and the like, or a mail address
    Markup,       // a tag, comment, declaration, or a whole script or style element
    Placeholder,  // "%%texta%%", "%%1%%": filled in when the page is generated
    Character,    // any other character; `text` is it decoded ("&nbsp;" gives U+00A0)
};

struct Token {
    TokenKind kind;
    std::size_t begin;  // byte range in the scanned text
    std::size_t end;
    std::string text;  // Word and Character: decoded UTF-8; empty for the others
    bool breaksBlock;  // Markup only: a tag that starts a new line of the page (p, br, li, td...)
};

// Reads tokens one after another. The position handed in must lie outside markup (the
// start of the text, or the end of a token read before); the scanner keeps a view of the
// text, which must outlive it and not change meanwhile.
class HtmlTextScanner {
public:
    explicit HtmlTextScanner(std::string_view html, std::size_t from = 0) : html_(html), pos_(from) {}

    // The next token, or nothing at the end of the text.
    std::optional<Token> Next();
    // The next Word token, skipping everything else.
    std::optional<Token> NextWord();

private:
    std::string_view html_;
    std::size_t pos_;
};

// The sentence holding a word, as the page's reader sees it: markup left out, entities
// decoded, white space squeezed to single blanks, cut to a readable length ("…" where cut).
struct Sentence {
    std::string text;
    std::size_t wordBegin;  // byte range of the word within `text`
    std::size_t wordEnd;
};

// The sentence around the word token at bytes [wordBegin, wordEnd) of `html`. A sentence
// ends at ".", "!" or "?" before white space or markup, and at a tag that breaks the block.
Sentence SentenceAround(std::string_view html, std::size_t wordBegin, std::size_t wordEnd);

}  // namespace pw::spell
