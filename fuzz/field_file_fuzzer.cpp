// Field files are read from the site folder, where anything may have put anything.
// Besides never crashing, whatever records the reader takes must survive being
// written back and read again unchanged.
#include "shell/general/field_file.hpp"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace pw;
    const auto records = ParseFieldRecords(std::string_view(reinterpret_cast<const char*>(data), size));
    std::string rewritten;
    for (const auto& record : records) rewritten += FormatFieldRecord(record.text, record.name);
    if (ParseFieldRecords(rewritten) != records) std::abort();
    return 0;
}
