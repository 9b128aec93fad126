#include "platform/storage/RecoveryFiles.h"

#include "platform/storage/FileStorage.h"

#include <QDir>
#include <QFileInfo>

namespace {

// Far beyond any real run of failures; bounds the look-up on a folder that
// somebody filled with such names.
constexpr int kMaxIndex = 1000;

} // namespace

namespace RecoveryFiles {

QString candidate(const QString &original, int index)
{
    const QFileInfo info(original);
    const QString suffix = index > 1 ? QStringLiteral("-%1").arg(index) : QString();
    const QString extension = info.suffix().isEmpty() ? QString() : u'.' + info.suffix();
    return info.dir().filePath(info.completeBaseName() + QStringLiteral(".recovered") + suffix +
                               extension);
}

std::optional<QString> latest(const FileStorage &files, const QString &original)
{
    std::optional<QString> found;
    for (int index = 1; index <= kMaxIndex && files.exists(candidate(original, index)); ++index)
        found = candidate(original, index);
    return found;
}

std::optional<QString> firstFree(const FileStorage &files, const QString &original)
{
    for (int index = 1; index <= kMaxIndex; ++index) {
        if (!files.exists(candidate(original, index)))
            return candidate(original, index);
    }
    return std::nullopt;
}

} // namespace RecoveryFiles
