#pragma once

#include <QString>
#include <QVariantMap>

#include <optional>

/// The current track as an MPRIS player publishes it in its `Metadata`
/// property, read the way real players send it rather than only the way the
/// MPRIS text describes it: Spotify's Linux client sends `mpris:trackid` as
/// a plain string and `mpris:length` as an unsigned 64-bit integer, other
/// players an object path and a signed integer. Values of an unexpected
/// type count as absent; texts are capped.
class MprisTrackMetadata
{
public:
    /// Longest text kept from a player, in UTF-16 code units. Well above the
    /// 500 characters a song identity allows, so a cut title still reads as
    /// too long instead of turning into another, valid title.
    static constexpr qsizetype kMaxTextLength = 8'192;
    /// Most artist names joined into one artist line.
    static constexpr qsizetype kMaxArtists = 64;
    /// Longest artwork address followed.
    static constexpr qsizetype kMaxAddressLength = 2'048;

    static constexpr char kNoTrackID[] = "/org/mpris/MediaPlayer2/TrackList/NoTrack";

    MprisTrackMetadata() = default;
    explicit MprisTrackMetadata(QVariantMap metadata);

    /// False for empty metadata and for the "no track" identifier.
    bool hasTrack() const;

    /// `mpris:trackid` as text, whether sent as an object path or a string.
    QString trackID() const;
    QString title() const;
    /// `xesam:artist` names joined with ", " (a plain string is accepted too).
    QString artist() const;
    QString album() const;
    /// `mpris:length` in microseconds, whatever integer or double type it came in.
    std::optional<double> lengthMicroseconds() const;

    /// "spotify:track:<id>" from a Spotify track id ("/com/spotify/track/<id>"
    /// or "spotify:track:<id>") or a Spotify track web address in `xesam:url`.
    std::optional<QString> spotifyURI() const;

    /// `mpris:artUrl` as a web address. A Spotify image address in another
    /// form becomes "https://i.scdn.co/image/<id>" when its 40-digit image
    /// identifier is intact; other web addresses pass unchanged. None for
    /// local files and for anything that is not a web address.
    std::optional<QString> artworkAddress() const;

    /// The local path of a `file://` `mpris:artUrl`.
    std::optional<QString> artworkFile() const;

    /// A D-Bus number of any integer or floating type; none for other types.
    static std::optional<double> number(const QVariant &value);
    /// `value` as text capped to kMaxTextLength; none when it is not text.
    static std::optional<QString> text(const QVariant &value);

private:
    QString textValue(const char *key) const;

    QVariantMap m_metadata;
};
