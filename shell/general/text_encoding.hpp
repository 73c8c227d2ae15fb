#pragma once
// Text on disk is UTF-8; older files and design packs may hold Windows-1252. These are
// the one UTF-8 decoder and encoder of the program. No <expected>: the fuzz targets,
// built with clang, take this code too.
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace pw {

// One character decoded at a position of a byte string.
struct DecodedChar {
    char32_t codePoint;  // for a malformed byte: the byte's own value
    std::size_t length;  // bytes taken; 1 for a malformed byte
    bool valid;          // false when bytes[pos] does not start well-formed UTF-8
};

// The character starting at `pos` (< bytes.size()). Rejects overlong forms, surrogates
// and values past U+10FFFF.
DecodedChar DecodeUtf8At(std::string_view bytes, std::size_t pos);

// True when `bytes` is well-formed UTF-8.
bool IsValidUtf8(std::string_view bytes);

// `bytes` unchanged when it is valid UTF-8, otherwise decoded as Windows-1252.
std::string DecodeLenient(std::string_view bytes);

// UTF-8 for one byte of a single-byte code page (437, 850, 874, 1250-1258, 10000 Mac Roman;
// others as 1252). Bytes a code page leaves undefined map to the code point of the same value.
std::string CodePageByteToUtf8(unsigned char byte, int codePage);

// The Windows-1252 bytes of UTF-8 `text`; nothing when it is not UTF-8 or holds a
// character that code page lacks.
std::optional<std::string> EncodeWindows1252(std::string_view text);

// Appends the UTF-8 form of `codePoint`; surrogates and values past U+10FFFF become U+FFFD.
void AppendUtf8(std::string& out, char32_t codePoint);

}  // namespace pw
