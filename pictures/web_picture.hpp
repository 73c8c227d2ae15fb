#pragma once
// Pictures made for the web: a photo from a phone is thousands of pixels wide, several
// megabytes, often stored sideways with a rotation flag, and carries where it was taken.
// The web copy is upright, at most 1600 pixels wide, at most 1 MB, and carries no metadata.
#include <QByteArray>
#include <QImage>
#include <QSize>
#include <QString>

#include <expected>

namespace pw {

inline constexpr int kWebPictureMaxWidth = 1600;
inline constexpr qint64 kWebPictureMaxBytes = 1024 * 1024;

// What a picture file is, as the user would see it (upright).
struct PictureFacts {
    QSize size;
    qint64 bytes = 0;
};

// True when a picture is wider than the web copy allows or larger than 1 MB.
bool NeedsWebCopy(const PictureFacts& facts);

// The size of the picture in `file` (upright) and of the file, or the reader's reason.
std::expected<PictureFacts, QString> ReadPictureFacts(const QString& file);

// The picture in `file` or in `bytes`, turned upright from its orientation flag, or the
// reader's reason ("Unsupported image format", ...).
std::expected<QImage, QString> ReadUpright(const QString& file);
std::expected<QImage, QString> ReadUpright(const QByteArray& bytes);

// JPEG bytes for the web: `image` scaled down to at most 1600 pixels wide, encoded at
// quality 85, lowered (and scaled further) until at most 1 MB; no text, EXIF or GPS.
// Transparent areas become white, as a JPEG has none.
QByteArray WebJpeg(const QImage& image);

// The name the web copy of `fileName` takes: a JPEG keeps its name ("Shop.JPG"), any other
// picture the name with ".jpg" in place of its extension ("logo.gif" gives "logo.jpg").
QString WebCopyName(const QString& fileName);

}  // namespace pw
