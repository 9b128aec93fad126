#include "tray/FileTrayStore.h"

#include "platform/desktop/GuiAppActivation.h"
#include "platform/storage/AppDataFolder.h"
#include "platform/storage/InodeBookmarks.h"
#include "platform/storage/LocalFileStorage.h"
#include "platform/storage/RecoveryFiles.h"
#include "tray/TrayFileFormat.h"

#include <QDir>
#include <QFileInfo>
#include <QSet>

namespace {

// Far above any real tray; stops a huge file from exhausting memory at start-up.
constexpr qint64 kMaxTrayFileBytes = 8 << 20;

const QString kUnreadableMessage =
    QStringLiteral("The saved tray could not be read. Your original files are unaffected.");
const QString kRestoreAccessMessage =
    QStringLiteral("Some file access could not be restored. Add those files again if needed.");
const QString kRefusedSaveMessage =
    QStringLiteral("The saved tray could not be read. Original saved references are preserved.");
const QString kSaveFailedMessage =
    QStringLiteral("The tray could not be saved. Your original files are unaffected.");
const QString kNoBookmarkMessage =
    QStringLiteral("A file can be used now, but may need to be added again after restarting.");
const QString kRejectedMessage =
    QStringLiteral("Only available files and folders can be added to the tray.");
const QString kUnavailableMessage =
    QStringLiteral("This file is unavailable. It may have moved or its drive may be disconnected.");

// The location with "." and ".." segments (and doubled slashes) removed.
QUrl standardized(const QUrl &url)
{
    return QUrl::fromLocalFile(QDir::cleanPath(url.toLocalFile()));
}

} // namespace

FileTrayStore::FileTrayStore(QString storagePath, FileStorage *files, FileBookmarks *bookmarks,
                             AppActivation *activation, QObject *parent)
    : QObject(parent),
      m_storagePath(storagePath.isEmpty() ? AppDataFolder::file(QStringLiteral("tray.json"))
                                          : std::move(storagePath)),
      m_files(files ? *files : LocalFileStorage::shared()),
      m_bookmarkService(bookmarks ? *bookmarks : InodeBookmarks::shared()), m_activation(activation)
{
    m_writePath = m_storagePath;
    if (!m_activation) {
        m_ownActivation = std::make_unique<GuiAppActivation>();
        m_activation = m_ownActivation.get();
    }
}

FileTrayStore::~FileTrayStore() = default;

void FileTrayStore::setMessage(const QString &value)
{
    if (m_message == value)
        return;
    m_message = value;
    emit messageChanged();
}

void FileTrayStore::setPreviewItem(const std::optional<TrayItem> &value)
{
    if (m_previewItem == value)
        return;
    m_previewItem = value;
    emit previewItemChanged();
}

void FileTrayStore::setPickerPresented(bool value)
{
    if (m_isPickerPresented == value)
        return;
    m_isPickerPresented = value;
    emit pickerPresentedChanged();
}

void FileTrayStore::setItems(QList<TrayItem> value)
{
    if (m_items == value)
        return;
    m_items = std::move(value);
    emit itemsChanged();
}

void FileTrayStore::start()
{
    if (m_started)
        return;
    m_started = true;
    restore();
    // Queued: the refresh runs as its own main-thread task, and not at all once
    // the store is gone.
    connect(m_activation, &AppActivation::becameActive, this, &FileTrayStore::refreshAvailability,
            Qt::QueuedConnection);
}

bool FileTrayStore::existsAt(const QUrl &url) const
{
    return m_files.exists(url.toLocalFile());
}

// An unreadable tray file keeps its bytes; the tray is saved to a recovery
// file beside it from then on, and the next start goes on from that file.
void FileTrayStore::restore()
{
    if (!m_files.exists(m_storagePath))
        return;
    const auto read = [this](const QString &path) {
        const auto bytes = m_files.readAll(path, kMaxTrayFileBytes);
        return bytes ? TrayFileFormat::decode(*bytes) : std::nullopt;
    };
    if (const auto saved = read(m_storagePath)) {
        restoreFrom(*saved);
        if (const auto left = RecoveryFiles::latest(m_files, m_storagePath))
            setMessage(QStringLiteral("Files added while %1 couldn't be read are listed in %2.")
                           .arg(QFileInfo(m_storagePath).fileName(), QFileInfo(*left).fileName()));
        return;
    }
    m_canWrite = false;
    const auto latest = RecoveryFiles::latest(m_files, m_storagePath);
    const auto recovered = latest ? read(*latest) : std::nullopt;
    m_writePath =
        recovered ? *latest : RecoveryFiles::firstFree(m_files, m_storagePath).value_or(QString());
    if (!m_writePath.isEmpty())
        m_recoveryNotice =
            QStringLiteral(" New files are kept in %1.").arg(QFileInfo(m_writePath).fileName());
    setMessage(kUnreadableMessage + m_recoveryNotice);
    if (recovered)
        restoreFrom(*recovered);
}

void FileTrayStore::restoreFrom(const QList<TrayFileFormat::SavedItem> &saved)
{
    QSet<QUuid> seenIDs;
    QSet<QString> seenPaths;
    bool needsResave = false;
    QList<TrayItem> items;
    for (const TrayFileFormat::SavedItem &entry : saved) {
        if (seenIDs.contains(entry.id))
            continue;
        seenIDs.insert(entry.id);

        QUrl url = QUrl::fromLocalFile(QFileInfo(entry.path).absoluteFilePath());
        bool isStale = false;
        if (entry.bookmark) {
            // Kept before resolving, so an unresolvable bookmark is still
            // written back by later saves.
            m_bookmarks.insert(entry.id, *entry.bookmark);
            if (const auto resolved = m_bookmarkService.resolve(*entry.bookmark)) {
                url = resolved->url;
                isStale = resolved->isStale;
            } else {
                setMessage(kRestoreAccessMessage);
            }
        }
        if (!url.isLocalFile())
            continue;
        const QString path = standardized(url).toLocalFile();
        if (seenPaths.contains(path))
            continue;
        seenPaths.insert(path);

        if (isStale) {
            if (const auto renewed = m_bookmarkService.create(url)) {
                m_bookmarks.insert(entry.id, *renewed);
                needsResave = true;
            }
        }
        items.append(TrayItem{entry.id, url, existsAt(url)});
    }
    // Bookmarks of skipped duplicates must not outlive their entries.
    for (auto it = m_bookmarks.begin(); it != m_bookmarks.end();) {
        const bool listed = std::any_of(items.cbegin(), items.cend(),
                                        [&](const TrayItem &item) { return item.id == it.key(); });
        it = listed ? std::next(it) : m_bookmarks.erase(it);
    }
    setItems(std::move(items));
    if (needsResave)
        save();
}

void FileTrayStore::addFiles(const QList<QUrl> &urls)
{
    setMessage(QString());
    if (urls.isEmpty())
        return;
    bool rejected = false;
    bool changed = false;
    QList<TrayItem> items = m_items;
    for (const QUrl &dropped : urls) {
        if (!dropped.isLocalFile()) {
            rejected = true;
            continue;
        }
        const QUrl url = standardized(dropped);
        const auto existing = std::find_if(items.cbegin(), items.cend(), [&](const TrayItem &item) {
            return standardized(item.url) == url;
        });
        if (existing != items.cend()) {
            if (existing->isAvailable)
                continue;
            const QUuid replaced = existing->id;
            items.removeIf([&](const TrayItem &item) { return item.id == replaced; });
            m_bookmarks.remove(replaced);
        }

        const QUuid id = QUuid::createUuid();
        if (!existsAt(url)) {
            rejected = true;
            continue;
        }
        if (const auto bookmark = m_bookmarkService.create(url))
            m_bookmarks.insert(id, *bookmark);
        else
            setMessage(kNoBookmarkMessage);
        items.append(TrayItem{id, url, true});
        changed = true;
    }
    // A replaced entry changes the list even when its new location is rejected.
    setItems(std::move(items));
    if (rejected)
        setMessage(kRejectedMessage);
    if (changed)
        save();
}

void FileTrayStore::remove(QUuid id)
{
    QList<TrayItem> items = m_items;
    items.removeIf([&](const TrayItem &item) { return item.id == id; });
    setItems(std::move(items));
    m_bookmarks.remove(id);
    setMessage(QString());
    save();
}

void FileTrayStore::clear()
{
    setItems({});
    m_bookmarks.clear();
    setMessage(QString());
    save();
}

bool FileTrayStore::checkAvailability(const TrayItem &item)
{
    if (existsAt(item.url))
        return true;
    refreshAvailability();
    setMessage(kUnavailableMessage);
    return false;
}

void FileTrayStore::refreshAvailability()
{
    for (TrayItem &item : m_items)
        item.isAvailable = existsAt(item.url);
    emit itemsChanged();
}

void FileTrayStore::save()
{
    if (m_writePath.isEmpty()) {
        setMessage(kRefusedSaveMessage);
        return;
    }
    QList<TrayFileFormat::SavedItem> saved;
    saved.reserve(m_items.size());
    for (const TrayItem &item : std::as_const(m_items)) {
        const auto bookmark = m_bookmarks.constFind(item.id);
        saved.append({item.id,
                      bookmark == m_bookmarks.cend() ? std::nullopt : std::optional(*bookmark),
                      item.url.toLocalFile()});
    }
    const bool ok = m_files.createFolder(QFileInfo(m_writePath).absolutePath()) &&
                    m_files.writeAtomically(m_writePath, TrayFileFormat::encode(saved)) &&
                    m_files.setPermissions(m_writePath, 0600);
    if (!ok)
        setMessage(kSaveFailedMessage);
    else if (!m_canWrite)
        setMessage(kRefusedSaveMessage + m_recoveryNotice);
}
