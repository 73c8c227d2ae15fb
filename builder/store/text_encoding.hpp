#pragma once
#include <string>
#include <string_view>

namespace pw::store {

// Text files on disk are UTF-8; older files may hold Windows-1252. Returns `bytes`
// unchanged when it is valid UTF-8, otherwise decodes it as Windows-1252.
std::string DecodeLenient(std::string_view bytes);

// UTF-8 for one byte of a single-byte code page (437, 850, 874, 1250-1258, 10000 Mac Roman;
// others as 1252). Bytes a code page leaves undefined map to the code point of the same value.
std::string CodePageByteToUtf8(unsigned char byte, int codePage);

// True when `bytes` is well-formed UTF-8 (no overlong forms, no surrogates, at most U+10FFFF).
bool IsValidUtf8(std::string_view bytes);

// Appends the UTF-8 form of `codePoint`; surrogates and values past U+10FFFF become U+FFFD.
void AppendUtf8(std::string& out, char32_t codePoint);

// The code point starting at `pos` in valid UTF-8 text, advancing `pos` past it.
// Precondition: pos < text.size() and `text` passed IsValidUtf8.
char32_t NextCodePoint(std::string_view text, std::size_t& pos);

}  // namespace pw::store
