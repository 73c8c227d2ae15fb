#pragma once
// Builds a design pack: the stub program, then the member area, the catalog and the
// trailer with its CRC-32. Members are compressed in blocks that keep both limits the
// reader imposes (kMaxBlockStored compressed, kMaxBlockInflated inflated). Output is
// byte for byte reproducible: the same inputs, options and zlib give the same pack.
#include <cstdint>
#include <filesystem>
#include <ostream>
#include <string>
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

// The first reason `contents` cannot be written as a pack (a count or length beyond the
// format's limits, a folder entry with content), or an empty string when it can.
std::string ValidatePack(const PackContents& contents);

// The requirement list as stored in the catalog: "name=value;" for each item.
std::string JoinRequirementList(const std::vector<Requirement>& requirements);

// Writes the whole pack to `out`. Contents that fail ValidatePack, or a compression
// level outside 0..9, give std::errc::invalid_argument and write nothing; an unreadable content file gives its
// error; a member whose stored size would pass 4 GiB gives std::errc::file_too_large;
// a failing stream gives std::errc::io_error.
std::error_code WritePack(const PackContents& contents, std::ostream& out, const WriterOptions& options = {});

}  // namespace pw::designpack
