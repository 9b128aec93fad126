#include "tray/TrayPreviewLoader.h"

#include "platform/image/ImageDecoder.h"

#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QMimeDatabase>
#include <QStringDecoder>

#ifdef VELLOWAY_HAS_QTPDF
#include <QPdfDocument>
#endif

namespace {

using namespace Qt::StringLiterals;
using Kind = TrayPreview::Kind;

// At most `limit` bytes of `path`, plus one to tell that there were more.
QByteArray readAtMost(const QString &path, qsizetype limit)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.read(limit + 1);
}

void readImage(TrayPreview &preview, const QString &path, QSize pixels)
{
    const QByteArray bytes = readAtMost(path, TrayPreviewLoader::kMaxImageBytes);
    const ImageDecoder::Limits limits{TrayPreviewLoader::kMaxImageBytes,
                                      TrayPreviewLoader::kMaxImagePixelsPerSide,
                                      std::max(pixels.width(), pixels.height())};
    QImage image = ImageDecoder::thumbnail(bytes, limits);
    if (image.isNull())
        return;
    // Decoded to the longest side; a wide window may still need it smaller.
    if (image.width() > pixels.width() || image.height() > pixels.height())
        image = image.scaled(pixels, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    preview.kind = Kind::image;
    preview.image = std::move(image);
}

void readText(TrayPreview &preview, const QString &path)
{
    QByteArray bytes = readAtMost(path, TrayPreviewLoader::kMaxTextBytes);
    const bool cut = bytes.size() > TrayPreviewLoader::kMaxTextBytes;
    bytes.truncate(TrayPreviewLoader::kMaxTextBytes);
    // A NUL byte means the "text" file is binary after all.
    if (bytes.contains('\0'))
        return;
    QStringDecoder decode(QStringDecoder::Utf8);
    preview.text = decode(bytes);
    if (cut)
        preview.text += u"\n…"_s;
    preview.kind = Kind::text;
}

void readPage([[maybe_unused]] TrayPreview &preview, [[maybe_unused]] const QString &path,
              [[maybe_unused]] QSize pixels)
{
#ifdef VELLOWAY_HAS_QTPDF
    QPdfDocument document;
    if (document.load(path) != QPdfDocument::Error::None || document.pageCount() < 1)
        return;
    const QSizeF page = document.pagePointSize(0);
    if (page.isEmpty())
        return;
    const QSize size = page.scaled(QSizeF(pixels), Qt::KeepAspectRatio).toSize();
    if (size.isEmpty())
        return;
    QImage image = document.render(0, size);
    if (image.isNull())
        return;
    preview.kind = Kind::page;
    preview.image = std::move(image);
#endif
}

} // namespace

TrayPreviewLoader::TrayPreviewLoader() : m_worker(u"Velloway.Preview"_s) {}

void TrayPreviewLoader::load(const QString &path, QSize pixels, QObject *context,
                             Completion completion)
{
    m_worker.post(
        context, [path, pixels] { return read(path, pixels); },
        [completion = std::move(completion)](TrayPreview preview) {
            completion(std::move(preview));
        });
}

bool TrayPreviewLoader::rendersPages()
{
#ifdef VELLOWAY_HAS_QTPDF
    return true;
#else
    return false;
#endif
}

TrayPreview TrayPreviewLoader::read(const QString &path, QSize pixels)
{
    const QFileInfo info(path);
    const QMimeType type = QMimeDatabase().mimeTypeForFile(info);
    TrayPreview preview;
    preview.name = info.fileName();
    preview.typeName = type.comment();
    if (info.isFile() && info.isReadable())
        preview.sizeText = QLocale::system().formattedDataSize(info.size());
    if (!info.isFile() || pixels.isEmpty())
        return preview;

    if (type.inherits(u"image/jpeg"_s) || type.inherits(u"image/png"_s) ||
        type.inherits(u"image/webp"_s))
        readImage(preview, path, pixels);
    else if (type.inherits(u"application/pdf"_s))
        readPage(preview, path, pixels);
    else if (type.inherits(u"text/plain"_s))
        readText(preview, path);
    return preview;
}
