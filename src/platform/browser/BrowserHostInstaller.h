#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

class FileStorage;

/// Puts the browser side in place: the native host's manifest in each
/// installed Chromium browser's configuration, and the extension in the
/// program's data folder. Files are rewritten only when they differ, and
/// atomically.
namespace BrowserHostInstaller {

/// The extension's fixed id (from the public key in its manifest).
inline constexpr char kExtensionID[] = "lflfcnbggcmoogadenngamnlafkonjij";
/// The executable of the native host.
inline constexpr char kHostExecutable[] = "velloway-browser-host";

/// The configuration folders of Chrome, Chromium, Brave and Edge under
/// `$XDG_CONFIG_HOME` (or `~/.config`).
QStringList browserConfigFolders();

/// The host manifest naming `hostPath`, open to the extension only.
QByteArray hostManifest(const QString &hostPath);

/// Writes the manifest into `NativeMessagingHosts` of every folder of
/// `configFolders` that exists (a browser that is installed and was run).
/// False when a write failed.
bool installManifests(const QString &hostPath, const QStringList &configFolders,
                      FileStorage &storage);

/// Writes the extension (its manifest, service worker and `playbackSource`
/// as `playback.js`) into `folder`. False when a write failed.
bool installExtension(const QString &folder, const QByteArray &playbackSource,
                      FileStorage &storage);

/// The installed host: next to the program, else in `../libexec/velloway`.
QString hostExecutable();

/// Both of the above for this user, as at launch: the extension goes to
/// `browser-extension` in the data folder.
void installForUser(const QByteArray &playbackSource);

} // namespace BrowserHostInstaller
