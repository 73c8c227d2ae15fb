#pragma once
// A picture as the bytes of a file in `format` ("PNG", "JPEG", "GIF"...), as the clipboard
// or a file manager hands it over.
#include <QBuffer>
#include <QByteArray>
#include <QImage>

namespace pw::test {

inline QByteArray Encoded(const QImage& image, const char* format) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return bytes;
}

}  // namespace pw::test
