#pragma once

#include "lyrics/LyricsDocument.h"
#include "lyrics/LyricsLookupError.h"

#include <QString>

#include <optional>
#include <variant>

/// Why a lyrics lookup produced no document.
struct LyricsFailure
{
    enum class Kind
    {
        notFound,    // no matching lyrics, or the track cannot be looked up
        rateLimited, // the service answered 429
        cancelled,
        badServerResponse,        // status, address, media type or announced length refused
        dataLengthExceedsMaximum, // a body that is empty or over the cap
        decoding,                 // not JSON, or a key missing or of the wrong type
        transport,                // time-outs, no connection, TLS, a broken connection
    };

    Kind kind = Kind::notFound;
    /// A short technical description (the decoder's or the HTTP client's).
    QString detail;

    /// The service's own answer, for `notFound` and `rateLimited`.
    std::optional<LyricsLookupError> lookupError() const
    {
        if (kind == Kind::notFound)
            return LyricsLookupError::notFound;
        if (kind == Kind::rateLimited)
            return LyricsLookupError::rateLimited;
        return std::nullopt;
    }

    bool operator==(const LyricsFailure &) const = default;
};

/// A lookup's outcome: the document, or why there is none.
using LyricsResult = std::variant<LyricsDocument, LyricsFailure>;
