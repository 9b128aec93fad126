#pragma once

#include <QByteArray>
#include <QString>

#include <list>
#include <map>
#include <mutex>
#include <optional>

/// Recent covers kept raw in memory, bounded by entry count and total bytes;
/// the least recently used entry goes first. Safe for use from any thread.
class ArtworkCache
{
public:
    ArtworkCache(qsizetype maxEntries, qint64 maxBytes);

    std::optional<QByteArray> find(const QString &key);
    /// Stores `bytes` (cost: their size); a value larger than the whole
    /// budget is not kept.
    void insert(const QString &key, QByteArray bytes);

    qsizetype count() const;
    qint64 totalBytes() const;

private:
    using Entry = std::pair<QString, QByteArray>;
    void evict();

    const qsizetype m_maxEntries;
    const qint64 m_maxBytes;
    mutable std::mutex m_mutex;
    std::list<Entry> m_order; // most recent first
    std::map<QString, std::list<Entry>::iterator> m_index;
    qint64 m_totalBytes = 0;
};
