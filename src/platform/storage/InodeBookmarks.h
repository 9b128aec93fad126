#pragma once

#include "platform/storage/FileBookmarks.h"

/// Bookmarks that record a location's path with the device and inode of the
/// object found there: when another object now sits at the path (the file was
/// replaced), resolving reports the bookmark as stale. Linux has no access
/// scopes, so access is always granted.
class InodeBookmarks final : public FileBookmarks
{
public:
    std::optional<QByteArray> create(const QUrl &url) const override;
    std::optional<Resolved> resolve(const QByteArray &bookmark) const override;

    /// The process-wide instance used in production.
    static InodeBookmarks &shared();
};
