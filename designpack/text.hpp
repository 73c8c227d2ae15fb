#pragma once
// Byte-wise text routines of the installer: its command line, scripts and answers are
// compared without regard to the case of ASCII letters.
#include <string>
#include <string_view>

namespace pw::designpack {

// `text` with its ASCII letters upper-cased; every other byte as it is.
inline std::string UpperCased(std::string_view text) {
    std::string upper(text);
    for (char& c : upper) {
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
    return upper;
}

}  // namespace pw::designpack
