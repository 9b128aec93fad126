#pragma once

#include "tray/FileDropItem.h"

#include <QList>

#include <memory>

class QMimeData;

/// One entry of a drag's `text/uri-list`. Only `file:` entries offer a file
/// URL; web links and other schemes do not.
class UriListDropItem final : public FileDropItem
{
public:
    explicit UriListDropItem(QUrl url);

    bool conformsToFileURL() const override;
    void loadFileURL(std::function<void(Payload)> deliver) override;

    /// One item per entry of `data`'s uri list, in the dragged order; none
    /// when the drag carries no uri list.
    static QList<std::shared_ptr<FileDropItem>> fromMimeData(const QMimeData *data);

private:
    QUrl m_url;
};
