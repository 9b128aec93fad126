#include "support/TestImages.h"

#include <QBuffer>
#include <QImageWriter>
#include <QtEndian>

namespace {

quint32 crc32(const char *data, qsizetype length)
{
    quint32 crc = 0xFFFFFFFFu;
    for (qsizetype i = 0; i < length; ++i) {
        crc ^= quint8(data[i]);
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

} // namespace

namespace TestImages {

QByteArray encode(int width, int height, const char *format,
                  QImageIOHandler::Transformations stored)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(Qt::darkCyan);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, format);
    writer.setTransformation(stored);
    writer.write(image);
    return bytes;
}

QByteArray pngClaiming(quint32 width, quint32 height)
{
    QByteArray bytes = encode(2, 2, "png");
    // Signature (8), chunk length (4), "IHDR" (4), then width and height.
    qToBigEndian(width, bytes.data() + 16);
    qToBigEndian(height, bytes.data() + 20);
    const quint32 crc = crc32(bytes.constData() + 12, 4 + 13);
    qToBigEndian(crc, bytes.data() + 12 + 4 + 13);
    return bytes;
}

QByteArray jpegClaiming(quint16 width, quint16 height)
{
    QByteArray bytes = encode(8, 8, "jpeg");
    for (qsizetype i = 2; i + 9 < bytes.size(); ++i) {
        const quint8 marker = quint8(bytes[i + 1]);
        if (quint8(bytes[i]) == 0xFF && (marker == 0xC0 || marker == 0xC2)) {
            // Marker (2), length (2), precision (1), height (2), width (2).
            qToBigEndian(height, bytes.data() + i + 5);
            qToBigEndian(width, bytes.data() + i + 7);
            break;
        }
    }
    return bytes;
}

} // namespace TestImages
