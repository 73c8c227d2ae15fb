// Section files may be any RTF, or anything at all. The reader must never crash and
// always give well-formed UTF-8; the writer must turn any text into RTF that reads
// back as the same text.
#include "builder/store/rtf.hpp"
#include "shell/general/text_encoding.hpp"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

namespace {

// CR LF, lone CR and lone LF all as CR LF, as the reader gives paragraph marks back.
std::string WithCrLf(std::string_view text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' || text[i] == '\n') {
            if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
            out += "\r\n";
        } else {
            out += text[i];
        }
    }
    return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace pw;
    using pw::store::RtfPlainText;
    using pw::store::WriteRtf;
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    if (!IsValidUtf8(RtfPlainText(input))) std::abort();

    const std::string text = DecodeLenient(input);
    if (RtfPlainText(WriteRtf(text)) != WithCrLf(text)) std::abort();
    return 0;
}
