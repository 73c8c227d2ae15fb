#pragma once
// Field files: the record format in which windows keep their tagged text fields.
// One record is  "text","name" CR LF ; a text may span lines (CR LF inside the quotes).
// A double quote inside a text is written doubled and read back as one quote.
#include <string>
#include <string_view>
#include <vector>

namespace pw {

struct FieldRecord {
    std::string text;  // UTF-8
    std::string name;  // the field's control name, compared exactly

    friend bool operator==(const FieldRecord&, const FieldRecord&) = default;
};

// One record, CR LF terminated. Quotes inside text are doubled.
std::string FormatFieldRecord(std::string_view text, std::string_view name);

// Every record of a field file, in file order. Never fails: malformed input yields
// whatever records can be taken from it. A trailing text without a name is dropped.
// Bytes that are not valid UTF-8 are taken as Windows-1252.
std::vector<FieldRecord> ParseFieldRecords(std::string_view bytes);

}  // namespace pw
