#pragma once
// Section files are RTF documents whose plain text is a piece of HTML source.
#include <string>
#include <string_view>

namespace pw::store {

// An RTF document whose plain text is `plainUtf8`. Line breaks (CR LF, LF or CR)
// become paragraph marks; non-ASCII is written as \uN with a '?' fallback so any reader
// gets it back. Bytes that are not valid UTF-8 are taken as Windows-1252.
std::string WriteRtf(std::string_view plainUtf8);

// The plain text of any RTF document, as UTF-8, paragraph marks as CR LF.
// Honours groups, \* and known destinations (font, colour, style tables, info, pict...),
// \par, \line, \tab, \'xx in the document's \ansicpg code page (or the current font's
// \fcharset), \uN with \ucN skipping. The mark that ends the document's last paragraph is
// not part of the text, so RtfPlainText(WriteRtf(x)) == x with line breaks as CR LF.
// Input that is not RTF at all is returned as its own text (lenient UTF-8 decoding).
std::string RtfPlainText(std::string_view rtf);

}  // namespace pw::store
