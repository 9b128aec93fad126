#pragma once

#include "tray/TrayFileFormat.h"
#include "tray/TrayItem.h"

#include <QHash>
#include <QList>
#include <QObject>
#include <QString>

#include <memory>
#include <optional>

class AppActivation;
class FileBookmarks;
class FileStorage;

/// The file tray: references to dropped files and folders, kept in
/// `tray.json` so that they survive restarts. The files themselves are never
/// copied, moved or deleted. Main thread only.
class FileTrayStore : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QList<TrayItem> items READ items NOTIFY itemsChanged)
    Q_PROPERTY(QString message READ message WRITE setMessage NOTIFY messageChanged)
    Q_PROPERTY(bool hasPreviewItem READ hasPreviewItem NOTIFY previewItemChanged)
    Q_PROPERTY(bool isPickerPresented READ isPickerPresented WRITE setPickerPresented NOTIFY
                   pickerPresentedChanged)

public:
    /// `storagePath` empty means `tray.json` in the per-user data folder. The
    /// folder is not created here. Without `activation` the store follows the
    /// GUI application's activation.
    explicit FileTrayStore(QString storagePath = {}, FileStorage *files = nullptr,
                           FileBookmarks *bookmarks = nullptr, AppActivation *activation = nullptr,
                           QObject *parent = nullptr);
    /// Closes every open file access.
    ~FileTrayStore() override;

    /// In display order; new entries are appended.
    const QList<TrayItem> &items() const { return m_items; }
    /// The one status line the tray shows; empty when there is none.
    const QString &message() const { return m_message; }
    void setMessage(const QString &value);
    /// The entry shown in the preview, if any.
    const std::optional<TrayItem> &previewItem() const { return m_previewItem; }
    bool hasPreviewItem() const { return m_previewItem.has_value(); }
    void setPreviewItem(const std::optional<TrayItem> &value);
    bool isPickerPresented() const { return m_isPickerPresented; }
    void setPickerPresented(bool value);

    const QString &storagePath() const { return m_storagePath; }
    /// False for the rest of the run once the tray file existed but could not
    /// be read: that file is then never overwritten, and the tray is saved to
    /// `writePath()` instead.
    bool canWrite() const { return m_canWrite; }
    /// Where saves go: `storagePath()`, or a recovery file beside it that
    /// overwrites nothing.
    const QString &writePath() const { return m_writePath; }

    /// First call only: restores the saved tray, then follows application
    /// activation to refresh availability.
    void start();

    /// Adds the file URLs in order; locations already in the tray and
    /// available are left alone, unavailable ones are replaced.
    void addFiles(const QList<QUrl> &urls);
    /// `id` is taken by value: callers pass ids read from `items()`, which
    /// this replaces.
    void remove(QUuid id);
    void clear();

    /// Whether the item's file exists now. When it does not, every entry's
    /// availability is refreshed and the unavailable message is shown.
    bool checkAvailability(const TrayItem &item);
    /// Recomputes every entry's availability and publishes the list again.
    void refreshAvailability();

signals:
    void itemsChanged();
    void messageChanged();
    void previewItemChanged();
    void pickerPresentedChanged();

private:
    void restore();
    void restoreFrom(const QList<TrayFileFormat::SavedItem> &saved);
    void save();
    void setItems(QList<TrayItem> value);
    bool existsAt(const QUrl &url) const;

    QString m_storagePath;
    QString m_writePath;
    QString m_recoveryNotice; // says where the tray is kept while its file cannot be read
    FileStorage &m_files;
    FileBookmarks &m_bookmarkService;
    std::unique_ptr<AppActivation> m_ownActivation;
    AppActivation *m_activation;

    QList<TrayItem> m_items;
    QString m_message;
    std::optional<TrayItem> m_previewItem;
    bool m_isPickerPresented = false;
    QHash<QUuid, QByteArray> m_bookmarks;
    bool m_started = false;
    bool m_canWrite = true;
};
