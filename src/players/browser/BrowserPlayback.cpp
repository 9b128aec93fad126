#include "players/browser/BrowserPlayback.h"

#include "artwork/ArtworkAddress.h"
#include "core/Graphemes.h"

#include <QFile>
#include <QJsonDocument>

#include <algorithm>
#include <cmath>

using Kind = PlayerError::Kind;

namespace BrowserPlayback {

namespace {

PlayerOtherError undecodable(const QString &why)
{
    return {QStringLiteral("The playback reply could not be read: ") + why};
}

// A key may be absent or null; present with another type, the reply is not
// the one the program writes.
template <typename T, typename Read>
bool field(const QJsonObject &object, const char *key, QJsonValue::Type type, Read read,
           std::optional<T> &out)
{
    const QJsonValue value = object.value(QLatin1String(key));
    if (value.isUndefined() || value.isNull())
        return true;
    if (value.type() != type)
        return false;
    out = read(value);
    return true;
}

const char *commandName(PlayerCommand::Kind kind)
{
    using Command = PlayerCommand::Kind;
    switch (kind) {
    case Command::seek:
        return "seek";
    case Command::volume:
        return "volume";
    case Command::toggle:
        return "toggle";
    case Command::previous:
        return "previous";
    case Command::next:
        return "next";
    }
    return "read";
}

} // namespace

QByteArray bundledProgram(const QString &resource)
{
    QFile file(resource);
    if (!file.open(QIODevice::ReadOnly))
        qFatal("a bundled page program is missing");
    return file.readAll().trimmed();
}

bool isPageURL(const QString &text, const char *host)
{
    const ArtworkAddress address(text);
    if (!address.isValid())
        return false;
    const QUrl &url = address.url();
    return url.scheme() == QLatin1String("https") && url.host() == QLatin1String(host) &&
           address.hasDefaultPort() && !address.hasUserInfo();
}

PlayerResult<QJsonObject> action(const std::optional<PlayerCommand> &command,
                                 const std::optional<QString> &expectedID, const IDRule &idRule)
{
    using Command = PlayerCommand::Kind;
    if (!command)
        return QJsonObject{{QStringLiteral("name"), QStringLiteral("read")}};
    QJsonObject action{{QStringLiteral("name"), QLatin1String(commandName(command->kind()))}};
    auto id = expectedID ? idRule(*expectedID) : std::nullopt;
    if (command->kind() == Command::seek) {
        // A seek names the song it was computed for, not the one cached.
        const auto &track = command->track();
        id = track && track->playbackID() ? idRule(*track->playbackID()) : std::nullopt;
        if (!std::isfinite(command->position()) || !track || track->duration() <= 0)
            return PlayerError(Kind::trackChanged);
        action.insert(QStringLiteral("position"),
                      std::clamp(command->position(), 0.0, double(track->duration())));
    } else if (command->kind() == Command::volume) {
        action.insert(QStringLiteral("level"), std::clamp(command->level(), 0, 100));
    }
    if (!id)
        return PlayerError(Kind::trackChanged);
    action.insert(QStringLiteral("expected"), *id);
    return action;
}

PlayerSnapshotResult snapshot(const QByteArray &data, const ReplyRules &rules)
{
    if (data.size() > kMaxReplyBytes)
        return PlayerError(Kind::invalidReply);
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(data, &parseError);
    if (parseError.error != QJsonParseError::NoError)
        return undecodable(parseError.errorString());
    if (!document.isObject())
        return undecodable(QStringLiteral("not an object"));
    return snapshot(document.object(), rules);
}

PlayerSnapshotResult snapshot(const QJsonObject &reply, const ReplyRules &rules)
{
    const auto string = [](const QJsonValue &v) { return v.toString(); };
    const auto number = [](const QJsonValue &v) { return v.toDouble(); };
    std::optional<QString> title, artist, album, id, imageSrc, error;
    std::optional<bool> isPaused;
    std::optional<double> songDuration, elapsedSeconds, volume;
    const bool wellTyped =
        field(reply, "title", QJsonValue::String, string, title) &&
        field(reply, "artist", QJsonValue::String, string, artist) &&
        field(reply, "album", QJsonValue::String, string, album) &&
        field(reply, rules.idKey, QJsonValue::String, string, id) &&
        field(reply, "imageSrc", QJsonValue::String, string, imageSrc) &&
        field(reply, "error", QJsonValue::String, string, error) &&
        field(
            reply, "isPaused", QJsonValue::Bool, [](const QJsonValue &v) { return v.toBool(); },
            isPaused) &&
        field(reply, "songDuration", QJsonValue::Double, number, songDuration) &&
        field(reply, "elapsedSeconds", QJsonValue::Double, number, elapsedSeconds) &&
        field(reply, "volume", QJsonValue::Double, number, volume);
    if (!wellTyped)
        return undecodable(QStringLiteral("a field has the wrong type"));

    if (error)
        return PlayerError(*error == QLatin1String("trackChanged") ? Kind::trackChanged
                                                                   : Kind::invalidReply);

    PlayerSnapshot snapshot;
    snapshot.title = Graphemes::left(title.value_or(QString()), kMaxTextLength);
    snapshot.artist = Graphemes::left(artist.value_or(QString()), kMaxTextLength);
    snapshot.album = Graphemes::left(album.value_or(QString()), kMaxTextLength);
    snapshot.playbackID = rules.id(id.value_or(QString()));
    if (imageSrc)
        snapshot.artworkURL = rules.artwork(*imageSrc);
    snapshot.isPlaying = isPaused == false && !snapshot.title.isEmpty();
    // A length past a day is no song's: an unknown length, not one to scrub.
    const double reported = songDuration.value_or(0);
    const double length = reported < kMaxDurationSeconds ? reported : 0;
    snapshot.timing = PlaybackTiming::fromMilliseconds(length * 1000, elapsedSeconds.value_or(0));
    // The page reports volume as a fraction times 100: 0.57 * 100 is
    // 56.99999999999999, so round rather than truncate.
    if (volume && std::isfinite(*volume) && *volume >= 0 && *volume <= 100)
        snapshot.volume = int(std::lround(*volume));
    return snapshot;
}

} // namespace BrowserPlayback
