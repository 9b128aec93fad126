#include "tray/UriListDropItem.h"

#include <QMimeData>

UriListDropItem::UriListDropItem(QUrl url) : m_url(std::move(url)) {}

bool UriListDropItem::conformsToFileURL() const
{
    return m_url.isValid() && m_url.scheme() == u"file";
}

void UriListDropItem::loadFileURL(std::function<void(Payload)> deliver)
{
    // The list arrived with the drop; there is nothing left to wait for.
    deliver(conformsToFileURL() ? Payload(m_url) : Payload());
}

QList<std::shared_ptr<FileDropItem>> UriListDropItem::fromMimeData(const QMimeData *data)
{
    QList<std::shared_ptr<FileDropItem>> items;
    if (!data || !data->hasFormat(QStringLiteral("text/uri-list")))
        return items;
    // One URL a line; lines starting with '#' are comments.
    const QList<QByteArray> lines = data->data(QStringLiteral("text/uri-list")).split('\n');
    for (const QByteArray &line : lines) {
        const QByteArray entry = line.trimmed();
        if (entry.isEmpty() || entry.startsWith('#'))
            continue;
        items.append(std::make_shared<UriListDropItem>(QUrl::fromEncoded(entry)));
    }
    return items;
}
