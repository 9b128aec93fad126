#pragma once

#include "core/CancelHandle.h"
#include "platform/net/HttpClient.h"

#include <QByteArray>
#include <QUrl>

#include <functional>

enum class ArtworkError
{
    unsupportedURL,           // refused by the address rules; nothing was sent
    badServerResponse,        // wrong status, type, length, address or redirect
    dataLengthExceedsMaximum, // the body grew past 2 MiB
    zeroByteResource,         // an empty body
    cannotDecodeContentData,  // not a decodable picture within the limits
    transport,                // the connection failed; see `transportError`
};

struct ArtworkResult
{
    /// The downloaded bytes (not the thumbnail) on success.
    QByteArray data;
    std::optional<ArtworkError> error;
    HttpError transportError = HttpError::none;
    QString errorText;

    bool isSuccess() const { return !error.has_value(); }
};

/// Where a player controller gets its cover bytes.
class ArtworkProviding
{
public:
    using Completion = std::function<void(ArtworkResult)>;

    virtual ~ArtworkProviding() = default;

    /// Loads the cover at `url`. `completion` runs later on the main thread,
    /// at most once. Cancelling, replacing or dropping the returned handle
    /// cancels the load; a cancelled load never calls its completion.
    [[nodiscard]] virtual CancelHandle data(const QUrl &url, Completion completion) = 0;
};
