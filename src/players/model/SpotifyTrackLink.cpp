#include "players/model/SpotifyTrackLink.h"

namespace SpotifyTrackLink {

std::optional<QString> validatedURI(const std::optional<QString> &value)
{
    static const QString prefix = QStringLiteral("spotify:track:");
    constexpr qsizetype kIdLength = 22;
    if (!value || !value->startsWith(prefix) || value->size() != prefix.size() + kIdLength)
        return std::nullopt;
    for (qsizetype i = prefix.size(); i < value->size(); ++i) {
        const char16_t c = value->at(i).unicode();
        const bool alphanumeric =
            (c >= u'0' && c <= u'9') || (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z');
        if (!alphanumeric)
            return std::nullopt;
    }
    return value;
}

} // namespace SpotifyTrackLink
