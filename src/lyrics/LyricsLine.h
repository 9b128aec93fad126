#pragma once

#include <QString>
#include <QtGlobal>

/// One synchronised lyric line: starts at `time` seconds into the song.
struct LyricsLine
{
    /// Position of the line in its document, counted from 0.
    qint64 id = 0;
    /// Start of the line in seconds, never negative.
    double time = 0;
    /// The words; empty for a timed pause. At most 1,000 user-perceived characters.
    QString text;

    bool operator==(const LyricsLine &) const = default;
};
