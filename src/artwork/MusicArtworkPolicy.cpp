#include "artwork/MusicArtworkPolicy.h"

#include "artwork/AppleMusicArtworkPolicy.h"
#include "artwork/SpotifyArtworkPolicy.h"
#include "artwork/YouTubeArtworkPolicy.h"

namespace MusicArtworkPolicy {

std::optional<QUrl> validatedURL(const QUrl &url)
{
    if (auto spotify = SpotifyArtworkPolicy::validatedURL(url))
        return spotify;
    if (auto youTube = YouTubeArtworkPolicy::validatedURL(url))
        return youTube;
    return AppleMusicArtworkPolicy::validatedURL(url);
}

Family family(const QUrl &url)
{
    if (SpotifyArtworkPolicy::validatedURL(url))
        return Family::spotify;
    if (YouTubeArtworkPolicy::validatedURL(url))
        return Family::youTube;
    if (AppleMusicArtworkPolicy::validatedURL(url))
        return Family::appleMusic;
    return Family::none;
}

bool accepts(const HttpResponseHead &response)
{
    if (response.status != 200 || !validatedURL(response.url))
        return false;
    if (response.expectedLength > SpotifyArtworkPolicy::kMaxImageBytes)
        return false;
    const QString type = response.mediaType.toLower();
    return type == QLatin1String("image/jpeg") || type == QLatin1String("image/png") ||
           type == QLatin1String("image/webp");
}

} // namespace MusicArtworkPolicy
