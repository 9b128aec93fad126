#pragma once

#include <QByteArray>
#include <QImage>
#include <QSize>

#include <optional>

/// Decoding of untrusted image bytes (JPEG, PNG, WebP only). The pixel size
/// is read from the header and checked before any pixel is decoded, so a
/// small file that claims a huge picture costs nothing.
class ImageDecoder
{
public:
    struct Limits
    {
        qsizetype maxBytes = 0;
        int maxPixelsPerSide = 0; // accepted: 1 to this, in each dimension
        int maxThumbnailSide = 0; // longest side of the result
    };

    /// The pixel size the header announces, or none when the bytes are not
    /// a JPEG, PNG or WebP image with a readable header.
    static std::optional<QSize> headerSize(const QByteArray &bytes);

    /// A decoded image no larger than `limits.maxThumbnailSide` on its
    /// longest side, with the file's orientation applied; a null image when
    /// the bytes are empty, too many, not one of the formats, too large in
    /// pixels or cannot be decoded.
    static QImage thumbnail(const QByteArray &bytes, const Limits &limits);
};
