#pragma once

#include <QDateTime>
#include <QMetaType>
#include <QString>
#include <QUuid>

/// One plain-text note.
struct CrestNote
{
    QUuid id;
    /// The full text; any length, newlines allowed.
    QString content;
    QDateTime createdAt;
    /// When `content` last changed.
    QDateTime modifiedAt;

    /// The first line that is not blank, trimmed of spaces and tabs and cut to
    /// 60 user-perceived characters; "Untitled note" when there is none.
    QString title() const;

    friend bool operator==(const CrestNote &, const CrestNote &) = default;
};

Q_DECLARE_METATYPE(CrestNote)
