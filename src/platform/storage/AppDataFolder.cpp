#include "platform/storage/AppDataFolder.h"

#include <QDir>

namespace AppDataFolder {

QString path()
{
    QString base = qEnvironmentVariable("XDG_DATA_HOME");
    // The base-directory rules say a relative value is invalid and ignored.
    if (base.isEmpty() || !QDir::isAbsolutePath(base))
        base = QDir::homePath() + QStringLiteral("/.local/share");
    return QDir::cleanPath(base + QStringLiteral("/Velloway"));
}

QString file(const QString &name)
{
    return path() + u'/' + name;
}

} // namespace AppDataFolder
