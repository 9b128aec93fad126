#pragma once

#include <QByteArray>
#include <QString>
#include <QUrl>

#include <functional>
#include <variant>

/// One dragged item that may stand for a file: the drop system's provider of
/// its file-URL representation.
class FileDropItem
{
public:
    /// What a provider hands back: a URL, the bytes of one, a URL string, or
    /// nothing (an error or a missing item).
    using Payload = std::variant<std::monostate, QUrl, QByteArray, QString>;

    virtual ~FileDropItem() = default;

    /// Whether the item offers a file-URL representation at all.
    virtual bool conformsToFileURL() const = 0;

    /// Loads that representation and calls `deliver` exactly once, on any
    /// thread, possibly before returning.
    virtual void loadFileURL(std::function<void(Payload)> deliver) = 0;
};
