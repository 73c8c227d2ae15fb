#pragma once
// Saving and loading a window's tagged text fields to and from a field file.
// A field is a child widget whose dynamic property "tag" is "T"; fields are visited
// in creation order, depth first, which is the order the file's records are written in.
#include <expected>
#include <filesystem>
#include <string>
#include <string_view>
#include <system_error>

class QString;
class QWidget;

namespace pw {

inline constexpr std::filesystem::perms kOwnerOnly =
    std::filesystem::perms::owner_read | std::filesystem::perms::owner_write;
inline constexpr std::filesystem::perms kSharedReadable =
    kOwnerOnly | std::filesystem::perms::group_read | std::filesystem::perms::others_read;

// Qt separates a text's lines with LF; the site's files use CR LF.
std::string ToFileText(const QString& text);
QString FromFileText(const std::string& text);

// Writes one record per tagged field to inst + relativePath ("\default\oneBox.txt"),
// creating or truncating the file. Lets pending events run after each child visited.
std::expected<void, std::error_code> SaveFormFields(QWidget& window, const std::filesystem::path& inst,
                                                    std::string_view relativePath,
                                                    std::filesystem::perms perms = kSharedReadable);

// Sets the text of every text box whose object name equals a record's name; a later
// record for the same name wins; records naming no text box are skipped.
// A missing or unreadable file is returned as an error and changes nothing.
std::expected<void, std::error_code> LoadFormFields(QWidget& window, const std::filesystem::path& inst,
                                                    std::string_view relativePath);

}  // namespace pw
