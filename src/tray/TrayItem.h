#pragma once

#include <QMetaType>
#include <QUrl>
#include <QUuid>

/// One tray entry: a reference to a file or folder the user dropped, never a
/// copy of it.
struct TrayItem
{
    /// Identity for the entry's whole life, also across restarts.
    QUuid id;
    /// Location of the file or folder.
    QUrl url;
    /// Whether something existed at the location at the last check.
    bool isAvailable = false;

    friend bool operator==(const TrayItem &, const TrayItem &) = default;
};

Q_DECLARE_METATYPE(TrayItem)
