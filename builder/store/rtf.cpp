#include "builder/store/rtf.hpp"

#include "shell/general/text_encoding.hpp"

#include <algorithm>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace pw::store {
namespace {

constexpr std::string_view kParagraphMark = "\r\n";

// Destinations whose content is never document text.
// A list in alphabetical order, read as a paragraph.
// clang-format off
constexpr std::string_view kSkippedDestinations[] = {
    "aftncn", "aftnsep", "aftnsepc", "annotation", "atnauthor", "atndate", "atnicn", "atnid",
    "atnparent", "atnref", "atntime", "atrfend", "atrfstart", "author", "background", "bkmkend",
    "bkmkstart", "blipuid", "buptim", "category", "colorschememapping", "colortbl", "comment",
    "company", "creatim", "datafield", "datastore", "defchp", "defpap", "do", "doccomm", "docvar",
    "dptxbxtext", "ebcend", "ebcstart", "factoidname", "falt", "fchars", "ffdeftext", "ffentrymcr",
    "ffexitmcr", "ffformat", "ffhelptext", "ffl", "ffname", "ffstattext", "file", "filetbl",
    "fldinst", "fldtype", "fname", "fontemb", "fontfile", "footer", "footerf", "footerl",
    "footerr", "footnote", "formfield", "ftncn", "ftnsep", "ftnsepc", "g", "generator", "gridtbl",
    "header", "headerf", "headerl", "headerr", "hl", "hlfr", "hlinkbase", "hlloc", "hlsrc", "hsv",
    "htmltag", "info", "keycode", "keywords", "latentstyles", "lchars", "levelnumbers",
    "leveltext", "lfolevel", "linkval", "list", "listlevel", "listname", "listoverride",
    "listoverridetable", "listpicture", "liststylename", "listtable", "lsdlockedexcept", "macc",
    "maccPr", "mailmerge", "manager", "mmathPict", "mmathPr", "nesttableprops", "nextfile",
    "nonesttables", "nonshppict", "objalias", "objclass", "objdata", "object", "objname",
    "objsect", "objtime", "oldcprops", "oldpprops", "oldsprops", "oldtprops", "oleclsid",
    "operator", "panose", "password", "passwordhash", "pgdsc", "pgdsctbl", "pgp", "pgptbl",
    "picprop", "pict", "pn", "pnseclvl", "pntxta", "pntxtb", "printim", "private", "propname",
    "protend", "protstart", "protusertbl", "pxe", "revtbl", "revtim", "rsid", "rsidtbl", "rxe",
    "shpinst", "shppict", "sn", "sp", "staticval", "stylesheet", "subject", "sv", "svb", "tc",
    "template", "themedata", "title", "txe", "userprops", "wgrffmtfilter", "windowcaption",
    "writereservation", "writereservhash", "xe", "xform", "xmlattrname", "xmlattrvalue",
    "xmlclose", "xmlname", "xmlnstbl", "xmlopen",
};
// clang-format on
static_assert(std::ranges::is_sorted(kSkippedDestinations));

// Control words that stand for one character.
struct SymbolWord {
    std::string_view word;
    char32_t codePoint;
};
constexpr SymbolWord kSymbolWords[] = {
    {"bullet", 0x2022},    {"emdash", 0x2014},  {"emspace", 0x2003}, {"endash", 0x2013},  {"enspace", 0x2002},
    {"ldblquote", 0x201C}, {"lquote", 0x2018},  {"ltrmark", 0x200E}, {"qmspace", 0x2005}, {"rdblquote", 0x201D},
    {"rquote", 0x2019},    {"rtlmark", 0x200F}, {"tab", '\t'},       {"zwj", 0x200D},     {"zwnj", 0x200C},
};

// A font's \fcharset as a code page; 0 means "the document's code page" (DEFAULT_CHARSET,
// symbol fonts and character sets whose code pages this reader does not know).
int CodePageForCharset(int charset) {
    switch (charset) {
        case 0: return 1252;  // ANSI_CHARSET is Western whatever \ansicpg says, as in Word
        case 77: return 10000;
        case 161: return 1253;
        case 162: return 1254;
        case 163: return 1258;
        case 177: return 1255;
        case 178: return 1256;
        case 186: return 1257;
        case 204: return 1251;
        case 222: return 874;
        case 238: return 1250;
        case 255: return 437;
        default: return 0;
    }
}

enum class Destination { Text, Skip, FontTable };

// What a group inherits from its parent and restores when it closes.
struct GroupState {
    Destination destination = Destination::Text;
    int unicodeSkip = 1;  // \ucN: fallback characters that follow each \uN
    int font = -1;        // \fN in effect (in the font table: the entry being defined); -1 is \deff
};

struct ControlWord {
    std::string_view word;
    std::optional<int> parameter;
};

class RtfReader {
public:
    explicit RtfReader(std::string_view rtf) : rtf_(rtf) {}

    std::string PlainText() {
        while (pos_ < rtf_.size()) {
            const char c = rtf_[pos_++];
            switch (c) {
                case '{': OpenGroup(); break;
                case '}': CloseGroup(); break;
                case '\\': ReadControl(); break;
                case '\r':
                case '\n': break;  // line breaks in RTF source are layout, not text
                default: TextByte(static_cast<unsigned char>(c)); break;
            }
        }
        FlushHighSurrogate();
        // Word processors end the last paragraph with a mark that is not part of the text.
        if (lastParagraphEnd_ == out_.size() && out_.size() >= kParagraphMark.size()) {
            out_.resize(out_.size() - kParagraphMark.size());
        }
        return std::move(out_);
    }

private:
    GroupState& State() { return groups_.back(); }

    // A group starts with its parent's state; the document's outermost group starts afresh.
    void OpenGroup() {
        pendingSkip_ = 0;
        groups_.push_back(groups_.size() == 1 ? GroupState{} : groups_.back());
    }

    // A closing brace without its opening one is ignored.
    void CloseGroup() {
        pendingSkip_ = 0;
        if (groups_.size() > 1) groups_.pop_back();
    }

    // True when this character is one of the fallback characters after \uN.
    bool ConsumeFallback() {
        if (pendingSkip_ == 0) return false;
        --pendingSkip_;
        return true;
    }

    void ReadControl() {
        if (pos_ >= rtf_.size()) return;
        if (IsLetter(rtf_[pos_])) {
            HandleWord(ReadControlWord());
        } else {
            HandleSymbol(rtf_[pos_++]);
        }
    }

    static bool IsLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
    static bool IsDigit(char c) { return c >= '0' && c <= '9'; }

    // Letters, an optional signed number, and the one blank that may delimit them.
    ControlWord ReadControlWord() {
        const std::size_t start = pos_;
        while (pos_ < rtf_.size() && IsLetter(rtf_[pos_])) ++pos_;
        ControlWord control{rtf_.substr(start, pos_ - start), std::nullopt};
        const bool negative = pos_ + 1 < rtf_.size() && rtf_[pos_] == '-' && IsDigit(rtf_[pos_ + 1]);
        if (negative) ++pos_;
        if (pos_ < rtf_.size() && IsDigit(rtf_[pos_])) {
            long long value = 0;
            for (; pos_ < rtf_.size() && IsDigit(rtf_[pos_]); ++pos_) {
                value = std::min(value * 10 + (rtf_[pos_] - '0'), 1LL << 31);  // saturates oversized numbers
            }
            control.parameter = static_cast<int>(std::clamp(negative ? -value : value, -(1LL << 31), (1LL << 31) - 1));
        }
        if (pos_ < rtf_.size() && rtf_[pos_] == ' ') ++pos_;
        return control;
    }

    void HandleSymbol(char symbol) {
        if (symbol == '\'') {
            HexByte();
            return;
        }
        if (ConsumeFallback()) return;
        switch (symbol) {
            case '*': State().destination = Destination::Skip; break;
            case '~': Emit(0x00A0); break;  // non-breaking space
            case '-': Emit(0x00AD); break;  // optional hyphen
            case '_': Emit(0x2011); break;  // non-breaking hyphen
            case '\r':
            case '\n': ParagraphMark(); break;  // a backslash before a line break is \par
            case '\\':
            case '{':
            case '}': Emit(static_cast<unsigned char>(symbol)); break;
            default: break;  // \| \: and unknown symbols carry no text
        }
    }

    // \'xx: one byte in the code page of the current font.
    void HexByte() {
        int value = 0;
        int digits = 0;
        for (; digits < 2 && pos_ < rtf_.size(); ++digits, ++pos_) {
            const int digit = HexDigitValue(rtf_[pos_]);
            if (digit < 0) break;
            value = value * 16 + digit;
        }
        if (ConsumeFallback() || digits == 0) return;
        EmitCodePageByte(static_cast<unsigned char>(value));
    }

    static int HexDigitValue(char c) {
        if (IsDigit(c)) return c - '0';
        if (c >= 'a' && c <= 'f') return c - 'a' + 10;
        if (c >= 'A' && c <= 'F') return c - 'A' + 10;
        return -1;
    }

    void HandleWord(const ControlWord& control) {
        if (control.word == "bin") {
            SkipBinary(control.parameter.value_or(0));
            return;
        }
        if (ConsumeFallback()) return;
        if (HandleDocumentWord(control)) return;
        switch (State().destination) {
            case Destination::Text: HandleTextWord(control); break;
            case Destination::FontTable: HandleFontTableWord(control); break;
            case Destination::Skip: break;
        }
    }

    // \binN: N bytes of binary data follow; they are never text.
    void SkipBinary(int length) {
        const auto remaining = rtf_.size() - pos_;
        pos_ += std::min<std::size_t>(static_cast<std::size_t>(std::max(length, 0)), remaining);
        ConsumeFallback();
    }

    // Words that mean the same in every destination. True when `control` was one of them.
    bool HandleDocumentWord(const ControlWord& control) {
        const std::string_view word = control.word;
        if (word == "fonttbl") {
            State().destination = Destination::FontTable;
        } else if (std::ranges::binary_search(kSkippedDestinations, word)) {
            State().destination = Destination::Skip;
        } else if (word == "uc") {
            State().unicodeSkip = std::max(control.parameter.value_or(1), 0);
        } else if (word == "ansicpg" && control.parameter) {
            documentCodePage_ = *control.parameter;
        } else if (word == "ansi") {
            documentCodePage_ = 1252;
        } else if (word == "mac") {
            documentCodePage_ = 10000;
        } else if (word == "pc") {
            documentCodePage_ = 437;
        } else if (word == "pca") {
            documentCodePage_ = 850;
        } else if (word == "deff") {
            defaultFont_ = control.parameter.value_or(0);
        } else {
            return false;
        }
        return true;
    }

    void HandleFontTableWord(const ControlWord& control) {
        const int value = control.parameter.value_or(0);
        if (control.word == "f") {
            State().font = value;
        } else if (control.word == "fcharset") {
            fontCodePages_[State().font] = CodePageForCharset(value);
        } else if (control.word == "cpg") {
            fontCodePages_[State().font] = value;
        }
    }

    void HandleTextWord(const ControlWord& control) {
        const std::string_view word = control.word;
        if (word == "par" || word == "sect") {
            ParagraphMark();
        } else if (word == "line") {
            EmitText(kParagraphMark);
        } else if (word == "cell" || word == "nestcell") {
            Emit('\t');
        } else if (word == "row" || word == "nestrow") {
            EndTableRow();
        } else if (word == "u" && control.parameter) {
            UnicodeCharacter(*control.parameter);
            pendingSkip_ = State().unicodeSkip;
        } else if (word == "f") {
            State().font = control.parameter.value_or(-1);
        } else if (word == "plain") {
            State().font = -1;
        } else if (const auto* symbol = std::ranges::find(kSymbolWords, word, &SymbolWord::word);
                   symbol != std::end(kSymbolWords)) {
            Emit(symbol->codePoint);
        }
    }

    // A row's last cell needs no separator: the row ends the line.
    void EndTableRow() {
        FlushHighSurrogate();
        if (!out_.empty() && out_.back() == '\t') out_.pop_back();
        EmitText(kParagraphMark);
    }

    // \uN: a signed 16-bit UTF-16 unit; a surrogate pair arrives as two of them.
    void UnicodeCharacter(int parameter) {
        const auto unit = static_cast<char32_t>(static_cast<std::uint16_t>(parameter));
        const bool isHigh = unit >= 0xD800 && unit <= 0xDBFF;
        const bool isLow = unit >= 0xDC00 && unit <= 0xDFFF;
        if (isLow && highSurrogate_) {
            const char32_t high = *highSurrogate_;
            highSurrogate_.reset();
            Emit(0x10000 + ((high - 0xD800) << 10) + (unit - 0xDC00));
        } else if (isHigh) {
            FlushHighSurrogate();
            highSurrogate_ = unit;
        } else {
            Emit(unit);  // a lone low surrogate becomes U+FFFD there
        }
    }

    void TextByte(unsigned char byte) {
        if (ConsumeFallback()) return;
        EmitCodePageByte(byte);
    }

    void EmitCodePageByte(unsigned char byte) {
        if (State().destination != Destination::Text) return;
        FlushHighSurrogate();
        if (byte < 0x80) {
            out_.push_back(static_cast<char>(byte));
        } else {
            out_ += CodePageByteToUtf8(byte, CurrentCodePage());
        }
    }

    int CurrentCodePage() const {
        const int font = groups_.back().font == -1 ? defaultFont_ : groups_.back().font;
        const auto found = fontCodePages_.find(font);
        return found != fontCodePages_.end() && found->second != 0 ? found->second : documentCodePage_;
    }

    void ParagraphMark() {
        EmitText(kParagraphMark);
        if (State().destination == Destination::Text) lastParagraphEnd_ = out_.size();
    }

    void Emit(char32_t codePoint) {
        if (State().destination != Destination::Text) return;
        FlushHighSurrogate();
        AppendUtf8(out_, codePoint);
    }

    void EmitText(std::string_view text) {
        if (State().destination != Destination::Text) return;
        FlushHighSurrogate();
        out_ += text;
    }

    // A high surrogate not followed by its low half stands for nothing valid.
    void FlushHighSurrogate() {
        if (!highSurrogate_) return;
        highSurrogate_.reset();
        AppendUtf8(out_, 0xFFFD);
    }

    std::string_view rtf_;
    std::size_t pos_ = 0;
    // The bottom entry is outside the document's outermost group: nothing there is text.
    std::vector<GroupState> groups_{GroupState{Destination::Skip}};
    int pendingSkip_ = 0;
    int documentCodePage_ = 1252;
    int defaultFont_ = 0;
    std::map<int, int> fontCodePages_;
    std::optional<char32_t> highSurrogate_;
    std::size_t lastParagraphEnd_ = std::string::npos;
    std::string out_;
};

bool LooksLikeRtf(std::string_view bytes) {
    const auto start = bytes.find_first_not_of(" \t\r\n");
    return start != std::string_view::npos && bytes.substr(start).starts_with("{\\rtf");
}

// "\uN?" for one UTF-16 unit, N as the signed 16-bit number RTF wants.
void AppendUnicodeEscape(std::string& out, char32_t unit) {
    out += "\\u";
    out += std::to_string(static_cast<std::int16_t>(static_cast<std::uint16_t>(unit)));
    out += '?';
}

void AppendRtfCharacter(std::string& out, char32_t codePoint) {
    if (codePoint == '\\' || codePoint == '{' || codePoint == '}') {
        out += '\\';
        out += static_cast<char>(codePoint);
    } else if (codePoint == '\t') {
        out += "\\tab ";
    } else if (codePoint >= 0x20 && codePoint < 0x7F) {
        out += static_cast<char>(codePoint);
    } else if (codePoint < 0x10000) {
        AppendUnicodeEscape(out, codePoint);
    } else {
        AppendUnicodeEscape(out, 0xD800 + ((codePoint - 0x10000) >> 10));
        AppendUnicodeEscape(out, 0xDC00 + ((codePoint - 0x10000) & 0x3FF));
    }
}

}  // namespace

std::string WriteRtf(std::string_view plainUtf8) {
    const std::string text = DecodeLenient(plainUtf8);
    std::string out =
        "{\\rtf1\\ansi\\ansicpg1252\\deff0\\uc1{\\fonttbl{\\f0\\fmodern\\fcharset0 Courier New;}}\r\n"
        "\\pard\\plain\\f0\\fs20 ";
    for (std::size_t pos = 0; pos < text.size();) {
        if (text[pos] == '\r' || text[pos] == '\n') {
            pos += text.compare(pos, 2, "\r\n") == 0 ? 2 : 1;
            out += "\\par\r\n";
        } else {
            const DecodedChar c = DecodeUtf8At(text, pos);
            AppendRtfCharacter(out, c.codePoint);
            pos += c.length;
        }
    }
    // Every paragraph, the last one included, ends with its mark, as word processors write it.
    out += "\\par\r\n}\r\n";
    return out;
}

std::string RtfPlainText(std::string_view rtf) {
    if (!LooksLikeRtf(rtf)) return DecodeLenient(rtf);
    return RtfReader(rtf).PlainText();
}

}  // namespace pw::store
