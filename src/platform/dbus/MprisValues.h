#pragma once

#include <QDBusMessage>
#include <QString>
#include <QVariant>
#include <QVariantMap>

/// Values as they come off the bus from another program, checked before use.
namespace MprisValues {

inline constexpr char kServicePrefix[] = "org.mpris.MediaPlayer2.";
inline constexpr char kSpotifyService[] = "org.mpris.MediaPlayer2.spotify";
inline constexpr char kPlayerPath[] = "/org/mpris/MediaPlayer2";
inline constexpr char kRootInterface[] = "org.mpris.MediaPlayer2";
inline constexpr char kPlayerInterface[] = "org.mpris.MediaPlayer2.Player";

/// An `a{sv}` value as a map; empty for any other type.
QVariantMap map(const QVariant &value);
/// The first argument of `reply`, unwrapped from a D-Bus variant.
QVariant firstArgument(const QDBusMessage &reply);
/// True when `path` is a valid D-Bus object path.
bool isObjectPath(const QString &path);
/// Whether a D-Bus error name means the player is gone.
bool meansGone(const QString &errorName);
/// Whether a D-Bus error name means the player did not answer in time.
bool meansTimeout(const QString &errorName);
/// `name` when it is `service` itself or one of its instances
/// (`service` + "." + anything).
bool isNameOf(const QString &name, const QString &service);

} // namespace MprisValues
