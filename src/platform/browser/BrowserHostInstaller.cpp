#include "platform/browser/BrowserHostInstaller.h"

#include "platform/browser/BrowserHostAddress.h"
#include "platform/storage/AppDataFolder.h"
#include "platform/storage/FileStorage.h"
#include "platform/storage/LocalFileStorage.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace BrowserHostInstaller {

namespace {

bool writeIfDifferent(const QString &path, const QByteArray &bytes, FileStorage &storage)
{
    if (storage.readAll(path, bytes.size()) == bytes)
        return true;
    return storage.writeAtomically(path, bytes);
}

QByteArray resource(const QString &name)
{
    QFile file(QStringLiteral(":/browser/extension/") + name);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

QList<HostFolder> hostFolders()
{
    QString base = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (base.isEmpty() || !QDir::isAbsolutePath(base))
        base = QDir::homePath() + QStringLiteral("/.config");
    QList<HostFolder> folders;
    for (const char *name :
         {"google-chrome", "chromium", "BraveSoftware/Brave-Browser", "microsoft-edge"}) {
        const QString folder = QDir::cleanPath(base + u'/' + QLatin1String(name));
        folders.append(
            {HostFamily::chromium, folder, folder + QStringLiteral("/NativeMessagingHosts")});
    }
    // Newer Firefox keeps its profiles under the configuration folder, but
    // still reads hosts from the old one only.
    const QString mozilla = QDir::homePath() + QStringLiteral("/.mozilla");
    for (const QString &folder : {mozilla, QDir::cleanPath(base + QStringLiteral("/mozilla"))})
        folders.append(
            {HostFamily::firefox, folder, mozilla + QStringLiteral("/native-messaging-hosts")});
    return folders;
}

QByteArray hostManifest(const QString &hostPath, HostFamily family)
{
    QJsonObject manifest{
        {QStringLiteral("name"), QLatin1String(BrowserHostAddress::kHostName)},
        {QStringLiteral("description"), QStringLiteral("Velloway's link to YouTube Music tabs")},
        {QStringLiteral("path"), hostPath},
        {QStringLiteral("type"), QStringLiteral("stdio")},
    };
    if (family == HostFamily::firefox)
        manifest.insert(QStringLiteral("allowed_extensions"),
                        QJsonArray{QLatin1String(kFirefoxExtensionID)});
    else
        manifest.insert(
            QStringLiteral("allowed_origins"),
            QJsonArray{QStringLiteral("chrome-extension://%1/").arg(QLatin1String(kExtensionID))});
    return QJsonDocument(manifest).toJson(QJsonDocument::Indented);
}

bool installManifests(const QString &hostPath, const QList<HostFolder> &folders,
                      FileStorage &storage)
{
    bool ok = true;
    for (const HostFolder &folder : folders) {
        if (!QFileInfo(folder.browserFolder).isDir())
            continue;
        ok = storage.createFolder(folder.manifestFolder) &&
             writeIfDifferent(folder.manifestFolder + u'/' +
                                  QLatin1String(BrowserHostAddress::kHostName) +
                                  QStringLiteral(".json"),
                              hostManifest(hostPath, folder.family), storage) &&
             ok;
    }
    return ok;
}

bool installExtension(const QString &folder, const QByteArray &playbackSource, FileStorage &storage)
{
    if (!storage.createFolder(folder))
        return false;
    bool ok = true;
    for (const QString &name : {QStringLiteral("manifest.json"), QStringLiteral("background.js")}) {
        const QByteArray bytes = resource(name);
        ok = !bytes.isEmpty() && writeIfDifferent(folder + u'/' + name, bytes, storage) && ok;
    }
    return writeIfDifferent(folder + QStringLiteral("/playback.js"), playbackSource, storage) && ok;
}

QString hostExecutable()
{
    const QString dir = QCoreApplication::applicationDirPath();
    const QString beside = dir + u'/' + QLatin1String(kHostExecutable);
    if (QFileInfo(beside).isExecutable())
        return beside;
    return QDir::cleanPath(dir + QStringLiteral("/../libexec/velloway/") +
                           QLatin1String(kHostExecutable));
}

void installForUser(const QByteArray &playbackSource)
{
    LocalFileStorage &storage = LocalFileStorage::shared();
    installManifests(hostExecutable(), hostFolders(), storage);
    installExtension(AppDataFolder::file(QStringLiteral("browser-extension")), playbackSource,
                     storage);
}

} // namespace BrowserHostInstaller
