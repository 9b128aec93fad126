#include "lyrics/LyricsController.h"

#include "core/Published.h"
#include "core/Scheduler.h"
#include "core/SystemClock.h"
#include "core/TimerScheduler.h"
#include "lyrics/LyricsProviding.h"

#include <algorithm>
#include <cmath>

LyricsController::LyricsController(LyricsProviding &loader, Scheduler *scheduler,
                                   const Clock *clock, QObject *parent)
    : QObject(parent), m_loader(loader),
      m_scheduler(scheduler ? *scheduler : TimerScheduler::shared()),
      m_sampleDate((clock ? *clock : SystemClock::shared()).now())
{}

LyricsController::~LyricsController() = default;

void LyricsController::setClickThrough(bool value)
{
    publish(this, m_clickThrough, value, &LyricsController::clickThroughChanged);
}

void LyricsController::setOpacity(double value)
{
    if (!std::isnan(value))
        publish(this, m_opacity, std::clamp(value, 0.0, 1.0), &LyricsController::opacityChanged);
}

void LyricsController::setVisible(bool visible)
{
    if (!publish(this, m_isVisible, visible, &LyricsController::isVisibleChanged))
        return;
    if (visible) {
        load();
    } else {
        // The last document stays, so showing the same song again draws at once.
        ++m_generation;
        m_request.cancel();
    }
    if (visibilityChanged)
        visibilityChanged(visible);
}

void LyricsController::updateTrack(const std::optional<LyricsTrack> &track)
{
    if (track == m_track)
        return;
    ++m_generation;
    m_request.cancel();
    publish(this, m_track, track, &LyricsController::trackChanged);
    publish(this, m_document, std::nullopt, &LyricsController::documentChanged);
    publish(this, m_status, Status::idle, &LyricsController::statusChanged);
    if (m_isVisible)
        load();
}

void LyricsController::load()
{
    if (!m_track) {
        publish(this, m_status, Status::idle, &LyricsController::statusChanged);
        return;
    }
    if (m_track->artist().trimmed().isEmpty()) {
        publish(this, m_status, Status::noArtist, &LyricsController::statusChanged);
        return;
    }
    const qint64 token = ++m_generation;
    m_request.cancel();
    publish(this, m_status, Status::loading, &LyricsController::statusChanged);
    m_request = m_scheduler.after(kDebounce, [this, token, track = *m_track] {
        m_request.release();
        m_request = m_loader.lyrics(track, this,
                                    [this, token](LyricsResult result) { finish(token, result); });
    });
}

void LyricsController::finish(qint64 token, const LyricsResult &result)
{
    if (!m_isVisible || token != m_generation)
        return;
    m_request.release();
    if (const auto *document = std::get_if<LyricsDocument>(&result)) {
        publish(this, m_document, *document, &LyricsController::documentChanged);
        publish(this, m_status, Status::ready, &LyricsController::statusChanged);
        return;
    }
    // A lookup the loader gave up on by itself (it is going away) counts as
    // failed, so the status never stays at loading.
    const auto error = std::get<LyricsFailure>(result).lookupError();
    publish(this, m_document, std::nullopt, &LyricsController::documentChanged);
    publish(this, m_status,
            error == LyricsLookupError::rateLimited ? Status::rateLimited
            : error == LyricsLookupError::notFound  ? Status::notFound
                                                    : Status::failed,
            &LyricsController::statusChanged);
}

void LyricsController::updatePlayback(double position, bool playing, Seconds date)
{
    m_sampleDate = date;
    publish(this, m_samplePosition, std::isfinite(position) && position >= 0 ? position : 0.0,
            &LyricsController::samplePositionChanged);
    publish(this, m_isPlaying, playing, &LyricsController::isPlayingChanged);
}

double LyricsController::position(Seconds date) const
{
    double elapsed = 0;
    if (m_isPlaying) {
        const double sinceSample = (date - m_sampleDate).count();
        if (sinceSample > 0) // false for an earlier date and for not-a-number
            elapsed = std::min(sinceSample, kMaxExtrapolation.count());
    }
    const double end = m_track ? m_track->duration() : 0.0;
    return std::min(m_samplePosition + elapsed, end);
}
