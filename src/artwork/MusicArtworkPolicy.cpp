#include "artwork/MusicArtworkPolicy.h"

#include "artwork/SpotifyArtworkPolicy.h"
#include "artwork/YouTubeArtworkPolicy.h"

namespace MusicArtworkPolicy {

std::optional<QUrl> validatedURL(const QUrl &url)
{
    if (auto spotify = SpotifyArtworkPolicy::validatedURL(url))
        return spotify;
    return YouTubeArtworkPolicy::validatedURL(url);
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
