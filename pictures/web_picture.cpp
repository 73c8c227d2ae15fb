#include "pictures/web_picture.hpp"

#include <algorithm>

#include <QBuffer>
#include <QFileInfo>
#include <QImageReader>
#include <QImageWriter>
#include <QPainter>

namespace pw {

namespace {

std::expected<QImage, QString> ReadWith(QImageReader& reader) {
    reader.setAutoTransform(true);  // applies the orientation flag
    QImage image = reader.read();
    if (image.isNull()) return std::unexpected(reader.errorString());
    return image;
}

// Opaque pixels only, without the text keys the reader took from the file: a copy made
// from the pixels alone carries nothing the file said about itself.
QImage PixelsOnly(const QImage& image) {
    QImage flat(image.size(), QImage::Format_RGB32);
    flat.fill(Qt::white);
    QPainter painter(&flat);
    painter.drawImage(0, 0, image);
    painter.end();
    return flat;
}

QByteArray EncodeJpeg(const QImage& image, int quality) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "jpeg");
    writer.setQuality(quality);
    writer.setOptimizedWrite(true);
    writer.write(image);
    return bytes;
}

}  // namespace

bool NeedsWebCopy(const PictureFacts& facts) {
    return facts.size.width() > kWebPictureMaxWidth || facts.bytes > kWebPictureMaxBytes;
}

std::expected<PictureFacts, QString> ReadPictureFacts(const QString& file) {
    QImageReader reader(file);
    reader.setAutoTransform(true);
    QSize size = reader.size();
    if (!size.isValid()) return std::unexpected(reader.errorString());
    // size() reports the stored orientation; a quarter turn swaps the sides.
    if (reader.transformation().testFlag(QImageIOHandler::TransformationRotate90)) size.transpose();
    return PictureFacts{size, QFileInfo(file).size()};
}

std::expected<QImage, QString> ReadUpright(const QString& file) {
    QImageReader reader(file);
    return ReadWith(reader);
}

std::expected<QImage, QString> ReadUpright(const QByteArray& bytes) {
    QByteArray copy = bytes;
    QBuffer buffer(&copy);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    return ReadWith(reader);
}

QByteArray WebJpeg(const QImage& image) {
    QImage picture = PixelsOnly(image.width() > kWebPictureMaxWidth
                                    ? image.scaledToWidth(kWebPictureMaxWidth, Qt::SmoothTransformation)
                                    : image);
    for (;;) {
        for (int quality = 85; quality >= 45; quality -= 10) {
            QByteArray bytes = EncodeJpeg(picture, quality);
            if (bytes.size() <= kWebPictureMaxBytes) return bytes;
        }
        // Still too large at a modest quality: a smaller picture, then try again.
        picture = picture.scaledToWidth(std::max(1, picture.width() * 3 / 4), Qt::SmoothTransformation);
    }
}

QString WebCopyName(const QString& fileName) {
    const QFileInfo name(fileName);
    const QString extension = name.suffix().toLower();
    if (extension == QLatin1String("jpg") || extension == QLatin1String("jpeg")) return fileName;
    const QString stem = name.suffix().isEmpty() ? fileName : fileName.left(fileName.size() - name.suffix().size() - 1);
    return stem + QStringLiteral(".jpg");
}

}  // namespace pw
