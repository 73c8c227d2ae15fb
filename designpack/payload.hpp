#pragma once
// The payload a design pack carries behind its stub program: members, settings,
// runtime components, flags and password check, located from the file's end and
// guarded by one CRC-32. Reading never trusts a length it cannot verify: anything
// that does not fit the stated limits or the source's size makes the pack corrupt.
//
// Every short string is read as text: valid UTF-8 stays as it is, anything else was
// written as Windows-1252 and is decoded to UTF-8. The rooms stated below count the
// stored bytes.
//
// Errors are std::error_code values (category designpack_category()); results come
// back through an out-parameter so this header compiles with every toolchain the
// project builds with, including the fuzzing one.
#include <cstddef>
#include <cstdint>
#include <filesystem>

#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>
#include "shell/general/file_descriptor.hpp"

namespace pw::designpack {

// Limits of the format, shared by reader, extractor and writer.
inline constexpr std::size_t kTrailerSize = 12;
inline constexpr std::uint32_t kMaxMembers = 10'000;
inline constexpr std::size_t kMaxBlockStored = 50'000;    // compressed bytes of one block
inline constexpr std::size_t kMaxBlockInflated = 50'515;  // inflated bytes of one block
inline constexpr std::size_t kCrcChunkSize = 50'000;      // the check value is read in chunks of this size
inline constexpr std::size_t kMaxShortString = 255;
inline constexpr std::size_t kMaxCaption = 79;  // window caption, web address
inline constexpr std::uint32_t kMaxComponents = 5;
inline constexpr std::size_t kMaxComponentId = 19;
inline constexpr std::size_t kMaxComponentDescription = 79;
inline constexpr std::size_t kMaxRequirements = 5;
inline constexpr std::size_t kMaxRequirementName = 79;
inline constexpr std::size_t kMaxRequirementValue = 19;

// What can go wrong with a pack, or with a name it carries.
enum class PackErrc {
    corrupt = 1,     // check value wrong, or a length/offset/block that cannot be right: "This file is corrupted."
    unsafeName = 2,  // a name that was to become a file would leave its folder (absolute, drive, `..`) or names none
};
const std::error_category& designpack_category();
std::error_code make_error_code(PackErrc e);

// The message the installer shows for a corrupt pack.
inline constexpr std::string_view kCorruptMessage = "This file is corrupted.";

// DOS attribute bits the extractor honours.
inline constexpr std::uint8_t kAttrReadOnly = 0x01;
inline constexpr std::uint8_t kAttrArchive = 0x20;

// One member of the member area, as its catalog record describes it.
struct MemberRecord {
    std::string name;              // relative to the target folder, '\' or '/' separated; ending in '/' = folder
    std::uint32_t storedSize = 0;  // bytes in the member area, block length fields included
    std::uint8_t attributes = kAttrArchive;
    std::uint16_t modifiedDate = 0;  // DOS date: bits 15-9 year-1980, 8-5 month, 4-0 day
    std::uint16_t modifiedTime = 0;  // DOS time: bits 15-11 hour, 10-5 minute, 4-0 seconds/2
    std::uint16_t createdDate = 0;
    std::uint16_t createdTime = 0;
};

// The six installer settings, in catalog order.
struct PackSettings {
    std::string publisherName;  // room 255
    std::string runAfter;       // command run after installation; empty: none (room 255)
    std::string prompt;         // shown before the user starts (room 255)
    std::string defaultTarget;  // default target folder (room 255)
    std::string caption;        // window caption (room 79)
    std::string webAddress;     // shown as a link (room 79)
};

// One item of a component's requirement list: "name=value;".
struct Requirement {
    std::string name;   // system library file, or registry key path prefixed '#' (system) or '~' (user)
    std::string value;  // required version text; empty: any version
};

struct RuntimeComponent {
    std::string identifier;                 // used in download requests (room 19)
    std::string description;                // shown to the user (room 79)
    std::vector<Requirement> requirements;  // at most kMaxRequirements
};

// Bits of the flags word.
struct PackFlags {
    static constexpr std::uint32_t kDeleteAfterRun = 1u << 0;  // delete members 1..N-1 after the run-after command
    static constexpr std::uint32_t kOverwrite = 1u << 1;       // overwrite existing files without asking
    static constexpr std::uint32_t kSilent = 1u << 2;          // no dialog, extract at once into the current folder
    static constexpr std::uint32_t kFixedPaths = 1u << 3;      // the user may choose only the drive

    std::uint32_t bits = 0;

    bool deleteAfterRun() const { return bits & kDeleteAfterRun; }
    bool overwriteWithoutAsking() const { return bits & kOverwrite; }
    bool silent() const { return bits & kSilent; }
    bool fixedPaths() const { return bits & kFixedPaths; }
};

// Everything the catalog holds, plus where the member area lies in the source.
struct Catalog {
    std::vector<MemberRecord> members;  // member 0 is the icon
    PackSettings settings;
    std::vector<RuntimeComponent> components;
    PackFlags flags;
    std::uint32_t passwordCheck = 0;  // 0: no password; else PackPasswordHash of the password

    std::uint64_t memberAreaOffset = 0;  // offset of member 0 in the source
    std::uint64_t memberAreaSize = 0;    // S: sum of the stored sizes

    // Offset of member `index` in the source. Precondition: index < members.size().
    std::uint64_t memberOffset(std::size_t index) const;
};

// Random-access bytes a pack is read from: a file (or a window of one) or memory.
class ByteSource {
public:
    virtual ~ByteSource() = default;
    // Number of bytes the source holds.
    virtual std::uint64_t size() const = 0;
    // Fills `out` with the bytes at `offset`. A range that does not lie wholly inside
    // [0, size()) gives PackErrc::corrupt and reads nothing; I/O failures give their errno code.
    virtual std::error_code readAt(std::uint64_t offset, std::span<std::uint8_t> out) = 0;
};

// Bytes held by the caller; the span must outlive the source.
class MemorySource final : public ByteSource {
public:
    explicit MemorySource(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}
    std::uint64_t size() const override { return bytes_.size(); }
    std::error_code readAt(std::uint64_t offset, std::span<std::uint8_t> out) override;

private:
    std::span<const std::uint8_t> bytes_;
};

// A file opened for reading; the source is the file's whole length, or the window
// [offset, offset + length) of it. Reads use pread, so the source keeps no position.
class FileSource final : public ByteSource {
public:
    // Opens `path`. On failure returns nullptr and sets `error` (errno code).
    static std::unique_ptr<FileSource> open(const std::filesystem::path& path, std::error_code& error);
    // Opens the window [offset, offset + length) of `path`; a window reaching past the
    // file's end gives PackErrc::corrupt.
    static std::unique_ptr<FileSource> open(const std::filesystem::path& path, std::uint64_t offset,
                                            std::uint64_t length, std::error_code& error);

    std::uint64_t size() const override { return length_; }
    std::error_code readAt(std::uint64_t offset, std::span<std::uint8_t> out) override;

private:
    FileSource(FileDescriptor file, std::uint64_t offset, std::uint64_t length)
        : file_(std::move(file)), offset_(offset), length_(length) {}
    FileDescriptor file_;
    std::uint64_t offset_;
    std::uint64_t length_;
};

// Reads the trailer and catalog from the end of `source` and verifies the check value
// (CRC-32 over member area, catalog, C and N, read in kCrcChunkSize chunks) and the
// framing of every block (length fields within kMaxBlockStored and inside their member).
// On success fills `catalog` and returns {}. A pack that fails any test gives
// PackErrc::corrupt; `catalog` is then unspecified. Nothing is written anywhere.
std::error_code ReadPayload(ByteSource& source, Catalog& catalog);

// Splits a requirement list "name=value;name=value;" into items: at each ';', then at the
// first '=' of each item (no '=': the whole item is the name, value empty). Empty items
// are dropped. More than kMaxRequirements items, or a name or value beyond its room,
// gives PackErrc::corrupt.
std::error_code ParseRequirementList(std::string_view list, std::vector<Requirement>& out);

// The password hash over the password's bytes as typed ("abc" gives 0x6EDC6A73).
std::uint32_t PackPasswordHash(std::string_view password);

// True when `password` (UTF-8, as typed) gives `check`: the hash of its UTF-8 bytes, or
// of its Windows-1252 bytes when it has them (packs made on Windows hash those).
bool PasswordMatches(std::string_view password, std::uint32_t check);

// The standard CRC-32 (zlib's crc32) of `bytes`, continuing from `crc` (0 to start).
std::uint32_t Crc32(std::uint32_t crc, std::span<const std::uint8_t> bytes);

}  // namespace pw::designpack

template <>
struct std::is_error_code_enum<pw::designpack::PackErrc> : std::true_type {};
