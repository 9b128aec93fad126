#include "platform/net/HttpClient.h"

#include "core/SystemClock.h"

#include <curl/curl.h>

#include <algorithm>
#include <mutex>

namespace {

// A response head larger than this is not a real image or lyrics server.
constexpr qint64 kMaxHeadBytes = 65'536;
// Longest single wait for the network, so cancellation and the timeouts are
// noticed promptly even while a server stalls.
constexpr int kMaxWaitMilliseconds = 50;

void initialiseCurl()
{
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

struct Transfer
{
    Transfer(const HttpRequest &request, const std::atomic<bool> &cancelled,
             const HttpClient::HeadCheck &acceptHead, HttpResponse &response)
        : request(request), cancelled(cancelled), acceptHead(acceptHead), response(response)
    {}

    const HttpRequest &request;
    const std::atomic<bool> &cancelled;
    const HttpClient::HeadCheck &acceptHead;
    HttpResponse &response;
    QList<QByteArray> headerLines;
    qint64 headBytes = 0;
    int status = 0;
    bool headDone = false;
    HttpError abortReason = HttpError::none;
    Seconds lastActivity{};
};

void fail(Transfer &transfer, HttpError error, const QString &text)
{
    transfer.abortReason = error;
    transfer.response.error = error;
    transfer.response.errorText = text;
}

int parseStatus(const QByteArray &line)
{
    // "HTTP/1.1 200 OK" or "HTTP/2 200"
    const QList<QByteArray> parts = line.split(' ');
    if (parts.size() < 2)
        return 0;
    bool ok = false;
    const int status = parts[1].toInt(&ok);
    return ok && status >= 100 && status <= 999 ? status : 0;
}

HttpResponseHead makeHead(const Transfer &transfer)
{
    HttpResponseHead head;
    head.status = transfer.status;
    head.url = transfer.request.url;
    for (const QByteArray &line : transfer.headerLines) {
        const qsizetype colon = line.indexOf(':');
        if (colon <= 0)
            continue;
        const QByteArray name = line.left(colon).trimmed().toLower();
        const QByteArray value = line.mid(colon + 1).trimmed();
        if (name == "content-type") {
            head.mediaType = QString::fromLatin1(value.split(';').first().trimmed()).toLower();
        } else if (name == "content-length") {
            bool ok = false;
            const qint64 length = value.toLongLong(&ok);
            head.expectedLength = ok && length >= 0 ? length : -1;
        } else if (name == "location") {
            const QUrl location(QString::fromUtf8(value), QUrl::StrictMode);
            if (location.isValid())
                head.location = head.url.resolved(location);
        }
    }
    return head;
}

size_t onHeader(char *data, size_t size, size_t count, void *context)
{
    auto &transfer = *static_cast<Transfer *>(context);
    const size_t length = size * count;
    transfer.lastActivity = SystemClock::shared().now();
    transfer.headBytes += qint64(length);
    if (transfer.headDone)
        return length; // trailers after a chunked body
    if (transfer.headBytes > kMaxHeadBytes) {
        fail(transfer, HttpError::connectionLost, QStringLiteral("response head too large"));
        return 0;
    }
    const QByteArray line = QByteArray(data, qsizetype(length)).trimmed();
    if (line.startsWith("HTTP/")) {
        transfer.status = parseStatus(line);
        transfer.headerLines.clear();
        return length;
    }
    if (!line.isEmpty()) {
        transfer.headerLines.append(line);
        return length;
    }
    if (transfer.status / 100 == 1)
        return length; // an interim response; the real head follows
    transfer.headDone = true;
    const HttpResponseHead head = makeHead(transfer);
    transfer.response.head = head;
    if (transfer.acceptHead && !transfer.acceptHead(head)) {
        fail(transfer, HttpError::headRejected, QStringLiteral("response refused"));
        return 0;
    }
    if (head.expectedLength > 0)
        transfer.response.body.reserve(
            qsizetype(std::min(head.expectedLength, transfer.request.maxBodyBytes)));
    return length;
}

size_t onBody(char *data, size_t size, size_t count, void *context)
{
    auto &transfer = *static_cast<Transfer *>(context);
    transfer.lastActivity = SystemClock::shared().now();
    QByteArray &body = transfer.response.body;
    const qint64 cap = transfer.request.maxBodyBytes;
    const qint64 interval = std::max<qint64>(1, transfer.request.cancelCheckBytes);
    const char *next = data;
    qint64 left = qint64(size * count);
    while (left > 0) {
        if (body.size() >= cap) {
            fail(transfer, HttpError::bodyTooLarge, QStringLiteral("body larger than allowed"));
            return 0;
        }
        const qint64 checkpoint = (body.size() / interval + 1) * interval;
        const qint64 take = std::min({left, cap - body.size(), checkpoint - body.size()});
        body.append(next, qsizetype(take));
        next += take;
        left -= take;
        if (body.size() % interval == 0 && transfer.cancelled.load()) {
            fail(transfer, HttpError::cancelled, QStringLiteral("cancelled"));
            return 0;
        }
    }
    return size * count;
}

HttpError errorFor(CURLcode code)
{
    switch (code) {
    case CURLE_OK:
        return HttpError::none;
    case CURLE_UNSUPPORTED_PROTOCOL:
    case CURLE_URL_MALFORMAT:
        return HttpError::unsupportedURL;
    case CURLE_COULDNT_RESOLVE_HOST:
    case CURLE_COULDNT_CONNECT:
        return HttpError::cannotConnect;
    case CURLE_OPERATION_TIMEDOUT:
        return HttpError::timedOut;
    case CURLE_SSL_CONNECT_ERROR:
    case CURLE_PEER_FAILED_VERIFICATION:
    case CURLE_SSL_CERTPROBLEM:
    case CURLE_SSL_CIPHER:
    case CURLE_SSL_CACERT_BADFILE:
    case CURLE_SSL_ISSUER_ERROR:
    case CURLE_SSL_PINNEDPUBKEYNOTMATCH:
    case CURLE_SSL_INVALIDCERTSTATUS:
        return HttpError::secureConnection;
    default:
        return HttpError::connectionLost;
    }
}

} // namespace

struct HttpClient::Handles
{
    CURL *easy = curl_easy_init();
    CURLM *multi = curl_multi_init();
    ~Handles()
    {
        curl_multi_cleanup(multi);
        curl_easy_cleanup(easy);
    }
};

HttpClient::HttpClient(HttpConnectionOverride connectionOverride)
    : m_override(std::move(connectionOverride))
{
    initialiseCurl();
}

HttpClient::~HttpClient() = default;
HttpClient::HttpClient(HttpClient &&) noexcept = default;
HttpClient &HttpClient::operator=(HttpClient &&) noexcept = default;

HttpClient HttpClient::loopback()
{
    HttpClient client;
    client.m_kept = std::make_unique<Handles>();
    return client;
}

HttpResponse HttpClient::get(const HttpRequest &request, const std::atomic<bool> &cancelled,
                             const HeadCheck &acceptHead) const
{
    HttpRequest plain = request;
    plain.method = "GET";
    plain.body.clear();
    return transfer(plain, cancelled, acceptHead, nullptr);
}

HttpResponse HttpClient::send(const HttpRequest &request, const std::atomic<bool> &cancelled,
                              const HeadCheck &acceptHead)
{
    return transfer(request, cancelled, acceptHead, m_kept.get());
}

HttpResponse HttpClient::transfer(const HttpRequest &request, const std::atomic<bool> &cancelled,
                                  const HeadCheck &acceptHead, Handles *kept) const
{
    HttpResponse response;
    if (cancelled.load()) {
        response.error = HttpError::cancelled;
        response.errorText = QStringLiteral("cancelled");
        return response;
    }

    const QUrl &url = request.url;
    QUrl target = url.adjusted(QUrl::RemoveFragment);
    QByteArray resolve;
    const std::optional<quint16> localPort = m_override.localPortFor(url);
    if (localPort) {
        target.setScheme(QStringLiteral("http"));
        target.setPort(*localPort);
        resolve = url.host().toUtf8() + ':' + QByteArray::number(*localPort) + ":127.0.0.1";
    }
    const bool secure = !localPort && !m_kept;
    const bool isPost = request.method == "POST";
    const bool addressAllowed = m_kept
                                    ? url.scheme() == QLatin1String("http") &&
                                          url.host() == QLatin1String("127.0.0.1") && url.port() > 0
                                    : localPort || url.scheme().toLower() == QLatin1String("https");
    if (!url.isValid() || url.host().isEmpty() || !addressAllowed ||
        (!isPost && request.method != "GET")) {
        response.error = HttpError::unsupportedURL;
        response.errorText = QStringLiteral("unsupported address");
        return response;
    }

    Transfer transfer(request, cancelled, acceptHead, response);
    transfer.lastActivity = SystemClock::shared().now();
    const Seconds deadline = transfer.lastActivity + request.totalTimeout;

    // A kept pair of handles keeps its connection in the multi handle's
    // pool between transfers; a fresh pair is dropped after this one.
    std::unique_ptr<Handles> fresh = kept ? nullptr : std::make_unique<Handles>();
    Handles &handles = kept ? *kept : *fresh;
    CURL *easy = handles.easy;
    CURLM *multi = handles.multi;
    curl_easy_reset(easy);
    curl_slist *headers = nullptr;
    curl_slist *resolves = nullptr;
    char errorBuffer[CURL_ERROR_SIZE] = {};

    const QByteArray address = target.toString(QUrl::FullyEncoded).toUtf8();
    curl_easy_setopt(easy, CURLOPT_URL, address.constData());
    curl_easy_setopt(easy, CURLOPT_PROTOCOLS_STR, secure ? "https" : "http");
    if (isPost) {
        curl_easy_setopt(easy, CURLOPT_POST, 1L);
        curl_easy_setopt(easy, CURLOPT_POSTFIELDSIZE, static_cast<long>(request.body.size()));
        curl_easy_setopt(easy, CURLOPT_POSTFIELDS, request.body.constData());
    } else {
        curl_easy_setopt(easy, CURLOPT_HTTPGET, 1L);
    }
    curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(easy, CURLOPT_FOLLOWLOCATION, 0L);
    // An empty proxy disables the environment's proxy variables as well.
    curl_easy_setopt(easy, CURLOPT_PROXY, "");
    curl_easy_setopt(easy, CURLOPT_NOPROXY, "*");
    curl_easy_setopt(easy, CURLOPT_NETRC, static_cast<long>(CURL_NETRC_IGNORED));
    curl_easy_setopt(easy, CURLOPT_FRESH_CONNECT, kept ? 0L : 1L);
    curl_easy_setopt(easy, CURLOPT_FORBID_REUSE, kept ? 0L : 1L);
    curl_easy_setopt(easy, CURLOPT_TIMEOUT_MS,
                     static_cast<long>(std::max(1.0, request.totalTimeout.count() * 1000)));
    curl_easy_setopt(easy, CURLOPT_ERRORBUFFER, errorBuffer);
    curl_easy_setopt(easy, CURLOPT_HEADERFUNCTION, onHeader);
    curl_easy_setopt(easy, CURLOPT_HEADERDATA, &transfer);
    curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, onBody);
    curl_easy_setopt(easy, CURLOPT_WRITEDATA, &transfer);
    for (const auto &[name, value] : request.headers) {
        // A value with a line break would smuggle in another header.
        if (name.contains('\r') || name.contains('\n') || value.contains('\r') ||
            value.contains('\n'))
            continue;
        headers = curl_slist_append(headers, (name + ": " + value).constData());
    }
    // Without this a POST would claim a form body it does not carry.
    if (isPost && std::none_of(request.headers.begin(), request.headers.end(),
                               [](const auto &h) { return h.first.toLower() == "content-type"; }))
        headers = curl_slist_append(headers, "Content-Type:");
    curl_easy_setopt(easy, CURLOPT_HTTPHEADER, headers);
    if (!resolve.isEmpty()) {
        resolves = curl_slist_append(resolves, resolve.constData());
        curl_easy_setopt(easy, CURLOPT_RESOLVE, resolves);
    }
    curl_multi_add_handle(multi, easy);

    HttpError loopError = HttpError::none;
    for (;;) {
        int running = 0;
        if (curl_multi_perform(multi, &running) != CURLM_OK) {
            loopError = HttpError::connectionLost;
            break;
        }
        if (running == 0)
            break;
        const Seconds now = SystemClock::shared().now();
        if (now - transfer.lastActivity >= request.idleTimeout || now >= deadline) {
            loopError = HttpError::timedOut;
            break;
        }
        const Seconds wait = std::min({request.idleTimeout - (now - transfer.lastActivity),
                                       deadline - now, Seconds(kMaxWaitMilliseconds / 1000.0)});
        curl_multi_poll(multi, nullptr, 0, std::max(1, int(wait.count() * 1000)), nullptr);
        if (cancelled.load()) {
            loopError = HttpError::cancelled;
            break;
        }
    }

    CURLcode code = CURLE_OK;
    int queued = 0;
    while (CURLMsg *message = curl_multi_info_read(multi, &queued)) {
        if (message->msg == CURLMSG_DONE)
            code = message->data.result;
    }
    curl_multi_remove_handle(multi, easy);
    curl_slist_free_all(headers);
    curl_slist_free_all(resolves);

    if (transfer.abortReason != HttpError::none)
        return response;
    if (loopError != HttpError::none) {
        response.error = loopError;
        response.errorText = loopError == HttpError::cancelled ? QStringLiteral("cancelled")
                                                               : QStringLiteral("timed out");
        return response;
    }
    response.error = errorFor(code);
    if (response.error != HttpError::none) {
        response.errorText =
            QString::fromUtf8(errorBuffer[0] ? errorBuffer : curl_easy_strerror(code));
    } else if (!transfer.headDone) {
        response.error = HttpError::connectionLost;
        response.errorText = QStringLiteral("no response head");
    }
    return response;
}
