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
    if (storage.readAll(path) == bytes)
        return true;
    return storage.writeAtomically(path, bytes);
}

QByteArray resource(const QString &name)
{
    QFile file(QStringLiteral(":/browser/extension/") + name);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

QStringList browserConfigFolders()
{
    QString base = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (base.isEmpty() || !QDir::isAbsolutePath(base))
        base = QDir::homePath() + QStringLiteral("/.config");
    QStringList folders;
    for (const char *name :
         {"google-chrome", "chromium", "BraveSoftware/Brave-Browser", "microsoft-edge"})
        folders.append(QDir::cleanPath(base + u'/' + QLatin1String(name)));
    return folders;
}

QByteArray hostManifest(const QString &hostPath)
{
    const QJsonObject manifest{
        {QStringLiteral("name"), QLatin1String(BrowserHostAddress::kHostName)},
        {QStringLiteral("description"), QStringLiteral("Velloway's link to YouTube Music tabs")},
        {QStringLiteral("path"), hostPath},
        {QStringLiteral("type"), QStringLiteral("stdio")},
        {QStringLiteral("allowed_origins"),
         QJsonArray{QStringLiteral("chrome-extension://%1/").arg(QLatin1String(kExtensionID))}},
    };
    return QJsonDocument(manifest).toJson(QJsonDocument::Indented);
}

bool installManifests(const QString &hostPath, const QStringList &configFolders,
                      FileStorage &storage)
{
    bool ok = true;
    const QByteArray manifest = hostManifest(hostPath);
    for (const QString &folder : configFolders) {
        if (!QFileInfo(folder).isDir())
            continue;
        const QString hosts = folder + QStringLiteral("/NativeMessagingHosts");
        ok = storage.createFolder(hosts) &&
             writeIfDifferent(hosts + u'/' + QLatin1String(BrowserHostAddress::kHostName) +
                                  QStringLiteral(".json"),
                              manifest, storage) &&
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
    installManifests(hostExecutable(), browserConfigFolders(), storage);
    installExtension(AppDataFolder::file(QStringLiteral("browser-extension")), playbackSource,
                     storage);
}

} // namespace BrowserHostInstaller
