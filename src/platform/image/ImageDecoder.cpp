#include "platform/image/ImageDecoder.h"

#include <QBuffer>
#include <QImageReader>

#include <algorithm>
#include <cmath>

namespace {

// Recognised by their signatures alone, so that no other image plugin (and
// none of its parsers) ever sees foreign bytes.
QByteArray formatOf(const QByteArray &bytes)
{
    if (bytes.startsWith("\xFF\xD8\xFF"))
        return "jpeg";
    if (bytes.startsWith("\x89PNG\r\n\x1A\n"))
        return "png";
    if (bytes.size() >= 12 && bytes.startsWith("RIFF") && bytes.mid(8, 4) == "WEBP")
        return "webp";
    return {};
}

// Points `reader` at `bytes` when they are one of the accepted formats.
bool open(QBuffer &buffer, QImageReader &reader, const QByteArray &bytes)
{
    const QByteArray format = formatOf(bytes);
    if (format.isEmpty())
        return false;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    reader.setDevice(&buffer);
    reader.setFormat(format);
    reader.setDecideFormatFromContent(false);
    return true;
}

} // namespace

std::optional<QSize> ImageDecoder::headerSize(const QByteArray &bytes)
{
    QBuffer buffer;
    QImageReader reader;
    if (!open(buffer, reader, bytes))
        return std::nullopt;
    const QSize size = reader.size();
    if (!size.isValid())
        return std::nullopt;
    return size;
}

QImage ImageDecoder::thumbnail(const QByteArray &bytes, const Limits &limits)
{
    if (bytes.isEmpty() || bytes.size() > limits.maxBytes)
        return {};
    QBuffer buffer;
    QImageReader reader;
    if (!open(buffer, reader, bytes))
        return {};
    const QSize size = reader.size();
    if (!size.isValid() || size.width() < 1 || size.height() < 1 ||
        size.width() > limits.maxPixelsPerSide || size.height() > limits.maxPixelsPerSide)
        return {};

    // Scaling is decided on the stored size; orientation is applied after
    // it, which only swaps the sides, so the longest side stays within the
    // limit either way.
    const int longest = std::max(size.width(), size.height());
    if (longest > limits.maxThumbnailSide) {
        const double scale = double(limits.maxThumbnailSide) / longest;
        reader.setScaledSize(QSize(std::max(1, int(std::lround(size.width() * scale))),
                                   std::max(1, int(std::lround(size.height() * scale)))));
    }
    reader.setAutoTransform(true);
    QImage image;
    if (!reader.read(&image) || image.isNull())
        return {};
    if (image.width() > limits.maxThumbnailSide || image.height() > limits.maxThumbnailSide)
        image = image.scaled(limits.maxThumbnailSide, limits.maxThumbnailSide, Qt::KeepAspectRatio,
                             Qt::SmoothTransformation);
    return image;
}
