#include "platform/apps/ApplicationFiles.h"

#include <QStandardPaths>

namespace ApplicationFiles {

QString desktopEntry(const ApplicationIdentity &app)
{
    for (const QString &entry : app.desktopEntries) {
        const QString found = QStandardPaths::locate(QStandardPaths::GenericDataLocation,
                                                     QStringLiteral("applications/") + entry +
                                                         QStringLiteral(".desktop"));
        if (!found.isEmpty())
            return found;
    }
    return {};
}

QString executable(const ApplicationIdentity &app)
{
    for (const QString &name : app.executableNames) {
        const QString found = QStandardPaths::findExecutable(name);
        if (!found.isEmpty())
            return found;
    }
    return {};
}

} // namespace ApplicationFiles
