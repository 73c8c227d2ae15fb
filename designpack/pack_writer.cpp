#include "designpack/pack_writer.hpp"

#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <memory>

#include "designpack/extract.hpp"

namespace pw::designpack {

namespace {

class PackWriteCategory final : public std::error_category {
public:
    const char* name() const noexcept override { return "design pack contents"; }
    std::string message(int value) const override {
        switch (static_cast<PackWriteErrc>(value)) {
            case PackWriteErrc::noIconMember: return "a pack needs at least its icon member";
            case PackWriteErrc::tooManyMembers: return "a pack holds at most 10000 members";
            case PackWriteErrc::memberNameTooLong: return "a member name is longer than 255 bytes";
            case PackWriteErrc::folderEntryWithContent: return "a folder entry cannot have content";
            case PackWriteErrc::settingTooLong: return "a setting is longer than 255 bytes";
            case PackWriteErrc::captionTooLong: return "the caption is longer than 79 bytes";
            case PackWriteErrc::webAddressTooLong: return "the web address is longer than 79 bytes";
            case PackWriteErrc::tooManyComponents: return "a pack holds at most 5 runtime components";
            case PackWriteErrc::identifierTooLong: return "a component identifier is longer than 19 bytes";
            case PackWriteErrc::descriptionTooLong: return "a component description is longer than 79 bytes";
            case PackWriteErrc::tooManyRequirements: return "a component has more than 5 requirements";
            case PackWriteErrc::requirementNotListable: return "a requirement cannot be written as name=value;";
            case PackWriteErrc::requirementNameTooLong: return "a requirement name is longer than 79 bytes";
            case PackWriteErrc::requirementValueTooLong: return "a requirement value is longer than 19 bytes";
            case PackWriteErrc::requirementListTooLong: return "a requirement list is longer than 255 bytes";
        }
        return "the contents cannot be written as a pack";
    }
    // Every reason is an invalid argument to the writer.
    std::error_condition default_error_condition(int) const noexcept override { return std::errc::invalid_argument; }
};

// Input bytes per block when a full kMaxBlockInflated block compresses to more than
// kMaxBlockStored (incompressible data): the largest count zlib guarantees to fit.
std::size_t SafeBlockInput() {
    std::size_t count = kMaxBlockStored;
    while (::compressBound(count) > kMaxBlockStored) --count;
    return count;
}

// Collects little-endian fields and short strings.
class ByteWriter {
public:
    void u8(std::uint8_t v) { bytes_.push_back(v); }
    void u16(std::uint16_t v) {
        u8(static_cast<std::uint8_t>(v));
        u8(static_cast<std::uint8_t>(v >> 8));
    }
    void u32(std::uint32_t v) {
        u16(static_cast<std::uint16_t>(v));
        u16(static_cast<std::uint16_t>(v >> 16));
    }
    // Precondition (ValidatePack): text.size() <= 255.
    void shortString(std::string_view text) {
        u8(static_cast<std::uint8_t>(text.size()));
        bytes_.insert(bytes_.end(), text.begin(), text.end());
    }
    const std::vector<std::uint8_t>& bytes() const { return bytes_; }

private:
    std::vector<std::uint8_t> bytes_;
};

// Reads a ContentSource forwards in pieces; a file is read as long as it was when opened.
class ContentReader {
public:
    explicit ContentReader(const ContentSource& source) : source_(source) {}

    // Opens a file's content; its reason when it does not open.
    std::error_code open() {
        const auto* path = std::get_if<std::filesystem::path>(&source_);
        std::error_code error;
        if (path) file_ = FileSource::open(*path, error);
        return error;
    }

    // Fills `out` as far as the content goes and sets `count` to the bytes read (0 at the end).
    std::error_code read(std::span<std::uint8_t> out, std::size_t& count) {
        const auto* bytes = std::get_if<std::vector<std::uint8_t>>(&source_);
        const std::uint64_t size = bytes ? bytes->size() : file_->size();
        count = static_cast<std::size_t>(std::min<std::uint64_t>(out.size(), size - position_));
        if (bytes)
            std::copy_n(bytes->begin() + static_cast<std::ptrdiff_t>(position_), count, out.begin());
        else if (auto error = file_->readAt(position_, out.first(count)))
            return error;
        position_ += count;
        return {};
    }

private:
    const ContentSource& source_;
    std::unique_ptr<FileSource> file_;
    std::uint64_t position_ = 0;
};

// Writes bytes to the output stream, keeping the CRC of everything after the stub.
class PackStream {
public:
    explicit PackStream(std::ostream& out) : out_(out) {}

    void write(std::span<const std::uint8_t> bytes, bool checked = true) {
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
        : level_(level),
          safeInput_(SafeBlockInput()),
          pending_(kMaxBlockInflated),
          block_(2 + ::compressBound(kMaxBlockInflated)) {}

    std::error_code write(const ContentSource& content, PackStream& out, std::uint32_t& storedSize) {
        ContentReader reader(content);
        if (auto error = reader.open()) return error;
        std::uint64_t stored = 0;
        std::size_t filled = 0;
        for (;;) {
            std::size_t count = 0;
            if (auto error = reader.read(std::span(pending_).subspan(filled), count)) return error;
            filled += count;
            if (filled == 0) break;
            std::size_t used = 0;
            if (auto error = compressBlock(filled, used)) return error;
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
    // block_ (length field first) and sets `used` to how many input bytes it took.
    std::error_code compressBlock(std::size_t count, std::size_t& used) {
        if (auto error = compressInto(count)) return error;
        if (blockLength_ > kMaxBlockStored) {
            count = std::min(count, safeInput_);
            if (auto error = compressInto(count)) return error;
        }
        block_[0] = static_cast<std::uint8_t>(blockLength_);
        block_[1] = static_cast<std::uint8_t>(blockLength_ >> 8);
        used = count;
        return {};
    }

    // zlib can only fail here for lack of memory: the buffer holds compressBound bytes
    // and the level was checked.
    std::error_code compressInto(std::size_t count) {
        uLongf length = block_.size() - 2;
        const int result = ::compress2(block_.data() + 2, &length, pending_.data(), count, level_);
        blockLength_ = length;
        return result == Z_OK ? std::error_code{} : std::make_error_code(std::errc::not_enough_memory);
    }

    int level_;
    std::size_t safeInput_;
    std::vector<std::uint8_t> pending_;
    std::vector<std::uint8_t> block_;
    std::size_t blockLength_ = 0;
};

std::vector<std::uint8_t> CatalogBytes(const PackContents& contents, const std::vector<std::uint32_t>& storedSizes) {
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
    for (const std::string* text :
         {&s.publisherName, &s.runAfter, &s.prompt, &s.defaultTarget, &s.caption, &s.webAddress})
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

bool HasContent(const ContentSource& content) {
    const auto* bytes = std::get_if<std::vector<std::uint8_t>>(&content);
    return !bytes || !bytes->empty();
}

// The first broken rule as `error` and the text that breaks it as `offending`.
struct Problem {
    std::error_code error;
    std::string offending;
};

// A problem when `text` is longer than `room`, else none.
Problem Room(std::string_view text, std::size_t room, PackWriteErrc error) {
    if (text.size() <= room) return {};
    return {error, std::string(text)};
}

Problem CheckComponent(const RuntimeComponent& c) {
    if (Problem p = Room(c.identifier, kMaxComponentId, PackWriteErrc::identifierTooLong); p.error) return p;
    if (Problem p = Room(c.description, kMaxComponentDescription, PackWriteErrc::descriptionTooLong); p.error) return p;
    if (c.requirements.size() > kMaxRequirements) return {PackWriteErrc::tooManyRequirements, c.identifier};
    for (const Requirement& r : c.requirements) {
        if (r.name.empty() || r.name.find_first_of(";=") != std::string::npos || r.value.find(';') != std::string::npos)
            return {PackWriteErrc::requirementNotListable, r.name + "=" + r.value};
        if (Problem p = Room(r.name, kMaxRequirementName, PackWriteErrc::requirementNameTooLong); p.error) return p;
        if (Problem p = Room(r.value, kMaxRequirementValue, PackWriteErrc::requirementValueTooLong); p.error) return p;
    }
    return Room(JoinRequirementList(c.requirements), kMaxShortString, PackWriteErrc::requirementListTooLong);
}

Problem CheckPack(const PackContents& contents) {
    if (contents.members.empty()) return {PackWriteErrc::noIconMember, {}};
    if (contents.members.size() > kMaxMembers) return {PackWriteErrc::tooManyMembers, {}};
    for (const PackMember& m : contents.members) {
        if (Problem p = Room(m.record.name, kMaxShortString, PackWriteErrc::memberNameTooLong); p.error) return p;
        if (IsFolderEntry(m.record.name) && HasContent(m.content))
            return {PackWriteErrc::folderEntryWithContent, m.record.name};
    }
    const PackSettings& s = contents.settings;
    for (const std::string* text : {&s.publisherName, &s.runAfter, &s.prompt, &s.defaultTarget})
        if (Problem p = Room(*text, kMaxShortString, PackWriteErrc::settingTooLong); p.error) return p;
    if (Problem p = Room(s.caption, kMaxCaption, PackWriteErrc::captionTooLong); p.error) return p;
    if (Problem p = Room(s.webAddress, kMaxCaption, PackWriteErrc::webAddressTooLong); p.error) return p;
    if (contents.components.size() > kMaxComponents) return {PackWriteErrc::tooManyComponents, {}};
    for (const RuntimeComponent& c : contents.components)
        if (Problem p = CheckComponent(c); p.error) return p;
    return {};
}

}  // namespace

const std::error_category& pack_write_category() {
    static const PackWriteCategory category;
    return category;
}

std::error_code make_error_code(PackWriteErrc e) { return {static_cast<int>(e), pack_write_category()}; }

std::string JoinRequirementList(const std::vector<Requirement>& requirements) {
    std::string list;
    for (const Requirement& r : requirements) list += r.name + "=" + r.value + ";";
    return list;
}

std::error_code ValidatePack(const PackContents& contents, std::string* offending) {
    Problem problem = CheckPack(contents);
    if (problem.error && offending) *offending = std::move(problem.offending);
    return problem.error;
}

std::error_code WritePack(const PackContents& contents, std::ostream& out, const WriterOptions& options) {
    if (auto error = ValidatePack(contents)) return error;
    if (options.compressionLevel < 0 || options.compressionLevel > 9)
        return std::make_error_code(std::errc::invalid_argument);
    PackStream stream(out);

    ContentReader stub(contents.stub);
    if (auto error = stub.open()) return error;
    std::vector<std::uint8_t> chunk(kCrcChunkSize);
    for (;;) {
        std::size_t count = 0;
        if (auto error = stub.read(chunk, count)) return error;
        if (count == 0) break;
        stream.write(std::span(chunk).first(count), false);
    }

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
