#include "designpack/pack_writer.hpp"

#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <fstream>

#include "designpack/extract.hpp"

namespace pw::designpack {

namespace {

// Input bytes per block when a full kMaxBlockInflated block compresses to more than
// kMaxBlockStored (incompressible data): the largest count zlib guarantees to fit.
std::size_t SafeBlockInput()
{
    std::size_t count = kMaxBlockStored;
    while (::compressBound(count) > kMaxBlockStored) --count;
    return count;
}

// Collects little-endian fields and short strings.
class ByteWriter {
public:
    void u8(std::uint8_t v) { bytes_.push_back(v); }
    void u16(std::uint16_t v)
    {
        u8(static_cast<std::uint8_t>(v));
        u8(static_cast<std::uint8_t>(v >> 8));
    }
    void u32(std::uint32_t v)
    {
        u16(static_cast<std::uint16_t>(v));
        u16(static_cast<std::uint16_t>(v >> 16));
    }
    // Precondition (ValidatePack): text.size() <= 255.
    void shortString(std::string_view text)
    {
        u8(static_cast<std::uint8_t>(text.size()));
        bytes_.insert(bytes_.end(), text.begin(), text.end());
    }
    const std::vector<std::uint8_t>& bytes() const { return bytes_; }

private:
    std::vector<std::uint8_t> bytes_;
};

// Reads a ContentSource forwards in pieces.
class ContentReader {
public:
    explicit ContentReader(const ContentSource& source) : source_(source)
    {
        if (const auto* path = std::get_if<std::filesystem::path>(&source_)) file_.open(*path, std::ios::binary);
    }

    std::error_code openError() const
    {
        if (std::holds_alternative<std::filesystem::path>(source_) && !file_.is_open())
            return std::make_error_code(std::errc::no_such_file_or_directory);
        return {};
    }

    // Fills `out` as far as the content goes; the count read (0 at the end).
    std::size_t read(std::span<std::uint8_t> out)
    {
        if (const auto* bytes = std::get_if<std::vector<std::uint8_t>>(&source_)) {
            const std::size_t count = std::min(out.size(), bytes->size() - position_);
            std::copy_n(bytes->begin() + static_cast<std::ptrdiff_t>(position_), count, out.begin());
            position_ += count;
            return count;
        }
        file_.read(reinterpret_cast<char*>(out.data()), static_cast<std::streamsize>(out.size()));
        return static_cast<std::size_t>(file_.gcount());
    }

    bool failed() const { return file_.bad(); }

private:
    const ContentSource& source_;
    std::ifstream file_;
    std::size_t position_ = 0;
};

// Writes bytes to the output stream, keeping the CRC of everything after the stub.
class PackStream {
public:
    explicit PackStream(std::ostream& out) : out_(out) {}

    void write(std::span<const std::uint8_t> bytes, bool checked = true)
    {
        out_.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        if (checked) crc_ = Crc32(crc_, bytes);
    }
    std::uint32_t crc() const { return crc_; }
    bool ok() const { return out_.good(); }

private:
    std::ostream& out_;
    std::uint32_t crc_ = 0;
};

// Compresses one member into blocks and writes them; `storedSize` gets the bytes written.
class MemberCompressor {
public:
    explicit MemberCompressor(int level)
        : level_(level), safeInput_(SafeBlockInput()), pending_(kMaxBlockInflated),
          block_(2 + ::compressBound(kMaxBlockInflated))
    {
    }

    std::error_code write(const ContentSource& content, PackStream& out, std::uint32_t& storedSize)
    {
        ContentReader reader(content);
        if (auto error = reader.openError()) return error;
        std::uint64_t stored = 0;
        std::size_t filled = 0;
        for (;;) {
            filled += reader.read(std::span(pending_).subspan(filled));
            if (reader.failed()) return std::make_error_code(std::errc::io_error);
            if (filled == 0) break;
            const std::size_t used = compressBlock(filled);
            if (used == 0) return std::make_error_code(std::errc::not_enough_memory);
            out.write(std::span(block_).first(2 + blockLength_));
            stored += 2 + blockLength_;
            std::memmove(pending_.data(), pending_.data() + used, filled - used);
            filled -= used;
        }
        if (stored > UINT32_MAX) return std::make_error_code(std::errc::file_too_large);
        storedSize = static_cast<std::uint32_t>(stored);
        return {};
    }

private:
    // Compresses as much of the first `count` pending bytes as fits one block into
    // block_ (length field first); returns how many input bytes it took, 0 when zlib
    // fails (it only can for lack of memory: the buffer holds compressBound bytes).
    std::size_t compressBlock(std::size_t count)
    {
        if (!compressInto(count)) return 0;
        if (blockLength_ > kMaxBlockStored) {
            count = std::min(count, safeInput_);
            if (!compressInto(count)) return 0;
        }
        block_[0] = static_cast<std::uint8_t>(blockLength_);
        block_[1] = static_cast<std::uint8_t>(blockLength_ >> 8);
        return count;
    }

    bool compressInto(std::size_t count)
    {
        uLongf length = block_.size() - 2;
        const int result = ::compress2(block_.data() + 2, &length, pending_.data(), count, level_);
        blockLength_ = length;
        return result == Z_OK;
    }

    int level_;
    std::size_t safeInput_;
    std::vector<std::uint8_t> pending_;
    std::vector<std::uint8_t> block_;
    std::size_t blockLength_ = 0;
};

std::vector<std::uint8_t> CatalogBytes(const PackContents& contents, const std::vector<std::uint32_t>& storedSizes)
{
    ByteWriter w;
    for (std::size_t i = 0; i < contents.members.size(); ++i) {
        const MemberRecord& r = contents.members[i].record;
        w.shortString(r.name);
        w.u32(storedSizes[i]);
        w.u8(r.attributes);
        w.u16(r.modifiedDate);
        w.u16(r.modifiedTime);
        w.u16(r.createdDate);
        w.u16(r.createdTime);
    }
    const PackSettings& s = contents.settings;
    for (const std::string* text : {&s.publisherName, &s.runAfter, &s.prompt, &s.defaultTarget, &s.caption,
                                    &s.webAddress})
        w.shortString(*text);
    w.u32(static_cast<std::uint32_t>(contents.components.size()));
    for (const RuntimeComponent& c : contents.components) {
        w.shortString(c.identifier);
        w.shortString(c.description);
        w.shortString(JoinRequirementList(c.requirements));
    }
    w.u32(contents.flags.bits);
    w.u32(contents.passwordCheck);
    return w.bytes();
}

std::string TooLong(std::string_view what, std::string_view text, std::size_t room)
{
    return std::string(what) + " \"" + std::string(text) + "\" is longer than " + std::to_string(room) + " bytes";
}

bool HasContent(const ContentSource& content)
{
    const auto* bytes = std::get_if<std::vector<std::uint8_t>>(&content);
    return !bytes || !bytes->empty();
}

std::string ValidateComponent(const RuntimeComponent& c)
{
    if (c.identifier.size() > kMaxComponentId) return TooLong("component identifier", c.identifier, kMaxComponentId);
    if (c.description.size() > kMaxComponentDescription)
        return TooLong("component description", c.description, kMaxComponentDescription);
    if (c.requirements.size() > kMaxRequirements) return "component " + c.identifier + " has more than 5 requirements";
    for (const Requirement& r : c.requirements) {
        if (r.name.empty() || r.name.find_first_of(";=") != std::string::npos || r.value.find(';') != std::string::npos)
            return "requirement \"" + r.name + "=" + r.value + "\" cannot be written as name=value;";
        if (r.name.size() > kMaxRequirementName) return TooLong("requirement name", r.name, kMaxRequirementName);
        if (r.value.size() > kMaxRequirementValue) return TooLong("requirement value", r.value, kMaxRequirementValue);
    }
    const std::string list = JoinRequirementList(c.requirements);
    if (list.size() > kMaxShortString) return TooLong("requirement list", list, kMaxShortString);
    return {};
}

}  // namespace

std::string JoinRequirementList(const std::vector<Requirement>& requirements)
{
    std::string list;
    for (const Requirement& r : requirements) list += r.name + "=" + r.value + ";";
    return list;
}

std::string ValidatePack(const PackContents& contents)
{
    if (contents.members.empty()) return "a pack needs at least its icon member";
    if (contents.members.size() > kMaxMembers) return "a pack holds at most 10000 members";
    for (const PackMember& m : contents.members) {
        if (m.record.name.size() > kMaxShortString) return TooLong("member name", m.record.name, kMaxShortString);
        if (IsFolderEntry(m.record.name) && HasContent(m.content))
            return "folder entry \"" + m.record.name + "\" cannot have content";
    }
    const PackSettings& s = contents.settings;
    for (const std::string* text : {&s.publisherName, &s.runAfter, &s.prompt, &s.defaultTarget})
        if (text->size() > kMaxShortString) return TooLong("setting", *text, kMaxShortString);
    if (s.caption.size() > kMaxCaption) return TooLong("caption", s.caption, kMaxCaption);
    if (s.webAddress.size() > kMaxCaption) return TooLong("web address", s.webAddress, kMaxCaption);
    if (contents.components.size() > kMaxComponents) return "a pack holds at most 5 runtime components";
    for (const RuntimeComponent& c : contents.components)
        if (std::string problem = ValidateComponent(c); !problem.empty()) return problem;
    return {};
}

std::error_code WritePack(const PackContents& contents, std::ostream& out, const WriterOptions& options)
{
    if (!ValidatePack(contents).empty() || options.compressionLevel < 0 || options.compressionLevel > 9)
        return std::make_error_code(std::errc::invalid_argument);
    PackStream stream(out);

    ContentReader stub(contents.stub);
    if (auto error = stub.openError()) return error;
    std::vector<std::uint8_t> chunk(kCrcChunkSize);
    while (const std::size_t count = stub.read(chunk)) stream.write(std::span(chunk).first(count), false);
    if (stub.failed()) return std::make_error_code(std::errc::io_error);

    MemberCompressor compressor(options.compressionLevel);
    std::vector<std::uint32_t> storedSizes(contents.members.size());
    for (std::size_t i = 0; i < contents.members.size(); ++i)
        if (auto error = compressor.write(contents.members[i].content, stream, storedSizes[i])) return error;

    const std::vector<std::uint8_t> catalog = CatalogBytes(contents, storedSizes);
    stream.write(catalog);
    ByteWriter counts;
    counts.u32(static_cast<std::uint32_t>(catalog.size()));
    counts.u32(static_cast<std::uint32_t>(contents.members.size()));
    stream.write(counts.bytes());
    ByteWriter check;
    check.u32(stream.crc());
    stream.write(check.bytes(), false);
    out.flush();
    return stream.ok() ? std::error_code{} : std::make_error_code(std::errc::io_error);
}

}  // namespace pw::designpack
