#pragma once
// Saving and loading a window's tagged text fields to and from a field file.
// A field is a child widget whose dynamic property "tag" is "T"; fields are visited
// in creation order, depth first, which is the order the file's records are written in.
#include <filesystem>
#include <string>

#include "shell/general/files.hpp"
#include "shell/general/result.hpp"

class QString;
class QWidget;

namespace pw {

// Qt separates a text's lines with LF; the site's files use CR LF.
std::string ToFileText(const QString& text);
QString FromFileText(const std::string& text);

// Writes one record per tagged field to `file` (a site file, resolved by the caller),
// creating or replacing it atomically. Lets pending events run after each child visited.
Result<void> SaveFormFields(QWidget& window, const std::filesystem::path& file,
                            std::filesystem::perms perms = kSharedReadable);

// Sets the text of every text box whose object name equals a record's name; a later
// record for the same name wins; records naming no text box are skipped. A missing or
// unreadable file changes nothing and is returned as an error.
Result<void> LoadFormFields(QWidget& window, const std::filesystem::path& file);

}  // namespace pw
