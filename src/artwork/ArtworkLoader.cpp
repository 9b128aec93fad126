#include "artwork/ArtworkLoader.h"

#include "artwork/MusicArtworkPolicy.h"
#include "artwork/SpotifyArtworkPolicy.h"
#include "core/SystemClock.h"

namespace {

ArtworkResult failure(ArtworkError error, const HttpResponse *response = nullptr)
{
    ArtworkResult result;
    result.error = error;
    if (response) {
        result.transportError = response->error;
        result.errorText = response->errorText;
    }
    return result;
}

bool isRedirect(int status)
{
    return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
}

} // namespace

ArtworkLoader::Shared::Shared(Options options)
    : options(std::move(options)), client(this->options.connection),
      cache(kCacheEntries, kCacheBytes)
{}

ArtworkLoader::ArtworkLoader(QObject *parent) : ArtworkLoader(Options(), parent) {}

ArtworkLoader::ArtworkLoader(Options options, QObject *parent)
    : QObject(parent), m_shared(std::make_shared<Shared>(std::move(options))),
      m_worker(QStringLiteral("Velloway.Artwork"))
{}

ArtworkLoader::~ArtworkLoader()
{
    // The worker is joined when its member is destroyed; the running
    // transfer must notice first.
    for (const auto &weak : m_inFlight) {
        if (const auto flag = weak.lock())
            flag->store(true);
    }
}

CancelHandle ArtworkLoader::data(const QUrl &url, Completion completion)
{
    auto flag = std::make_shared<std::atomic<bool>>(false);
    CancelHandle handle([flag] { flag->store(true); });
    std::erase_if(m_inFlight, [](const auto &weak) { return weak.expired(); });

    const std::optional<QUrl> validated = MusicArtworkPolicy::validatedURL(url);
    if (!validated) {
        finish(flag, std::move(completion), failure(ArtworkError::unsupportedURL));
        return handle;
    }
    if (std::optional<QByteArray> cached = m_shared->cache.find(validated->toString())) {
        ArtworkResult result;
        result.data = std::move(*cached);
        finish(flag, std::move(completion), std::move(result));
        return handle;
    }

    m_inFlight.push_back(flag);
    m_worker.post([this, shared = m_shared, url = *validated, flag,
                   completion = std::move(completion)]() mutable {
        ArtworkResult result = fetch(*shared, url, *flag);
        finish(flag, std::move(completion), std::move(result));
    });
    return handle;
}

void ArtworkLoader::finish(const Flag &flag, Completion completion, ArtworkResult result)
{
    SerialWorker::deliver(
        this, [flag, completion = std::move(completion), result = std::move(result)]() mutable {
            if (!flag->load() && completion)
                completion(std::move(result));
        });
}

ArtworkResult ArtworkLoader::fetch(Shared &shared, const QUrl &url,
                                   const std::atomic<bool> &cancelled)
{
    if (cancelled.load()) {
        ArtworkResult result = failure(ArtworkError::transport);
        result.transportError = HttpError::cancelled;
        return result;
    }
    if (std::optional<QByteArray> cached = shared.cache.find(url.toString())) {
        ArtworkResult result;
        result.data = std::move(*cached);
        return result;
    }

    // The whole budget covers the redirects too.
    const Seconds deadline = SystemClock::shared().now() + shared.options.totalTimeout;
    QUrl current = url;
    for (int hop = 0; hop <= kMaxRedirects; ++hop) {
        HttpRequest request;
        request.url = current;
        // A followed redirect is a fresh request without extra headers.
        if (hop == 0)
            request.headers = {{"Accept", "image/jpeg, image/png, image/webp"}};
        request.maxBodyBytes = SpotifyArtworkPolicy::kMaxImageBytes;
        request.cancelCheckBytes = 16'384;
        request.idleTimeout = shared.options.idleTimeout;
        request.totalTimeout = deadline - SystemClock::shared().now();

        std::optional<QUrl> next;
        const HttpResponse response =
            shared.client.get(request, cancelled, [&](const HttpResponseHead &head) {
                if (isRedirect(head.status) && !head.location.isEmpty()) {
                    const std::optional<QUrl> target =
                        MusicArtworkPolicy::validatedURL(head.location);
                    // A Spotify cover may only lead to another Spotify cover,
                    // a YouTube thumbnail only to an allowed YouTube host, an
                    // Apple cover only to another Apple artwork host.
                    if (target &&
                        MusicArtworkPolicy::family(current) == MusicArtworkPolicy::family(*target))
                        next = target;
                    return false;
                }
                return MusicArtworkPolicy::accepts(head);
            });

        if (next) {
            current = *next;
            continue;
        }
        switch (response.error) {
        case HttpError::none:
            break;
        case HttpError::headRejected:
            return failure(ArtworkError::badServerResponse, &response);
        case HttpError::bodyTooLarge:
            return failure(ArtworkError::dataLengthExceedsMaximum, &response);
        default:
            return failure(ArtworkError::transport, &response);
        }
        if (!response.head || !MusicArtworkPolicy::accepts(*response.head))
            return failure(ArtworkError::badServerResponse, &response);
        if (response.body.isEmpty())
            return failure(ArtworkError::zeroByteResource, &response);
        if (SpotifyArtworkPolicy::thumbnail(response.body).isNull())
            return failure(ArtworkError::cannotDecodeContentData, &response);
        shared.cache.insert(url.toString(), response.body);
        ArtworkResult result;
        result.data = response.body;
        return result;
    }
    return failure(ArtworkError::badServerResponse);
}
