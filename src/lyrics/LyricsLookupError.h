#pragma once

/// The lyrics service's own answers that are not lyrics.
enum class LyricsLookupError
{
    notFound,
    rateLimited,
};
