#include "shell/general/field_file.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace pw {

void PrintTo(const FieldRecord& r, std::ostream* os) { *os << "{\"" << r.text << "\", \"" << r.name << "\"}"; }

namespace {

struct ReadCase {
    const char* what;
    std::string bytes;
    std::vector<FieldRecord> expected;
};

class FieldFileRead : public testing::TestWithParam<ReadCase> {};

TEST_P(FieldFileRead, GivesRecordsInFileOrder) {
    EXPECT_EQ(ParseFieldRecords(GetParam().bytes), GetParam().expected) << GetParam().what;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FieldFileRead,
    testing::Values(
        ReadCase{"first-run file", "\"\",\"Text1\"\r\n", {{"", "Text1"}}}, ReadCase{"zero records", "", {}},
        ReadCase{"only line breaks", "\r\n\r\n", {}},
        ReadCase{"multi-line Text5",
                 "\" Title\",\"Text2\"\r\n\"Type footer here\r\nsecond line\r\n\",\"Text5\"\r\n",
                 {{" Title", "Text2"}, {"Type footer here\r\nsecond line\r\n", "Text5"}}},
        ReadCase{"any order, a name twice: the caller decides, records stay in file order",
                 "\"k\",\"Text24\"\r\n\"first\",\"Text2\"\r\n\"later\",\"Text2\"\r\n",
                 {{"k", "Text24"}, {"first", "Text2"}, {"later", "Text2"}}},
        ReadCase{"doubled quote is one quote", "\"say \"\"hi\"\"\",\"Text2\"\r\n", {{"say \"hi\"", "Text2"}}},
        ReadCase{"text of one quote", "\"\"\"\",\"Text2\"\r\n", {{"\"", "Text2"}}},
        ReadCase{"junk after the closing quote is dropped",
                 "\"abc\"junk ,\"Text2\" x\r\n\"d\",\"e\"\r\n",
                 {{"abc", "Text2"}, {"d", "e"}}},
        ReadCase{"unquoted fields run to comma and line end",
                 "abc def,Text2\r\n\"q\",page1\r\n",
                 {{"abc def", "Text2"}, {"q", "page1"}}},
        ReadCase{"blanks before a field are skipped", "  \"a\",\t\"b\"\r\n   c,  d\r\n", {{"a", "b"}, {"c", "d"}}},
        ReadCase{"comma inside quotes", "\"a, b\",\"Text2\"\r\n", {{"a, b", "Text2"}}},
        ReadCase{"LF and CR line ends", "\"a\",\"b\"\n\"c\",\"d\"\r\"e\",\"f\"", {{"a", "b"}, {"c", "d"}, {"e", "f"}}},
        ReadCase{"no line end after the last record", "\"a\",\"b\"", {{"a", "b"}}},
        ReadCase{"blank lines between records", "\"a\",\"b\"\r\n\r\n\"c\",\"d\"\r\n", {{"a", "b"}, {"c", "d"}}},
        ReadCase{"a trailing text without a name is dropped", "\"a\",\"b\"\r\n\"orphan\"\r\n", {{"a", "b"}}},
        ReadCase{
            "an unclosed quote runs to the end", "\"a\",\"never closed\r\n\"\"more", {{"a", "never closed\r\n\"more"}}},
        ReadCase{"empty name", "\"a\",\"\"\r\n", {{"a", ""}}},
        ReadCase{"Windows-1252 bytes",
                 "\"Gr\xFC\xDF"
                 "e \x80 5\",\"Text2\"\r\n",
                 {{"Grüße € 5", "Text2"}}},
        ReadCase{"UTF-8 stays UTF-8", "\"Grüße € 日本\",\"Text2\"\r\n", {{"Grüße € 日本", "Text2"}}}));

TEST(FieldFileWrite, FormatsOneQuotedRecordPerLine) {
    EXPECT_EQ(FormatFieldRecord("", "Text1"), "\"\",\"Text1\"\r\n");
    EXPECT_EQ(FormatFieldRecord("a \"b\"", "Text2"), "\"a \"\"b\"\"\",\"Text2\"\r\n");
}

TEST(FieldFileWrite, EveryTextReadsBackUnchanged) {
    const std::vector<FieldRecord> records = {
        {"", "Text26"},
        {" Type your page title (meta title)", "Text2"},
        {"Type footer here\r\n", "Text5"},
        {"two\r\nlines", "Text100"},
        {"quote \" inside", "Text24"},
        {"\"\"", "page1"},
        {"ends with a quote\"", "Page2"},
        {"comma, inside", "Page3"},
        {"Grüße € Καλημέρα", "Text2"},
        {"  leading blanks", "Text2"},
    };
    std::string file;
    for (const auto& r : records) file += FormatFieldRecord(r.text, r.name);
    EXPECT_EQ(ParseFieldRecords(file), records);
}

}  // namespace
}  // namespace pw
