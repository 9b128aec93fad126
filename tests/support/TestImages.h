#pragma once

#include <QByteArray>
#include <QImage>
#include <QImageIOHandler>

/// Image files made in the test, including hostile ones.
namespace TestImages {

/// A `width` x `height` picture encoded as `format` ("jpeg", "png", "webp"),
/// optionally stored rotated (orientation tag) when the format supports it.
QByteArray encode(int width, int height, const char *format,
                  QImageIOHandler::Transformations stored = QImageIOHandler::TransformationNone);

/// A small valid PNG whose header claims `width` x `height` (with a correct
/// header checksum): a decompression bomb as far as any reader can tell
/// without decoding.
QByteArray pngClaiming(quint32 width, quint32 height);

/// A small valid JPEG whose frame header claims `width` x `height`.
QByteArray jpegClaiming(quint16 width, quint16 height);

} // namespace TestImages
