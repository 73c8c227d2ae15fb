#include "publisher/host_text.hpp"

namespace pw::publisher {
namespace {

bool IsWordCharacter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || (c & 0x80);
}

std::string WithoutControls(std::string_view text) {
    std::string shown;
    shown.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        // C1 controls (U+0080..U+009F) are C2 80..C2 9F in UTF-8; some terminals obey them.
        if (c == 0xC2 && i + 1 < text.size() && static_cast<unsigned char>(text[i + 1]) <= 0x9F &&
            static_cast<unsigned char>(text[i + 1]) >= 0x80) {
            shown.push_back('?');
            ++i;
        } else {
            shown.push_back(c < 0x20 || c == 0x7F ? '?' : text[i]);
        }
    }
    return shown;
}

}  // namespace

std::string ShownFromHost(std::string_view original, std::string_view password) {
    static constexpr std::string_view kMask = "********";
    // Masked first: a password holding a control character is still found.
    std::string text(original);
    if (password.empty()) return WithoutControls(text);
    for (std::size_t pos = text.find(password); pos != std::string::npos;) {
        const std::size_t end = pos + password.size();
        const bool alone =
            (pos == 0 || !IsWordCharacter(text[pos - 1])) && (end == text.size() || !IsWordCharacter(text[end]));
        if (alone) text.replace(pos, password.size(), kMask);
        // Past the mask: a password of stars would otherwise be found inside it without end.
        pos = text.find(password, alone ? pos + kMask.size() : pos + 1);
    }
    return WithoutControls(text);
}

}  // namespace pw::publisher
