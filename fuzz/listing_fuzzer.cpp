// Folder listings come from the web host, so they are untrusted input. Besides never
// crashing, every entry the parser gives must be a name that can stand for an entry of
// the listed folder, taken from the input as it is, and must read back the same when
// written as an MLSD line.
#include "publisher/listing.hpp"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

namespace {

using pw::publisher::kFileAttribute;
using pw::publisher::kFolderAttribute;
using pw::publisher::ListingFormat;
using pw::publisher::ParseListing;
using pw::publisher::RemoteEntry;

void Check(bool condition) {
    if (!condition) std::abort();
}

std::string MlsdLine(const RemoteEntry& entry) {
    if (entry.name == "..") return "type=pdir; ..\r\n";
    if (entry.IsFolder()) return "type=dir; " + entry.name + "\r\n";
    std::string facts = "type=file;";
    if (entry.size) facts += "size=" + std::to_string(*entry.size) + ";";
    return facts + " " + entry.name + "\r\n";
}

void CheckEntries(std::string_view input, ListingFormat format) {
    const auto entries = ParseListing(input, format);
    std::string rewritten;
    for (const RemoteEntry& entry : entries) {
        Check(!entry.name.empty() && entry.name != ".");
        Check(entry.name.find_first_of(std::string_view("/\0\r\n", 4)) == std::string::npos);
        Check(entry.attributes == kFolderAttribute || entry.attributes == kFileAttribute);
        Check(entry.name != ".." || entry.IsFolder());
        Check(!entry.IsFolder() || !entry.size);
        Check(entry.name == ".." || input.find(entry.name) != std::string_view::npos);
        rewritten += MlsdLine(entry);
    }
    Check(ParseListing(rewritten, ListingFormat::Mlsd) == entries);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    CheckEntries(input, ListingFormat::Mlsd);
    CheckEntries(input, ListingFormat::List);
    return 0;
}
