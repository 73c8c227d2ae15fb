#include "editor/window/site_picture.hpp"

#include "pictures/web_picture.hpp"
#include "shell/general/files.hpp"

namespace pw {
namespace {

class SitePictureCategory final : public std::error_category {
public:
    const char* name() const noexcept override { return "site picture"; }
    std::string message(int) const override { return "not a picture this program can read"; }
};

bool IsGif(const QByteArray& bytes) { return bytes.startsWith("GIF87a") || bytes.startsWith("GIF89a"); }

// "pictureN.<extension>" with the smallest N no entry of `folder` is named, in any case.
Result<std::string> FreeName(const std::filesystem::path& folder, const std::string& extension) {
    for (int n = 1;; ++n) {
        std::string name = "picture" + std::to_string(n) + "." + extension;
        const auto taken = FindIgnoringCase(folder, name);
        if (!taken) return Fail(taken.error());
        if (!*taken) return name;
    }
}

}  // namespace

const std::error_category& site_picture_category() {
    static const SitePictureCategory category;
    return category;
}

std::error_code make_error_code(SitePictureErrc e) { return {static_cast<int>(e), site_picture_category()}; }

Result<std::string> SaveSitePicture(const std::filesystem::path& folder, const QByteArray& bytes) {
    const auto image = ReadUpright(bytes);
    if (!image) return Fail(SitePictureErrc::unreadable);
    const bool gif = IsGif(bytes);
    const QByteArray file = gif ? bytes : WebJpeg(*image);
    const auto name = FreeName(folder, gif ? "gif" : "jpg");
    if (!name) return name;
    const auto saved = SaveFileAtomically(folder / *name, std::string_view(file.constData(), file.size()));
    if (!saved) return Fail(saved.error());
    return name;
}

}  // namespace pw
