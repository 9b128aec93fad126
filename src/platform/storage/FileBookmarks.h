#pragma once

#include <QByteArray>
#include <QUrl>

#include <optional>

/// Durable references to files and folders. A bookmark is
/// an opaque byte string that maps back to the location it was made for.
class FileBookmarks
{
public:
    struct Resolved
    {
        QUrl url;
        /// The object at the location is not the one the bookmark was made
        /// for; a new bookmark should replace the old one.
        bool isStale = false;
    };

    virtual ~FileBookmarks() = default;

    /// A read-only bookmark for the file URL `url`, or nothing when none can
    /// be made (for example when nothing exists there).
    virtual std::optional<QByteArray> create(const QUrl &url) const = 0;

    /// The location `bookmark` refers to, or nothing when the bytes are not a
    /// bookmark or nothing exists at its location any more.
    virtual std::optional<Resolved> resolve(const QByteArray &bookmark) const = 0;
};
