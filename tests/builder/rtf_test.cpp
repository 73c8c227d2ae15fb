#include "builder/store/rtf.hpp"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

namespace pw::store {
namespace {

struct RoundTripCase {
    std::string text;
    std::string readBack;  // the text with its line breaks as CR LF
};

class RtfRoundTrip : public testing::TestWithParam<RoundTripCase> {};

TEST_P(RtfRoundTrip, PlainTextReadsBackUnchanged) {
    const std::string rtf = WriteRtf(GetParam().text);
    EXPECT_EQ(RtfPlainText(rtf), GetParam().readBack) << rtf;
}

TEST_P(RtfRoundTrip, WritesPlainAsciiRtf) {
    const std::string rtf = WriteRtf(GetParam().text);
    EXPECT_TRUE(rtf.starts_with("{\\rtf1\\ansi\\ansicpg1252")) << rtf;
    EXPECT_NE(rtf.find("{\\fonttbl"), std::string::npos);
    for (const char c : rtf) ASSERT_LT(static_cast<unsigned char>(c), 0x80) << rtf;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RtfRoundTrip,
    testing::Values(RoundTripCase{"", ""}, RoundTripCase{"Kw5 SiteFoundry", "Kw5 SiteFoundry"},
                    RoundTripCase{"a\r\nb", "a\r\nb"}, RoundTripCase{"ends with a break\r\n", "ends with a break\r\n"},
                    RoundTripCase{"\r\n", "\r\n"}, RoundTripCase{"\r\n\r\n", "\r\n\r\n"},
                    RoundTripCase{"lf\nonly\n", "lf\r\nonly\r\n"}, RoundTripCase{"cr\ronly", "cr\r\nonly"},
                    RoundTripCase{"tab\there\t", "tab\there\t"},
                    RoundTripCase{"<p class=\"x\">{braces} \\back\\slash \\par</p>",
                                  "<p class=\"x\">{braces} \\back\\slash \\par</p>"},
                    RoundTripCase{"line\r\n123 digits after a break\r\n  blanks",
                                  "line\r\n123 digits after a break\r\n  blanks"},
                    RoundTripCase{"?questions? and \\u65 lookalikes", "?questions? and \\u65 lookalikes"},
                    RoundTripCase{"Grüße € Καλημέρα 日本語", "Grüße € Καλημέρα 日本語"},
                    RoundTripCase{"beyond the BMP: 😀 𝄞", "beyond the BMP: 😀 𝄞"},
                    RoundTripCase{"control \x01\x7F chars", "control \x01\x7F chars"},
                    RoundTripCase{"Windows-1252 \x80\xE4", "Windows-1252 €ä"}));

TEST(RtfWrite, EscapesNonAsciiAsSignedUnicodeWithFallback) {
    EXPECT_NE(WriteRtf("€").find("\\u8364?"), std::string::npos);
    EXPECT_NE(WriteRtf("\xEF\xBF\xBF").find("\\u-1?"), std::string::npos);  // U+FFFF
    EXPECT_NE(WriteRtf("😀").find("\\u-10179?\\u-8704?"), std::string::npos);
}

struct ReadCase {
    const char* what;
    std::string rtf;
    std::string text;
};

class RtfRead : public testing::TestWithParam<ReadCase> {};

TEST_P(RtfRead, GivesPlainText) { EXPECT_EQ(RtfPlainText(GetParam().rtf), GetParam().text) << GetParam().what; }

INSTANTIATE_TEST_SUITE_P(
    Cases, RtfRead,
    testing::Values(
        ReadCase{"no final paragraph mark", "{\\rtf1 Hello}", "Hello"},
        ReadCase{"final paragraph mark is not text", "{\\rtf1 a\\par b\\par}", "a\r\nb"},
        ReadCase{"only the final mark is dropped", "{\\rtf1 a\\par\\par }", "a\r\n"},
        ReadCase{"final mark inside a group", "{\\rtf1 a{\\b\\par}}", "a"},
        ReadCase{"a line break is text", "{\\rtf1 a\\line b\\line}", "a\r\nb\r\n"},
        ReadCase{"backslash before a line end is \\par", "{\\rtf1 a\\\nb}", "a\r\nb"},
        ReadCase{"line ends in the source are not text", "{\\rtf1 a\r\nb\nc}", "abc"},
        ReadCase{"one blank delimits a control word", "{\\rtf1\\b  two\\b0 x}", " twox"},
        ReadCase{"tab", "{\\rtf1 a\\tab b}", "a\tb"},
        ReadCase{"table rows", "{\\rtf1\\trowd A\\cell B\\cell\\row C\\cell\\row}", "A\tB\r\nC\r\n"},
        ReadCase{"ignorable destinations", "{\\rtf1{\\*\\unknown hidden {nested}}shown}", "shown"},
        ReadCase{"document tables and info",
                 "{\\rtf1{\\fonttbl{\\f0 Arial;}}{\\colortbl;\\red0\\green0\\blue0;}{\\stylesheet{\\s0 Normal;}}"
                 "{\\info{\\title T}{\\author A}}{\\listtable{\\list{\\listlevel{\\leveltext x;}}}}"
                 "{\\listoverridetable{\\listoverride\\ls1}}{\\rsidtbl\\rsid1}x}",
                 "x"},
        ReadCase{"headers, footers, footnotes, pictures, objects",
                 "{\\rtf1{\\header H}{\\footerl F}a{\\footnote N}{\\pict\\pngblip 89504e47}"
                 "{\\object{\\objdata 01}}b}",
                 "ab"},
        ReadCase{"field result is text, instruction is not",
                 "{\\rtf1{\\field{\\*\\fldinst HYPERLINK \"x\"}{\\fldrslt link}}}", "link"},
        ReadCase{"control symbols", "{\\rtf1 a\\~b\\-c\\_d\\{\\}\\\\}", "a\u00A0b\u00ADc\u2011d{}\\"},
        ReadCase{"symbol words", "{\\rtf1\\lquote x\\rquote\\emdash\\bullet}", "\u2018x\u2019\u2014\u2022"},
        ReadCase{"\\'xx in Windows-1252 by default", "{\\rtf1\\ansi \\'e4\\'80\\'9f}", "ä€Ÿ"},
        ReadCase{"\\'xx in the document code page", "{\\rtf1\\ansi\\ansicpg1253 \\'e1\\'c2}", "αΒ"},
        ReadCase{"\\'xx in the font's character set",
                 "{\\rtf1\\ansi{\\fonttbl{\\f0 A;}{\\f1\\fcharset204 B;}}\\f1\\'e0{\\f0\\'e0}\\'e0\\plain\\'e0}",
                 "аàаà"},
        ReadCase{"Mac Roman", "{\\rtf1\\mac \\'8a}", "ä"},
        ReadCase{"unknown code page falls back to 1252", "{\\rtf1\\ansi\\ansicpg932 \\'e4}", "ä"},
        ReadCase{"\\u with one fallback", "{\\rtf1\\u8364?x}", "€x"},
        ReadCase{"negative \\u", "{\\rtf1\\u-3913?}", "\uF0B7"}, ReadCase{"\\uc0", "{\\rtf1\\uc0\\u8364 x}", "€x"},
        ReadCase{"\\uc2 skips two, \\'xx counts as one", "{\\rtf1\\uc2\\u20013\\'d6\\'d0x}", "中x"},
        ReadCase{"a group ends the skipping", "{\\rtf1\\uc3\\u8364{x}y}", "€xy"},
        ReadCase{"\\u without a number is no character", "{\\rtf1 a\\u b}", "ab"},
        ReadCase{"surrogate pair, signed", "{\\rtf1\\u-10179?\\u-8704?}", "😀"},
        ReadCase{"surrogate pair, unsigned", "{\\rtf1\\uc0\\u55357\\u56832 }", "😀"},
        ReadCase{"lone surrogates", "{\\rtf1\\u-10179?x\\u-8704?}", "\uFFFDx\uFFFD"},
        ReadCase{"\\bin data is skipped", "{\\rtf1 a\\bin4 {}\\\\b}", "ab"},
        ReadCase{"\\bin past the end", "{\\rtf1 a\\bin999999 xyz}", "a"},
        ReadCase{"oversized parameter", "{\\rtf1\\u99999999999999999999?x\\uc99999999999 y}", "\xEF\xBF\xBFxy"},
        ReadCase{"extra closing braces end the document", "{\\rtf1 a}}}b", "a"},
        ReadCase{"unclosed groups", "{\\rtf1 {{{a", "a"}, ReadCase{"backslash at the end", "{\\rtf1 a\\", "a"},
        ReadCase{"truncated \\'", "{\\rtf1 a\\'", "a"}, ReadCase{"not RTF at all", "plain text\r\n", "plain text\r\n"},
        ReadCase{"not RTF, Windows-1252",
                 "Gr\xFC\xDF"
                 "e",
                 "Grüße"}));

std::string ReadFixture(const std::string& name) {
    std::ifstream in(std::string(PW_SOURCE_DIR) + "/tests/builder/fixtures/" + name, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

const std::string kSampleText =
    "Grüße aus Köln – Preis: 12,50 €\r\n"
    "Greek: Καλημέρα, CJK: 日本語\r\n"
    "Name\tValue\r\n"
    "first line\r\nsecond line\r\n"
    "<p>HTML & {braces} \\ backslash</p>\r\n";

struct FixtureCase {
    const char* file;
    std::string text;
};

class RtfFixture : public testing::TestWithParam<FixtureCase> {};

TEST_P(RtfFixture, ReadsWhatTheWordProcessorShows) {
    const std::string rtf = ReadFixture(GetParam().file);
    ASSERT_FALSE(rtf.empty()) << GetParam().file;
    EXPECT_EQ(RtfPlainText(rtf), GetParam().text) << GetParam().file;
}

INSTANTIATE_TEST_SUITE_P(
    WordProcessors, RtfFixture,
    testing::Values(FixtureCase{"libreoffice_sample.rtf", kSampleText + "Emoji: 😀"},
                    // AbiWord 3.0 writes characters beyond U+FFFF ahead of their paragraph.
                    FixtureCase{"abiword_sample.rtf", kSampleText + "😀Emoji: "},
                    FixtureCase{"libreoffice_structures.rtf",
                                "Before the table\r\nA1\tB1\r\nA2\tB2\r\nPicture: done\r\nLink: example ok\r\n"
                                "Ende: ä ö ü ß"},
                    FixtureCase{"handwritten_cp1251.rtf", "Привет, мир!\r\nŠář и äю\r\nЯя"},
                    FixtureCase{"handwritten_uc2.rtf", "中文 ok\r\n€ one日 two\r\n本three語four"}));

}  // namespace
}  // namespace pw::store
