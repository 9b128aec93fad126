#pragma once

#include "artwork/ArtworkCache.h"
#include "artwork/ArtworkProviding.h"
#include "core/SerialWorker.h"
#include "platform/net/HttpClient.h"

#include <QObject>

#include <atomic>
#include <memory>
#include <vector>

/// Downloads covers from the allowed image hosts on its own worker thread:
/// addresses are vetted before any traffic, redirects may not leave the
/// host family they started in, the body is capped at 2 MiB while it
/// streams, and only bytes that decode to a small picture are returned and
/// kept in a memory cache of 24 entries / 8 MiB.
class ArtworkLoader final : public QObject, public ArtworkProviding
{
    Q_OBJECT

public:
    /// For tests only: where the connections go and how long they may take.
    /// The address rules are the same whatever is set here.
    struct Options
    {
        HttpConnectionOverride connection;
        Seconds idleTimeout{8};
        Seconds totalTimeout{12};
    };

    static constexpr qsizetype kCacheEntries = 24;
    static constexpr qint64 kCacheBytes = 8'388'608;
    static constexpr int kMaxRedirects = 8;

    explicit ArtworkLoader(QObject *parent = nullptr);
    explicit ArtworkLoader(Options options, QObject *parent = nullptr);
    /// Cancels running loads; their completions never run.
    ~ArtworkLoader() override;

    CancelHandle data(const QUrl &url, Completion completion) override;

    qsizetype cachedCount() const { return m_shared->cache.count(); }

private:
    struct Shared
    {
        explicit Shared(Options options);
        const Options options;
        const HttpClient client;
        ArtworkCache cache;
    };
    using Flag = std::shared_ptr<std::atomic<bool>>;

    static ArtworkResult fetch(Shared &shared, const QUrl &url, const std::atomic<bool> &cancelled);
    void finish(const Flag &flag, Completion completion, ArtworkResult result);

    std::shared_ptr<Shared> m_shared;
    std::vector<std::weak_ptr<std::atomic<bool>>> m_inFlight;
    SerialWorker m_worker;
};
