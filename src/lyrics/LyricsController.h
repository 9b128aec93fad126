#pragma once

#include "core/CancelHandle.h"
#include "core/Clock.h"
#include "lyrics/LyricsFailure.h"
#include "players/model/LyricsTrack.h"

#include <QObject>

#include <functional>
#include <optional>

class LyricsProviding;
class Scheduler;

/// The lyrics of the playing song and the playback sample the floating
/// lyrics follow. Lyrics are looked up only while they are shown, so a user
/// who never opens them causes no traffic. Main thread only.
class LyricsController final : public QObject
{
    Q_OBJECT
    Q_PROPERTY(bool isVisible READ isVisible NOTIFY isVisibleChanged)
    Q_PROPERTY(bool clickThrough READ clickThrough WRITE setClickThrough NOTIFY clickThroughChanged)
    Q_PROPERTY(double opacity READ opacity WRITE setOpacity NOTIFY opacityChanged)
    Q_PROPERTY(std::optional<LyricsTrack> track READ track NOTIFY trackChanged)
    Q_PROPERTY(std::optional<LyricsDocument> document READ document NOTIFY documentChanged)
    Q_PROPERTY(Status status READ status NOTIFY statusChanged)
    Q_PROPERTY(double samplePosition READ samplePosition NOTIFY samplePositionChanged)
    Q_PROPERTY(bool isPlaying READ isPlaying NOTIFY isPlayingChanged)

public:
    enum class Status
    {
        idle,
        loading,
        ready,
        notFound,
        failed,
        rateLimited,
        /// The song has no artist, so there is nothing to look up by.
        noArtist
    };
    Q_ENUM(Status)

    /// A quick succession of track changes or reloads reaches the network
    /// once.
    static constexpr Seconds kDebounce{0.25};
    /// The position is extrapolated at most this far past the last sample.
    static constexpr Seconds kMaxExtrapolation{2};

    /// `scheduler` and `clock` default to the system's.
    explicit LyricsController(LyricsProviding &loader, Scheduler *scheduler = nullptr,
                              const Clock *clock = nullptr, QObject *parent = nullptr);
    ~LyricsController() override;

    bool isVisible() const { return m_isVisible; }
    bool clickThrough() const { return m_clickThrough; }
    double opacity() const { return m_opacity; }
    const std::optional<LyricsTrack> &track() const { return m_track; }
    const std::optional<LyricsDocument> &document() const { return m_document; }
    Status status() const { return m_status; }
    double samplePosition() const { return m_samplePosition; }
    /// Whether the position advances after the last sample.
    bool isPlaying() const { return m_isPlaying; }

    void setClickThrough(bool value);
    /// Limited to 0...1; a value that is not a number is ignored.
    void setOpacity(double value);

    /// Told every change of `isVisible`.
    std::function<void(bool)> visibilityChanged;

    void setVisible(bool visible);
    /// The playing track changed, or playback stopped (none).
    void updateTrack(const std::optional<LyricsTrack> &track);
    /// A playback sample taken at `date` (on the monotonic clock).
    void updatePlayback(double position, bool playing, Seconds date);
    /// The playback position extrapolated to `date`, in seconds.
    double position(Seconds date) const;
    /// Looks up the lyrics of the current track after a short pause.
    void load();

signals:
    void isVisibleChanged();
    void clickThroughChanged();
    void opacityChanged();
    void trackChanged();
    void documentChanged();
    void statusChanged();
    void samplePositionChanged();
    void isPlayingChanged();

private:
    void finish(qint64 token, const LyricsResult &result);

    LyricsProviding &m_loader;
    Scheduler &m_scheduler;

    bool m_isVisible = false;
    bool m_clickThrough = false;
    double m_opacity = 0.9;
    std::optional<LyricsTrack> m_track;
    std::optional<LyricsDocument> m_document;
    Status m_status = Status::idle;
    double m_samplePosition = 0;
    Seconds m_sampleDate;
    bool m_isPlaying = false;
    CancelHandle m_request; // the pause before the lookup, then the lookup
    qint64 m_generation = 0;
};
