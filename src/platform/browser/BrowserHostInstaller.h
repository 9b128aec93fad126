#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

class FileStorage;

/// Puts the browser side in place: the native host's manifest in each
/// installed browser's configuration, and the Chromium extension in the
/// program's data folder (Firefox's package is installed with the program).
/// Files are rewritten only when they differ, and atomically.
namespace BrowserHostInstaller {

/// The extension's fixed id (from the public key in its manifest).
inline constexpr char kExtensionID[] = "lflfcnbggcmoogadenngamnlafkonjij";
/// The id of the Firefox package (its manifest's gecko id).
inline constexpr char kFirefoxExtensionID[] = "browser@velloway.org";
/// The executable of the native host.
inline constexpr char kHostExecutable[] = "velloway-browser-host";

/// The two ways browsers find a native host: where its manifest lies, and
/// how the manifest names the extension it lets in.
enum class HostFamily
{
    chromium,
    firefox
};

struct HostFolder
{
    HostFamily family = HostFamily::chromium;
    /// The browser's own folder; it exists once the browser has run.
    QString browserFolder;
    /// Where the browser looks for this user's host manifests.
    QString manifestFolder;
};

/// The configuration folders of Chrome, Chromium, Brave and Edge under
/// `$XDG_CONFIG_HOME` (or `~/.config`), each with `NativeMessagingHosts`
/// inside; then Firefox's `~/.mozilla` and its newer `mozilla` folder there,
/// both with the one folder Firefox reads, `~/.mozilla/native-messaging-hosts`.
QList<HostFolder> hostFolders();

/// The host manifest naming `hostPath`, open to the extension only.
QByteArray hostManifest(const QString &hostPath, HostFamily family);

/// Writes the manifest into the manifest folder of every entry of
/// `folders` whose browser folder exists (a browser that is installed and
/// was run). False when a write failed.
bool installManifests(const QString &hostPath, const QList<HostFolder> &folders,
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
