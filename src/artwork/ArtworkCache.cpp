#include "artwork/ArtworkCache.h"

ArtworkCache::ArtworkCache(qsizetype maxEntries, qint64 maxBytes)
    : m_maxEntries(maxEntries), m_maxBytes(maxBytes)
{}

std::optional<QByteArray> ArtworkCache::find(const QString &key)
{
    std::lock_guard lock(m_mutex);
    const auto found = m_index.find(key);
    if (found == m_index.end())
        return std::nullopt;
    m_order.splice(m_order.begin(), m_order, found->second);
    return found->second->second;
}

void ArtworkCache::insert(const QString &key, QByteArray bytes)
{
    std::lock_guard lock(m_mutex);
    if (const auto found = m_index.find(key); found != m_index.end()) {
        m_totalBytes -= found->second->second.size();
        m_order.erase(found->second);
        m_index.erase(found);
    }
    if (bytes.size() > m_maxBytes)
        return;
    m_totalBytes += bytes.size();
    m_order.emplace_front(key, std::move(bytes));
    m_index[key] = m_order.begin();
    evict();
}

qsizetype ArtworkCache::count() const
{
    std::lock_guard lock(m_mutex);
    return qsizetype(m_order.size());
}

qint64 ArtworkCache::totalBytes() const
{
    std::lock_guard lock(m_mutex);
    return m_totalBytes;
}

void ArtworkCache::evict()
{
    while (!m_order.empty() &&
           (qsizetype(m_order.size()) > m_maxEntries || m_totalBytes > m_maxBytes)) {
        m_totalBytes -= m_order.back().second.size();
        m_index.erase(m_order.back().first);
        m_order.pop_back();
    }
}
