#pragma once
// Builds a design pack: the stub program, then the member area, the catalog and the
// trailer with its CRC-32. Members are compressed in blocks that keep both limits the
// reader imposes (kMaxBlockStored compressed, kMaxBlockInflated inflated). Output is
// byte for byte reproducible: the same inputs, options and zlib give the same pack.
#include <cstdint>
#include <filesystem>
#include <ostream>
#include <string>
#include <system_error>
#include <variant>
#include <vector>

#include "designpack/payload.hpp"

namespace pw::designpack {

// Bytes held in memory, or a file read in chunks while the pack is written.
using ContentSource = std::variant<std::vector<std::uint8_t>, std::filesystem::path>;

// One member to pack: its record (storedSize is computed and ignored here) and content.
// Folder entries (names ending in '/') must have empty content.
struct PackMember {
    MemberRecord record;
    ContentSource content;
};

struct PackContents {
    ContentSource stub;               // the designpack program image the payload follows
    std::vector<PackMember> members;  // members[0] is the pack's .ico
    PackSettings settings;
    std::vector<RuntimeComponent> components;
    PackFlags flags;
    std::uint32_t passwordCheck = 0;  // 0 or PackPasswordHash(password)
};

struct WriterOptions {
    int compressionLevel = 9;  // zlib level 0..9
};

// Why contents cannot be written as a pack: a count or length beyond the format's
// limits (lengths count bytes), or a folder entry with content. Every value compares
// equal to std::errc::invalid_argument.
enum class PackWriteErrc {
    noIconMember = 1,
    tooManyMembers,     // more than kMaxMembers
    memberNameTooLong,  // beyond kMaxShortString
    folderEntryWithContent,
    settingTooLong,           // publisher, command, prompt or target beyond kMaxShortString
    captionTooLong,           // beyond kMaxCaption
    webAddressTooLong,        // beyond kMaxCaption
    tooManyComponents,        // more than kMaxComponents
    identifierTooLong,        // beyond kMaxComponentId
    descriptionTooLong,       // beyond kMaxComponentDescription
    tooManyRequirements,      // more than kMaxRequirements in one component
    requirementNotListable,   // an empty name, or ';' or '=' where "name=value;" cannot hold it
    requirementNameTooLong,   // beyond kMaxRequirementName
    requirementValueTooLong,  // beyond kMaxRequirementValue
    requirementListTooLong,   // the list as stored beyond kMaxShortString
};
const std::error_category& pack_write_category();
std::error_code make_error_code(PackWriteErrc e);

// The first reason `contents` cannot be written as a pack, or none when it can. On a
// failure, `offending` (when given) receives the text at fault: a name, a setting, a
// component's identifier, a requirement or list.
std::error_code ValidatePack(const PackContents& contents, std::string* offending = nullptr);

// The requirement list as stored in the catalog: "name=value;" for each item.
std::string JoinRequirementList(const std::vector<Requirement>& requirements);

// Writes the whole pack to `out`. Contents that fail ValidatePack give its reason, a
// compression level outside 0..9 std::errc::invalid_argument, and nothing is written; an
// unreadable content file gives its error; a member whose stored size would pass 4 GiB
// gives std::errc::file_too_large; zlib failing gives not_enough_memory; a failing
// stream gives std::errc::io_error.
std::error_code WritePack(const PackContents& contents, std::ostream& out, const WriterOptions& options = {});

}  // namespace pw::designpack

template <>
struct std::is_error_code_enum<pw::designpack::PackWriteErrc> : std::true_type {};
