#include "platform/image/ImageDecoder.h"
#include "support/TestImages.h"
#include "support/TestRows.h"

#include <QTest>

namespace {
const ImageDecoder::Limits kLimits{2'097'152, 4096, 160};
}

class ImageDecoderTest : public QObject
{
    Q_OBJECT

private slots:
    void thumbnails_data()
    {
        columns<QByteArray, QSize>("bytes", "expected"); // an invalid expected size: rejected
        row("jpeg 640x640", TestImages::encode(640, 640, "jpeg"), QSize(160, 160));
        row("png 400x100", TestImages::encode(400, 100, "png"), QSize(160, 40));
        row("webp 300x600", TestImages::encode(300, 600, "webp"), QSize(80, 160));
        row("small kept", TestImages::encode(64, 48, "png"), QSize(64, 48));
        row("4096 per side", TestImages::encode(4096, 1, "png"), QSize(160, 1));
        row("rotated on disk",
            TestImages::encode(320, 160, "jpeg", QImageIOHandler::TransformationRotate90),
            QSize(80, 160));
        row("4097 wide", TestImages::encode(4097, 1, "png"), QSize());
        row("png bomb 5000x3000", TestImages::pngClaiming(5000, 3000), QSize());
        row("png bomb 50000x50000", TestImages::pngClaiming(50'000, 50'000), QSize());
        row("jpeg bomb 5000x3000", TestImages::jpegClaiming(5000, 3000), QSize());
        row("zero width", TestImages::pngClaiming(0, 10), QSize());
        row("gif", TestImages::encode(10, 10, "gif"), QSize());
        row("bmp", TestImages::encode(10, 10, "bmp"), QSize());
        row("empty", QByteArray(), QSize());
        row("html", QByteArray("<html><body>502 Bad Gateway</body></html>"), QSize());
        QByteArray corrupt = TestImages::encode(100, 100, "png");
        for (qsizetype i = 40; i < corrupt.size(); ++i)
            corrupt[i] = char(i * 7);
        row("corrupt png body", corrupt, QSize());
        row("truncated png", TestImages::encode(100, 100, "png").left(40), QSize());
        row("over the byte cap", TestImages::encode(8, 8, "png") + QByteArray(2'097'152, 0),
            QSize());
    }

    void thumbnails()
    {
        auto [bytes, expected] = fetch<QByteArray, QSize>("bytes", "expected");
        const QImage image = ImageDecoder::thumbnail(bytes, kLimits);
        QCOMPARE(image.isNull(), !expected.isValid());
        if (expected.isValid())
            QCOMPARE(image.size(), expected);
    }

    void headerSizeNeedsNoDecode()
    {
        QCOMPARE(ImageDecoder::headerSize(TestImages::pngClaiming(50'000, 50'000)),
                 std::optional(QSize(50'000, 50'000)));
        QCOMPARE(ImageDecoder::headerSize(TestImages::jpegClaiming(5000, 3000)),
                 std::optional(QSize(5000, 3000)));
        QCOMPARE(ImageDecoder::headerSize(TestImages::encode(30, 20, "webp")),
                 std::optional(QSize(30, 20)));
        QCOMPARE(ImageDecoder::headerSize("GIF89a"), std::nullopt);
    }
};

QTEST_GUILESS_MAIN(ImageDecoderTest)
#include "tst_imagedecoder.moc"
