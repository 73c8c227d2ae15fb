#include "shell/general/field_file.hpp"

#include "shell/general/text_encoding.hpp"

namespace pw {
namespace {

// Reads the comma-separated, quote-delimited fields of a field file one at a time.
class FieldReader {
public:
    explicit FieldReader(std::string_view text) : text_(text) {}

    bool AtEnd() const { return pos_ >= text_.size(); }

    // Empty lines between records carry nothing; skipping them keeps text and name paired.
    void SkipEmptyLines() {
        while (!AtEnd() && IsLineBreak(text_[pos_])) ++pos_;
    }

    // The next field's value; consumes the comma or line end that closes it.
    std::string NextField() {
        while (!AtEnd() && (text_[pos_] == ' ' || text_[pos_] == '\t')) ++pos_;
        if (!AtEnd() && text_[pos_] == '"') {
            ++pos_;
            std::string value = ReadQuoted();
            SkipToDelimiter();
            return value;
        }
        const std::size_t start = pos_;
        const std::size_t end = SkipToDelimiter();
        return std::string(text_.substr(start, end - start));
    }

private:
    static bool IsLineBreak(char c) { return c == '\r' || c == '\n'; }

    // Everything up to the closing quote, line breaks included; "" stands for one quote.
    std::string ReadQuoted() {
        std::string value;
        while (!AtEnd()) {
            const char c = text_[pos_++];
            if (c != '"') {
                value.push_back(c);
            } else if (!AtEnd() && text_[pos_] == '"') {
                value.push_back('"');
                ++pos_;
            } else {
                break;
            }
        }
        return value;
    }

    // Moves past the next comma or line end (CR LF, CR or LF); returns where that delimiter began.
    std::size_t SkipToDelimiter() {
        while (!AtEnd() && text_[pos_] != ',' && !IsLineBreak(text_[pos_])) ++pos_;
        const std::size_t delimiterStart = pos_;
        if (AtEnd()) return delimiterStart;
        const char c = text_[pos_++];
        if (c == '\r' && !AtEnd() && text_[pos_] == '\n') ++pos_;
        return delimiterStart;
    }

    std::string_view text_;
    std::size_t pos_ = 0;
};

}  // namespace

std::string FormatFieldRecord(std::string_view text, std::string_view name) {
    const auto quoted = [](std::string_view value) {
        std::string out = "\"";
        for (const char c : value) {
            if (c == '"') out.push_back('"');
            out.push_back(c);
        }
        out.push_back('"');
        return out;
    };
    return quoted(text) + "," + quoted(name) + "\r\n";
}

std::vector<FieldRecord> ParseFieldRecords(std::string_view bytes) {
    const std::string text = DecodeLenient(bytes);
    FieldReader reader(text);
    std::vector<FieldRecord> records;
    while (true) {
        reader.SkipEmptyLines();
        if (reader.AtEnd()) break;
        std::string value = reader.NextField();
        if (reader.AtEnd()) break;  // a text without a name
        records.push_back({std::move(value), reader.NextField()});
    }
    return records;
}

}  // namespace pw
