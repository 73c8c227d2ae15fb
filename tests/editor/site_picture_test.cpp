// Pictures that arrive as bytes become picture files of the site: JPEG web copies (a GIF
// as it is) under names that clash with nothing in the folder.
#include <gtest/gtest.h>

#include <QImage>
#include <QImageReader>
#include <QPainter>
#include <QRandomGenerator>

#include "editor/window/site_picture.hpp"
#include "tests/encoded_picture.hpp"
#include "pictures/web_picture.hpp"
#include "tests/temp_folder.hpp"

namespace pw {
namespace {

using test::Encoded;

// A picture that does not compress well, as a screenshot of a photo does not.
QImage Noisy(int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    QRandomGenerator random(7);
    for (int y = 0; y < height; ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < width; ++x) line[x] = random.generate() | 0xff000000u;
    }
    return image;
}

// The smallest GIF there is: one transparent pixel.
const QByteArray kGif =
    QByteArray::fromHex("47494638396101000100800000ffffff00000021f90401000000002c00000000010001000002024401003b");

QSize SizeOf(const std::filesystem::path& file) { return QImageReader(QString::fromStdString(file.string())).size(); }

TEST(SaveSitePicture, MakesAWebCopyOrKeepsAGif) {
    test::TempFolder site;
    struct Case {
        const char* what;
        QByteArray bytes;
        const char* name;
        QSize size;
    };
    const Case cases[] = {
        {"PNG", Encoded(Noisy(300, 200), "PNG"), "picture1.jpg", {300, 200}},
        {"JPEG", Encoded(Noisy(120, 90), "JPEG"), "picture2.jpg", {120, 90}},
        {"GIF", kGif, "picture1.gif", {1, 1}},
        {"screenshot", Encoded(Noisy(2000, 1500), "PNG"), "picture3.jpg", {1600, 1200}},
    };
    for (const Case& c : cases) {
        const auto name = SaveSitePicture(site.path(), c.bytes);
        ASSERT_TRUE(name) << c.what << ": " << name.error().message();
        EXPECT_EQ(*name, c.name) << c.what;
        const auto file = site.path() / *name;
        EXPECT_LE(std::filesystem::file_size(file), static_cast<std::uintmax_t>(kWebPictureMaxBytes)) << c.what;
        if (c.size.width() <= 1600) {
            EXPECT_EQ(SizeOf(file), c.size) << c.what;
        } else {
            EXPECT_LE(SizeOf(file).width(), 1600) << c.what;
        }
    }
    EXPECT_EQ(QByteArray::fromStdString(test::TempFolder::Read(site.path() / "picture1.gif")), kGif)
        << "a GIF is kept as it is";
}

TEST(SaveSitePicture, TakesTheFirstNameNoFileHasInAnyCase) {
    test::TempFolder site;
    site.Write("picture1.jpg", "the user's own");
    site.Write("Picture2.JPG", "another");
    const auto name = SaveSitePicture(site.path(), Encoded(Noisy(10, 10), "PNG"));
    ASSERT_TRUE(name);
    EXPECT_EQ(*name, "picture3.jpg");
    EXPECT_EQ(test::TempFolder::Read(site.path() / "picture1.jpg"), "the user's own");
}

TEST(SaveSitePicture, RefusesWhatIsNoPicture) {
    test::TempFolder site;
    for (const QByteArray& bytes : {QByteArray(), QByteArray("<html>not a picture</html>"), kGif.left(10)}) {
        const auto name = SaveSitePicture(site.path(), bytes);
        ASSERT_FALSE(name) << bytes.toStdString();
        EXPECT_EQ(name.error(), SitePictureErrc::unreadable);
    }
    EXPECT_TRUE(std::filesystem::is_empty(site.path())) << "nothing is written";
}

}  // namespace
}  // namespace pw
