#pragma once

#include "tray/FileDropItem.h"

#include <QList>
#include <QUrl>

#include <functional>
#include <memory>
#include <optional>

class QObject;

/// Turns dropped items into file URLs.
namespace FileDropLoader {

/// Asks every item that offers a file URL for it, all at once. When each has
/// answered, `completion` runs once on `context`'s thread (the main thread)
/// with the file URLs in the items' order, whatever order the answers came
/// in; answers that are no file URL are left out silently. Nothing runs if
/// `context` is gone by then. There is no time-out.
void load(const QList<std::shared_ptr<FileDropItem>> &items, QObject *context,
          std::function<void(QList<QUrl>)> completion);

/// The file URL an answer stands for, if any.
std::optional<QUrl> fileURL(const FileDropItem::Payload &payload);

} // namespace FileDropLoader
