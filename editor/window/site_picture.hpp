#pragma once
// Pictures that arrive in the editor as bytes (pasted, dropped, or a data: address in a
// section) become picture files of the site, as pictures chosen in the picture browser do.
#include <QByteArray>
#include <filesystem>
#include <string>
#include <system_error>

#include "shell/general/result.hpp"

namespace pw {

enum class SitePictureErrc {
    unreadable = 1,  // the bytes are no picture this program can read
};
const std::error_category& site_picture_category();
std::error_code make_error_code(SitePictureErrc e);

// Saves the picture in `bytes` into `folder` and gives the new file's name: a GIF as it
// is ("pictureN.gif"), anything else as the web copy of WebJpeg ("pictureN.jpg": upright,
// at most 1600 pixels wide and 1 MB, no metadata). N is the smallest number from 1 whose
// name no file in the folder has, whatever its letter case.
Result<std::string> SaveSitePicture(const std::filesystem::path& folder, const QByteArray& bytes);

}  // namespace pw

template <>
struct std::is_error_code_enum<pw::SitePictureErrc> : std::true_type {};
