#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QUuid>

#include <optional>

/// The bytes of `tray.json`: a bare JSON array of objects with `id` (canonical
/// UUID, written upper-case), `bookmark` (padded standard Base64, absent when
/// the entry has none) and `path`, written compactly in that key order.
namespace TrayFileFormat {

struct SavedItem
{
    QUuid id;
    std::optional<QByteArray> bookmark;
    QString path;

    friend bool operator==(const SavedItem &, const SavedItem &) = default;
};

QByteArray encode(const QList<SavedItem> &items);

/// Nothing when the bytes are not such an array: not JSON, another shape, a
/// missing or mistyped `id` or `path`, an `id` that is not a UUID or a
/// `bookmark` that is not valid Base64. Unknown keys are ignored.
std::optional<QList<SavedItem>> decode(const QByteArray &bytes);

} // namespace TrayFileFormat
