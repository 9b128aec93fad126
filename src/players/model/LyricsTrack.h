#pragma once

#include <QHashFunctions>
#include <QMetaType>
#include <QString>

#include <functional>
#include <optional>

struct PlayerSnapshot;

/// The identity of a playing song. It keys the lyrics cache and guards
/// seeks, so all six fields take part in equality and hashing, with an absent
/// optional field distinct from a present one.
class LyricsTrack
{
public:
    /// Longest title, artist, album and playback id, in user-perceived
    /// characters.
    static constexpr qsizetype kMaxTextLength = 500;
    /// Songs are shorter than a day.
    static constexpr double kMaxDurationSeconds = 86'400;

    LyricsTrack() = default;
    LyricsTrack(QString title, QString artist, QString album, int duration,
                std::optional<QString> spotifyURI = std::nullopt,
                std::optional<QString> playbackID = std::nullopt);

    /// The identity of what `snapshot` is playing; none unless a title is
    /// present (the artist may be empty), every text is within its cap and the duration lies
    /// strictly between 0 and a day.
    static std::optional<LyricsTrack> from(const PlayerSnapshot &snapshot);

    const QString &title() const { return m_title; }
    const QString &artist() const { return m_artist; }
    const QString &album() const { return m_album; }
    /// Whole seconds.
    int duration() const { return m_duration; }
    const std::optional<QString> &spotifyURI() const { return m_spotifyURI; }
    const std::optional<QString> &playbackID() const { return m_playbackID; }

    friend bool operator==(const LyricsTrack &, const LyricsTrack &) = default;

private:
    QString m_title;
    QString m_artist;
    QString m_album;
    int m_duration = 0;
    std::optional<QString> m_spotifyURI;
    std::optional<QString> m_playbackID;
};

size_t qHash(const LyricsTrack &track, size_t seed = 0) noexcept;

template <> struct std::hash<LyricsTrack>
{
    size_t operator()(const LyricsTrack &track) const noexcept { return qHash(track); }
};

Q_DECLARE_METATYPE(LyricsTrack)
