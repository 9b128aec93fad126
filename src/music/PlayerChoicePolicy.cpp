#include "music/PlayerChoicePolicy.h"

#include "platform/dbus/MprisValues.h"

namespace PlayerChoicePolicy {

bool isSpotifyName(const QString &busName)
{
    return MprisValues::isNameOf(busName, QLatin1String(MprisValues::kSpotifyService));
}

QString displayName(const QString &identity, const QString &busName)
{
    const QString trimmed = identity.trimmed();
    if (!trimmed.isEmpty())
        return trimmed;
    const QLatin1String prefix(MprisValues::kServicePrefix);
    return busName.startsWith(prefix) ? busName.mid(prefix.size()) : busName;
}

std::optional<MusicSource> browserRowOf(const QString &busName)
{
    static const QList<std::pair<QLatin1String, MusicSource>> kBrowsers = {
        {QLatin1String("chromium"), MusicSource::chrome},
        {QLatin1String("chrome"), MusicSource::chrome},
        {QLatin1String("google-chrome"), MusicSource::chrome},
        {QLatin1String("brave"), MusicSource::brave},
        {QLatin1String("msedge"), MusicSource::edge},
        {QLatin1String("microsoft-edge"), MusicSource::edge},
        {QLatin1String("firefox"), MusicSource::safari},
    };
    const QLatin1String prefix(MprisValues::kServicePrefix);
    if (!busName.startsWith(prefix))
        return std::nullopt;
    const QString rest = busName.mid(prefix.size());
    for (const auto &[name, source] : kBrowsers) {
        if (rest == name || rest.startsWith(name + u'.'))
            return source;
    }
    return std::nullopt;
}

} // namespace PlayerChoicePolicy
