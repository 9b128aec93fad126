#pragma once

#include "core/Clock.h"
#include "core/SerialWorker.h"
#include "lyrics/LyricsProviding.h"
#include "platform/net/HttpClient.h"
#include "platform/net/HttpConnectionOverride.h"

#include <QHash>
#include <QObject>
#include <QUrl>

#include <atomic>
#include <deque>
#include <memory>
#include <mutex>

/// Fetches lyrics from the lyrics service, one lookup at a time on its own
/// worker thread, and keeps the last 20 documents in memory (first in, first
/// out). Every lookup is a fresh anonymous GET; nothing is stored on disk.
class LyricsLoader final : public LyricsProviding
{
public:
    static constexpr qsizetype kCacheCapacity = 20;
    /// Environment variable that moves the service to another https origin.
    static constexpr const char *kOriginVariable = "VELLOWAY_LYRICS_ORIGIN";
    /// Environment variable naming a port on 127.0.0.1 that takes the
    /// service's requests over plain HTTP, so end-to-end tests can serve
    /// lyrics to the whole program; only the loopback address is reachable.
    static constexpr const char *kLocalPortVariable = "VELLOWAY_LYRICS_LOCAL_PORT";

    struct Options
    {
        /// Routes requests to a local server; tests only.
        HttpConnectionOverride connectionOverride;
        /// Longest wait without data, and longest whole transfer.
        Seconds idleTimeout{12};
        Seconds totalTimeout{20};
    };

    /// The service origin comes from `kOriginVariable` when that holds an
    /// https origin, else it is the public service; `kLocalPortVariable`
    /// routes it to a local server.
    LyricsLoader();
    explicit LyricsLoader(Options options);
    /// Cancels the running lookup and drops the waiting ones.
    ~LyricsLoader() override;

    CancelHandle lyrics(const LyricsTrack &track, QObject *context, Completion completion) override;

    const QUrl &origin() const { return m_origin; }

private:
    LyricsResult lookup(const LyricsTrack &track, const std::atomic<bool> &cancelled);
    void store(const LyricsTrack &track, const LyricsDocument &document);

    const QUrl m_origin;
    const Options m_options;
    const HttpClient m_client;

    // Touched only on the worker thread.
    QHash<LyricsTrack, LyricsDocument> m_cache;
    std::deque<LyricsTrack> m_cacheOrder;

    // The running lookup's flag, so destruction can end its transfer.
    std::mutex m_runningMutex;
    std::shared_ptr<std::atomic<bool>> m_running;
    bool m_stopping = false;

    // Lives on the creating thread; completions are queued to it and die
    // with the loader.
    QObject m_receiver;

    // Last: destroyed first, so no job outlives the state above.
    SerialWorker m_worker{QStringLiteral("Velloway.Lyrics")};
};
