#pragma once

#include "lyrics/LyricsLine.h"

#include <QList>
#include <QMetaType>
#include <QString>

#include <optional>

/// The lyrics of one song: synchronised lines parsed from LRC text, the plain
/// untimed lyrics and the instrumental flag. Immutable once built.
class LyricsDocument
{
public:
    /// Hard caps on text that comes from the network.
    static constexpr qsizetype kMaxSyncedBytes = 524'288;
    static constexpr qsizetype kMaxExaminedLines = 2'000;
    static constexpr qsizetype kMaxTagsPerLine = 20;
    static constexpr qsizetype kMaxLineCharacters = 1'000;
    static constexpr double kMaxOffsetSeconds = 3'600;
    static constexpr qsizetype kMaxPlainCharacters = 200'000;

    /// An empty document: no lines, no plain text, not instrumental.
    LyricsDocument() = default;

    /// Parses `synced` as LRC (absent counts as empty); `plain` is trimmed of
    /// white space and line breaks and cut to 200,000 characters. Never fails:
    /// malformed tags are skipped, oversized text or an out-of-range offset
    /// gives no lines.
    LyricsDocument(const std::optional<QString> &synced, const std::optional<QString> &plain,
                   bool instrumental);

    /// Ascending by time, no two adjacent lines with the same time, `lines()[i].id == i`.
    const QList<LyricsLine> &lines() const { return m_lines; }
    const QString &plainText() const { return m_plainText; }
    bool instrumental() const { return m_instrumental; }

    /// Index of the line current at `position` seconds: the last line starting
    /// at or before it. None before the first line, for an empty document and
    /// for a non-finite position. Allocates nothing.
    std::optional<qsizetype> activeIndex(double position) const;

    bool operator==(const LyricsDocument &) const = default;

private:
    static QList<LyricsLine> parse(QStringView synced);

    QList<LyricsLine> m_lines;
    QString m_plainText;
    bool m_instrumental = false;
};

Q_DECLARE_METATYPE(LyricsDocument)
