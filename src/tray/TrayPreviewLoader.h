#pragma once

#include "core/SerialWorker.h"

#include <QImage>
#include <QObject>
#include <QSize>
#include <QString>

#include <functional>

/// What the preview shows for one file.
struct TrayPreview
{
    enum class Kind
    {
        image,   // `image`: the picture, scaled to fit
        text,    // `text`: the start of a text file
        page,    // `image`: a document's first page
        details, // only what is said of every file
    };
    Kind kind = Kind::details;
    QImage image;
    QString text;
    /// Said of every file, whatever its kind.
    QString name;
    QString typeName;
    QString sizeText; // empty for a folder or a file that cannot be read
};

/// Reads files for the preview on a worker of its own: files in the tray can
/// be large or on slow drives, and the crest must not stall on them.
class TrayPreviewLoader
{
public:
    /// A picture file larger than this shows only its details.
    static constexpr qsizetype kMaxImageBytes = 64 * 1024 * 1024;
    static constexpr int kMaxImagePixelsPerSide = 16'384;
    /// Text beyond this is not shown.
    static constexpr qsizetype kMaxTextBytes = 64 * 1024;

    using Completion = std::function<void(TrayPreview)>;

    TrayPreviewLoader();

    /// Reads `path` for a preview at most `pixels` large and hands the result
    /// to `completion` on the main thread, unless `context` is gone by then.
    void load(const QString &path, QSize pixels, QObject *context, Completion completion);

    /// Documents' first pages can be drawn (the build has a PDF renderer).
    static bool rendersPages();

    /// The preview of `path`, read on the calling thread.
    static TrayPreview read(const QString &path, QSize pixels);

private:
    SerialWorker m_worker;
};
