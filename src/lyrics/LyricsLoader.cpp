#include "lyrics/LyricsLoader.h"

#include "lyrics/LyricsPolicy.h"

#include <QPointer>

namespace {

// Cancellation is checked at least this often while the body streams.
constexpr qint64 kCancelCheckBytes = 4'096;

LyricsFailure failure(LyricsFailure::Kind kind, QString detail)
{
    return LyricsFailure{kind, std::move(detail)};
}

LyricsLoader::Options environmentOptions()
{
    LyricsLoader::Options options;
    bool valid = false;
    const uint port = qEnvironmentVariable(LyricsLoader::kLocalPortVariable).toUInt(&valid);
    if (valid && port > 0 && port <= 65'535) {
        const QUrl origin =
            LyricsPolicy::origin(qEnvironmentVariable(LyricsLoader::kOriginVariable));
        options.connectionOverride.route(origin.host(), origin.port(443), quint16(port));
    }
    return options;
}

} // namespace

LyricsLoader::LyricsLoader() : LyricsLoader(environmentOptions()) {}

LyricsLoader::LyricsLoader(Options options)
    : m_origin(LyricsPolicy::origin(qEnvironmentVariable(kOriginVariable))),
      m_options(std::move(options)), m_client(m_options.connectionOverride)
{}

LyricsLoader::~LyricsLoader()
{
    std::lock_guard lock(m_runningMutex);
    m_stopping = true;
    if (m_running)
        m_running->store(true);
}

CancelHandle LyricsLoader::lyrics(const LyricsTrack &track, QObject *context, Completion completion)
{
    auto cancelled = std::make_shared<std::atomic<bool>>(false);
    // The guard is made here and only read back on this thread: the worker
    // never touches `context`, which may be destroyed at any time.
    m_worker.post([this, track, cancelled, context = QPointer<QObject>(context),
                   completion = std::move(completion)]() mutable {
        {
            std::lock_guard lock(m_runningMutex);
            if (m_stopping)
                return;
            m_running = cancelled;
        }
        LyricsResult result = lookup(track, *cancelled);
        {
            std::lock_guard lock(m_runningMutex);
            m_running.reset();
        }
        QMetaObject::invokeMethod(
            &m_receiver,
            [context = std::move(context), completion = std::move(completion),
             result = std::move(result)]() mutable {
                if (context)
                    completion(std::move(result));
            },
            Qt::QueuedConnection);
    });
    return CancelHandle([cancelled] { cancelled->store(true); });
}

LyricsResult LyricsLoader::lookup(const LyricsTrack &track, const std::atomic<bool> &cancelled)
{
    using Kind = LyricsFailure::Kind;
    if (cancelled.load())
        return failure(Kind::cancelled, QStringLiteral("cancelled"));
    if (track.duration() < LyricsPolicy::kMinDuration ||
        track.duration() > LyricsPolicy::kMaxDuration)
        return failure(Kind::notFound,
                       QStringLiteral("no lookup for a song of %1 s").arg(track.duration()));
    if (const auto cached = m_cache.constFind(track); cached != m_cache.cend())
        return *cached;

    HttpRequest request;
    request.url = LyricsPolicy::requestURL(track, m_origin);
    request.headers = {{"Accept", "application/json"},
                       {"User-Agent", "Velloway/" VELLOWAY_VERSION}};
    request.maxBodyBytes = LyricsPolicy::kMaxReplyBytes;
    request.cancelCheckBytes = kCancelCheckBytes;
    request.idleTimeout = m_options.idleTimeout;
    request.totalTimeout = m_options.totalTimeout;

    std::optional<LyricsFailure> refusal;
    const HttpResponse response =
        m_client.get(request, cancelled, [&](const HttpResponseHead &head) {
            if (head.status == 404)
                refusal = failure(Kind::notFound, QStringLiteral("HTTP 404"));
            else if (head.status == 429)
                refusal = failure(Kind::rateLimited, QStringLiteral("HTTP 429"));
            else if (!LyricsPolicy::accepts(head, request.url))
                refusal = failure(Kind::badServerResponse,
                                  QStringLiteral("HTTP %1, \"%2\", %3 bytes announced")
                                      .arg(head.status)
                                      .arg(head.mediaType)
                                      .arg(head.expectedLength));
            return !refusal;
        });

    switch (response.error) {
    case HttpError::none:
        break;
    case HttpError::headRejected:
        return refusal ? *refusal : failure(Kind::badServerResponse, response.errorText);
    case HttpError::bodyTooLarge:
        return failure(Kind::dataLengthExceedsMaximum, response.errorText);
    case HttpError::cancelled:
        return failure(Kind::cancelled, response.errorText);
    default:
        return failure(Kind::transport, response.errorText);
    }

    LyricsResult result = LyricsPolicy::decode(response.body, track);
    if (const LyricsDocument *document = std::get_if<LyricsDocument>(&result))
        store(track, *document);
    return result;
}

void LyricsLoader::store(const LyricsTrack &track, const LyricsDocument &document)
{
    // First in, first out by first insertion: a replayed song does not
    // refresh its place.
    if (!m_cache.contains(track))
        m_cacheOrder.push_back(track);
    m_cache.insert(track, document);
    while (qsizetype(m_cacheOrder.size()) > kCacheCapacity) {
        m_cache.remove(m_cacheOrder.front());
        m_cacheOrder.pop_front();
    }
}
