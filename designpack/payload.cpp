#include "designpack/payload.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <cerrno>
#include <optional>

#include "shell/general/text_encoding.hpp"

namespace pw::designpack {

namespace {

class PackCategory final : public std::error_category {
public:
    const char* name() const noexcept override { return "designpack"; }
    std::string message(int value) const override {
        switch (static_cast<PackErrc>(value)) {
            case PackErrc::corrupt: return std::string(kCorruptMessage);
            case PackErrc::unsafeName: return "The name would leave the target folder.";
        }
        return "unknown design pack error";
    }
};

// Largest catalog the limits allow: N records of 14 + 255 bytes, six settings, R,
// five components of three strings, flags and password check. A stated C beyond it
// cannot be a catalog, so it is never allocated.
constexpr std::uint64_t kMaxCatalogSize = std::uint64_t{kMaxMembers} * (14 + kMaxShortString) +
                                          6 * (1 + kMaxShortString) + 4 + kMaxComponents * 3 * (1 + kMaxShortString) +
                                          4 + 4;

std::uint32_t LoadU32(const std::uint8_t* p) {
    return std::uint32_t{p[0]} | std::uint32_t{p[1]} << 8 | std::uint32_t{p[2]} << 16 | std::uint32_t{p[3]} << 24;
}

// Forward reader over the catalog's bytes. Any read past the end or any string
// beyond its room marks the cursor failed; values read after that are zeros.
class CatalogCursor {
public:
    explicit CatalogCursor(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}

    std::uint8_t u8() { return take(1) ? bytes_[pos_ - 1] : 0; }
    std::uint16_t u16() { return take(2) ? static_cast<std::uint16_t>(bytes_[pos_ - 2] | bytes_[pos_ - 1] << 8) : 0; }
    std::uint32_t u32() { return take(4) ? LoadU32(&bytes_[pos_ - 4]) : 0; }

    // A length byte and that many bytes; longer than `room` fails the cursor.
    std::string shortString(std::size_t room) {
        const std::size_t length = u8();
        if (length > room) failed_ = true;
        if (failed_ || !take(length)) return {};
        return std::string(reinterpret_cast<const char*>(bytes_.data() + pos_ - length), length);
    }

    // A short string as text: valid UTF-8 stays, anything else was written as Windows-1252.
    std::string text(std::size_t room) { return DecodeLenient(shortString(room)); }

    void fail() { failed_ = true; }
    // True when nothing failed and every byte was consumed.
    bool consumedExactly() const { return !failed_ && pos_ == bytes_.size(); }
    bool failed() const { return failed_; }

private:
    bool take(std::size_t count) {
        if (failed_ || bytes_.size() - pos_ < count) {
            failed_ = true;
            return false;
        }
        pos_ += count;
        return true;
    }

    std::span<const std::uint8_t> bytes_;
    std::size_t pos_ = 0;
    bool failed_ = false;
};

MemberRecord ReadMemberRecord(CatalogCursor& cursor) {
    MemberRecord record;
    record.name = cursor.text(kMaxShortString);
    record.storedSize = cursor.u32();
    record.attributes = cursor.u8();
    record.modifiedDate = cursor.u16();
    record.modifiedTime = cursor.u16();
    record.createdDate = cursor.u16();
    record.createdTime = cursor.u16();
    return record;
}

PackSettings ReadSettings(CatalogCursor& cursor) {
    PackSettings settings;
    settings.publisherName = cursor.text(kMaxShortString);
    settings.runAfter = cursor.text(kMaxShortString);
    settings.prompt = cursor.text(kMaxShortString);
    settings.defaultTarget = cursor.text(kMaxShortString);
    settings.caption = cursor.text(kMaxCaption);
    settings.webAddress = cursor.text(kMaxCaption);
    return settings;
}

RuntimeComponent ReadComponent(CatalogCursor& cursor) {
    RuntimeComponent component;
    component.identifier = cursor.text(kMaxComponentId);
    component.description = cursor.text(kMaxComponentDescription);
    // Split before decoding: the rooms of names and values count stored bytes.
    const std::string list = cursor.shortString(kMaxShortString);
    if (ParseRequirementList(list, component.requirements)) cursor.fail();
    for (Requirement& requirement : component.requirements) {
        requirement.name = DecodeLenient(requirement.name);
        requirement.value = DecodeLenient(requirement.value);
    }
    return component;
}

// Parses the C catalog bytes for `memberCount` members into `catalog`; PackErrc::corrupt
// unless they hold exactly that.
std::error_code ParseCatalog(std::span<const std::uint8_t> bytes, std::uint32_t memberCount, Catalog& catalog) {
    CatalogCursor cursor(bytes);
    catalog.members.clear();
    catalog.memberAreaSize = 0;
    for (std::uint32_t i = 0; i < memberCount && !cursor.failed(); ++i) {
        catalog.members.push_back(ReadMemberRecord(cursor));
        catalog.memberAreaSize += catalog.members.back().storedSize;
    }
    catalog.settings = ReadSettings(cursor);
    const std::uint32_t componentCount = cursor.u32();
    if (componentCount > kMaxComponents) return PackErrc::corrupt;
    catalog.components.clear();
    for (std::uint32_t i = 0; i < componentCount && !cursor.failed(); ++i)
        catalog.components.push_back(ReadComponent(cursor));
    catalog.flags.bits = cursor.u32();
    catalog.passwordCheck = cursor.u32();
    return cursor.consumedExactly() ? std::error_code{} : PackErrc::corrupt;
}

// Follows the block length fields through the member area as it streams past, so a
// block that is empty, longer than kMaxBlockStored or reaching into the next member
// is found before anything is extracted.
class BlockFramingCheck {
public:
    explicit BlockFramingCheck(const std::vector<MemberRecord>& members) : members_(members) {}

    // Takes the next bytes of the member area.
    void feed(std::span<const std::uint8_t> bytes) {
        while (!bytes.empty() && !bad_) {
            if (bodyLeft_ > 0) {
                const auto count = static_cast<std::uint32_t>(std::min<std::size_t>(bodyLeft_, bytes.size()));
                bodyLeft_ -= count;
                memberLeft_ -= count;
                bytes = bytes.subspan(count);
                continue;
            }
            takeHeaderByte(bytes.front());
            bytes = bytes.subspan(1);
        }
    }

    // After the whole member area: true when every block was framed correctly.
    bool ok() const { return !bad_ && headerBytes_ == 0 && bodyLeft_ == 0; }

private:
    void takeHeaderByte(std::uint8_t byte) {
        if (headerBytes_ == 0) {
            while (memberLeft_ == 0 && next_ < members_.size()) memberLeft_ = members_[next_++].storedSize;
        }
        if (memberLeft_ == 0) {
            bad_ = true;
            return;
        }
        --memberLeft_;
        header_ |= static_cast<std::uint16_t>(byte << (8 * headerBytes_));
        if (++headerBytes_ < 2) return;
        bodyLeft_ = header_;
        bad_ = bodyLeft_ == 0 || bodyLeft_ > kMaxBlockStored || bodyLeft_ > memberLeft_;
        header_ = 0;
        headerBytes_ = 0;
    }

    const std::vector<MemberRecord>& members_;
    std::size_t next_ = 0;
    std::uint32_t memberLeft_ = 0;
    std::uint32_t bodyLeft_ = 0;
    std::uint16_t header_ = 0;
    int headerBytes_ = 0;
    bool bad_ = false;
};

// CRC-32 of the `length` bytes at `offset`, read in kCrcChunkSize chunks; the first
// `memberAreaSize` bytes also go through the framing check.
std::error_code ChecksumRange(ByteSource& source, std::uint64_t offset, std::uint64_t length,
                              std::uint64_t memberAreaSize, BlockFramingCheck& framing, std::uint32_t& crc) {
    std::vector<std::uint8_t> chunk(kCrcChunkSize);
    crc = 0;
    for (std::uint64_t done = 0; done < length;) {
        const auto count = static_cast<std::size_t>(std::min<std::uint64_t>(kCrcChunkSize, length - done));
        const std::span<std::uint8_t> bytes(chunk.data(), count);
        if (auto error = source.readAt(offset + done, bytes)) return error;
        crc = Crc32(crc, bytes);
        if (done < memberAreaSize)
            framing.feed(bytes.first(static_cast<std::size_t>(std::min<std::uint64_t>(count, memberAreaSize - done))));
        done += count;
    }
    return {};
}

std::error_code BoundsCheck(std::uint64_t sourceSize, std::uint64_t offset, std::size_t count) {
    if (offset > sourceSize || sourceSize - offset < count) return PackErrc::corrupt;
    return {};
}

}  // namespace

const std::error_category& designpack_category() {
    static const PackCategory category;
    return category;
}

std::error_code make_error_code(PackErrc e) { return {static_cast<int>(e), designpack_category()}; }

std::uint64_t Catalog::memberOffset(std::size_t index) const {
    std::uint64_t offset = memberAreaOffset;
    for (std::size_t i = 0; i < index; ++i) offset += members[i].storedSize;
    return offset;
}

std::error_code MemorySource::readAt(std::uint64_t offset, std::span<std::uint8_t> out) {
    if (auto error = BoundsCheck(bytes_.size(), offset, out.size())) return error;
    std::copy_n(bytes_.begin() + static_cast<std::ptrdiff_t>(offset), out.size(), out.begin());
    return {};
}

std::unique_ptr<FileSource> FileSource::open(const std::filesystem::path& path, std::error_code& error) {
    return open(path, 0, UINT64_MAX, error);
}

std::unique_ptr<FileSource> FileSource::open(const std::filesystem::path& path, std::uint64_t offset,
                                             std::uint64_t length, std::error_code& error) {
    FileDescriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    struct stat info {};
    if (!file.valid() || ::fstat(file.get(), &info) != 0) {
        error = LastError();
        return nullptr;
    }
    const auto fileSize = static_cast<std::uint64_t>(info.st_size);
    if (length == UINT64_MAX && offset <= fileSize) length = fileSize - offset;
    if (offset > fileSize || fileSize - offset < length) {
        error = PackErrc::corrupt;
        return nullptr;
    }
    error.clear();
    return std::unique_ptr<FileSource>(new FileSource(std::move(file), offset, length));
}

std::error_code FileSource::readAt(std::uint64_t offset, std::span<std::uint8_t> out) {
    if (auto error = BoundsCheck(length_, offset, out.size())) return error;
    std::size_t done = 0;
    while (done < out.size()) {
        const ssize_t got =
            ::pread(file_.get(), out.data() + done, out.size() - done, static_cast<off_t>(offset_ + offset + done));
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) return LastError();
        if (got == 0) return PackErrc::corrupt;  // the file shrank under us
        done += static_cast<std::size_t>(got);
    }
    return {};
}

std::error_code ReadPayload(ByteSource& source, Catalog& catalog) {
    const std::uint64_t size = source.size();
    if (size < kTrailerSize) return PackErrc::corrupt;
    std::uint8_t trailer[kTrailerSize];
    if (auto error = source.readAt(size - kTrailerSize, trailer)) return error;
    const std::uint32_t catalogSize = LoadU32(trailer);
    const std::uint32_t memberCount = LoadU32(trailer + 4);
    const std::uint32_t storedCheck = LoadU32(trailer + 8);
    if (memberCount == 0 || memberCount > kMaxMembers) return PackErrc::corrupt;
    if (catalogSize > kMaxCatalogSize || catalogSize > size - kTrailerSize) return PackErrc::corrupt;

    const std::uint64_t catalogOffset = size - kTrailerSize - catalogSize;
    std::vector<std::uint8_t> catalogBytes(catalogSize);
    if (auto error = source.readAt(catalogOffset, catalogBytes)) return error;
    if (auto error = ParseCatalog(catalogBytes, memberCount, catalog)) return error;
    if (catalog.memberAreaSize > catalogOffset) return PackErrc::corrupt;
    catalog.memberAreaOffset = catalogOffset - catalog.memberAreaSize;

    BlockFramingCheck framing(catalog.members);
    std::uint32_t crc = 0;
    const std::uint64_t checkedLength = catalog.memberAreaSize + catalogSize + 8;
    if (auto error =
            ChecksumRange(source, catalog.memberAreaOffset, checkedLength, catalog.memberAreaSize, framing, crc))
        return error;
    if (crc != storedCheck || !framing.ok()) return PackErrc::corrupt;
    return {};
}

std::error_code ParseRequirementList(std::string_view list, std::vector<Requirement>& out) {
    out.clear();
    while (!list.empty()) {
        const std::size_t end = std::min(list.find(';'), list.size());
        const std::string_view item = list.substr(0, end);
        list.remove_prefix(std::min(end + 1, list.size()));
        if (item.empty()) continue;
        const std::size_t equals = std::min(item.find('='), item.size());
        Requirement requirement{std::string(item.substr(0, equals)),
                                std::string(item.substr(std::min(equals + 1, item.size())))};
        if (out.size() == kMaxRequirements || requirement.name.size() > kMaxRequirementName ||
            requirement.value.size() > kMaxRequirementValue)
            return PackErrc::corrupt;
        out.push_back(std::move(requirement));
    }
    return {};
}

std::uint32_t PackPasswordHash(std::string_view password) {
    std::uint32_t h = 0x979B9E37u;
    for (const char c : password) {
        h += static_cast<std::uint8_t>(c);
        h *= 1025u;
        h ^= h >> 6;
    }
    std::uint32_t t = h * 9u;
    t ^= t >> 11;
    return t * 32769u;
}

bool PasswordMatches(std::string_view password, std::uint32_t check) {
    if (PackPasswordHash(password) == check) return true;
    const std::optional<std::string> windowsBytes = EncodeWindows1252(password);
    return windowsBytes && PackPasswordHash(*windowsBytes) == check;
}

std::uint32_t Crc32(std::uint32_t crc, std::span<const std::uint8_t> bytes) {
    return static_cast<std::uint32_t>(::crc32_z(crc, bytes.data(), bytes.size()));
}

}  // namespace pw::designpack
