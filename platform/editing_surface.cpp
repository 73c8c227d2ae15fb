#include "platform/editing_surface.hpp"

#include <cerrno>

#include "shell/general/text.hpp"

namespace pw {
namespace {

class SurfaceCategory final : public std::error_category {
public:
    const char* name() const noexcept override { return "editing surface"; }
    std::string message(int value) const override {
        switch (static_cast<SurfaceErrc>(value)) {
            case SurfaceErrc::engineNotAnswering: return "the browser engine did not answer in time";
            case SurfaceErrc::noDocument: return "no document was loaded";
            case SurfaceErrc::documentTooLarge: return "the document is too large to edit";
        }
        return "editing surface error";
    }
};

// True when `lower` holds `<name` followed by a blank, '>' or '/' (so "<bodyx" does not count).
bool HasTag(std::string_view lower, std::string_view name) {
    const std::string open = "<" + std::string(name);
    for (auto at = lower.find(open); at != std::string_view::npos; at = lower.find(open, at + 1)) {
        const std::size_t next = at + open.size();
        if (next == lower.size()) return false;
        const char c = lower[next];
        if (c == '>' || c == '/' || std::isspace(static_cast<unsigned char>(c))) return true;
    }
    return false;
}

}  // namespace

const QStringList& ClassicBlockFormatNames() {
    static const QStringList names{
        QStringLiteral("Normal"),        QStringLiteral("Formatted"),       QStringLiteral("Address"),
        QStringLiteral("Heading 1"),     QStringLiteral("Heading 2"),       QStringLiteral("Heading 3"),
        QStringLiteral("Heading 4"),     QStringLiteral("Heading 5"),       QStringLiteral("Heading 6"),
        QStringLiteral("Numbered List"), QStringLiteral("Bulleted List"),   QStringLiteral("Directory List"),
        QStringLiteral("Menu List"),     QStringLiteral("Definition Term"), QStringLiteral("Definition"),
        QStringLiteral("Paragraph")};
    return names;
}

const std::error_category& surface_category() {
    static const SurfaceCategory category;
    return category;
}

std::error_code make_error_code(SurfaceErrc e) { return {static_cast<int>(e), surface_category()}; }

std::uint32_t SaveErrorNumber(std::error_code error) {
    constexpr std::uint32_t kAccessDenied = 70;
    constexpr std::uint32_t kDiskFull = 0x80070027;
    constexpr std::uint32_t kPathNotFound = 0x80070003;
    constexpr std::uint32_t kUnexpected = 0x8000FFFF;
    constexpr std::uint32_t kInvalidArgument = 5;
    constexpr std::uint32_t kOther = 0x80004005;
    if (error.category() == surface_category()) {
        return error == SurfaceErrc::documentTooLarge ? kOther : kUnexpected;
    }
    if (error == std::errc::permission_denied || error == std::errc::operation_not_permitted ||
        error == std::errc::read_only_file_system) {
        return kAccessDenied;
    }
    const bool isErrno = error.category() == std::generic_category() || error.category() == std::system_category();
    if (error == std::errc::no_space_on_device || (isErrno && error.value() == EDQUOT)) return kDiskFull;
    if (error == std::errc::no_such_file_or_directory || error == std::errc::not_a_directory) return kPathNotFound;
    if (error == std::errc::invalid_argument) return kInvalidArgument;
    return kOther;
}

std::string WholeDocumentText(std::string_view fileText) {
    const std::string lower = AsciiLower(fileText);
    if (HasTag(lower, "html") || HasTag(lower, "head") || HasTag(lower, "body") || HasTag(lower, "!doctype")) {
        return std::string(fileText);
    }
    std::string_view fragment = fileText;
    // The builder hands a section over with one CR LF after it; taking it back out keeps a
    // section from growing by a line each time it passes through the editor.
    if (fragment.ends_with("\r\n")) {
        fragment.remove_suffix(2);
    } else if (fragment.ends_with('\n')) {
        fragment.remove_suffix(1);
    }
    return "<HTML><HEAD><TITLE></TITLE></HEAD><BODY>" + std::string(fragment) + "</BODY></HTML>";
}

void EditingSurface::SetShowBorders(bool on) {
    showBorders_ = on;
    ViewOptionsChanged();
}

void EditingSurface::SetShowDetails(bool on) {
    showDetails_ = on;
    ViewOptionsChanged();
}

void EditingSurface::SetSnapToGrid(bool on) {
    snapToGrid_ = on;
    ViewOptionsChanged();
}

}  // namespace pw
