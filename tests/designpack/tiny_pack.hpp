#pragma once
// A second, deliberately naive design pack writer for tests, written from the format's
// description alone: little-endian fields, short strings, members as zlib blocks, the
// catalog, C, N and a CRC-32 from the member area up to N. It lets tests build good
// packs and every kind of broken one (raw catalogs, raw blocks) without the real writer.
#include <zlib.h>

#include <cstdint>
#include <string>
#include <vector>

namespace pw::test {

using Bytes = std::vector<std::uint8_t>;

inline Bytes ToBytes(const std::string& text) { return Bytes(text.begin(), text.end()); }

inline void PutU8(Bytes& out, std::uint32_t v) { out.push_back(static_cast<std::uint8_t>(v)); }
inline void PutU16(Bytes& out, std::uint32_t v) {
    PutU8(out, v & 0xFF);
    PutU8(out, v >> 8 & 0xFF);
}
inline void PutU32(Bytes& out, std::uint32_t v) {
    PutU16(out, v & 0xFFFF);
    PutU16(out, v >> 16);
}
inline void PutString(Bytes& out, const std::string& text) {
    PutU8(out, static_cast<std::uint32_t>(text.size()));
    out.insert(out.end(), text.begin(), text.end());
}

// One block: u16 length, then `data` compressed as one zlib stream.
inline Bytes Block(const Bytes& data) {
    uLongf length = compressBound(data.size());
    Bytes compressed(length);
    compress2(compressed.data(), &length, data.data(), data.size(), 6);
    compressed.resize(length);
    Bytes block;
    PutU16(block, static_cast<std::uint32_t>(length));
    block.insert(block.end(), compressed.begin(), compressed.end());
    return block;
}

// A block whose length field announces `raw` as its bytes, whatever they are.
inline Bytes RawBlock(const Bytes& raw) {
    Bytes block;
    PutU16(block, static_cast<std::uint32_t>(raw.size()));
    block.insert(block.end(), raw.begin(), raw.end());
    return block;
}

struct TinyMember {
    std::string name;
    Bytes stored;  // the member's blocks, back to back
    std::uint8_t attributes = 0x20;
    std::uint16_t modifiedDate = 0x5821;  // 2024-01-01
    std::uint16_t modifiedTime = 0x6000;  // 12:00:00
    std::uint16_t createdDate = 0x5821;
    std::uint16_t createdTime = 0x6000;
};

// `content` cut into pieces of `piece` bytes, one block each.
inline Bytes Blocks(const Bytes& content, std::size_t piece = 40'000) {
    Bytes stored;
    for (std::size_t at = 0; at < content.size(); at += piece) {
        const Bytes part(content.begin() + at, content.begin() + std::min(content.size(), at + piece));
        const Bytes block = Block(part);
        stored.insert(stored.end(), block.begin(), block.end());
    }
    return stored;
}

inline TinyMember File(const std::string& name, const std::string& content) { return {name, Blocks(ToBytes(content))}; }

struct TinyComponent {
    std::string identifier, description, requirements;
};

struct TinyPack {
    Bytes stub = ToBytes("#!stub program image\n");
    std::vector<TinyMember> members{File("icon.ico", "ICON")};
    std::string publisher = "KW5 Software", runAfter, prompt = "Click 'OK' to continue.", target = "default",
                caption = "Design Updater", web = "www.example.com";
    std::vector<TinyComponent> components;
    std::uint32_t flags = 2;
    std::uint32_t password = 0;

    Bytes MemberArea() const {
        Bytes area;
        for (const TinyMember& m : members) area.insert(area.end(), m.stored.begin(), m.stored.end());
        return area;
    }

    Bytes Catalog() const {
        Bytes c;
        for (const TinyMember& m : members) {
            PutString(c, m.name);
            PutU32(c, static_cast<std::uint32_t>(m.stored.size()));
            PutU8(c, m.attributes);
            PutU16(c, m.modifiedDate);
            PutU16(c, m.modifiedTime);
            PutU16(c, m.createdDate);
            PutU16(c, m.createdTime);
        }
        for (const std::string* s : {&publisher, &runAfter, &prompt, &target, &caption, &web}) PutString(c, *s);
        PutU32(c, static_cast<std::uint32_t>(components.size()));
        for (const TinyComponent& k : components) {
            PutString(c, k.identifier);
            PutString(c, k.description);
            PutString(c, k.requirements);
        }
        PutU32(c, flags);
        PutU32(c, password);
        return c;
    }

    Bytes Build() const { return Seal(stub, MemberArea(), Catalog(), static_cast<std::uint32_t>(members.size())); }

    // Stub, member area, catalog, then C, N and the CRC-32 of everything after the stub
    // up to N, so hand-made (even nonsensical) catalogs pass the check value.
    static Bytes Seal(const Bytes& stub, const Bytes& area, const Bytes& catalog, std::uint32_t count,
                      std::uint32_t catalogSize = UINT32_MAX) {
        Bytes checked = area;
        checked.insert(checked.end(), catalog.begin(), catalog.end());
        PutU32(checked, catalogSize == UINT32_MAX ? static_cast<std::uint32_t>(catalog.size()) : catalogSize);
        PutU32(checked, count);
        Bytes pack = stub;
        pack.insert(pack.end(), checked.begin(), checked.end());
        PutU32(pack, static_cast<std::uint32_t>(crc32(0, checked.data(), static_cast<uInt>(checked.size()))));
        return pack;
    }
};

}  // namespace pw::test
