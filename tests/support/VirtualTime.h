#pragma once

#include "core/Clock.h"
#include "core/Scheduler.h"

#include <map>
#include <memory>

/// Virtual clock and scheduler for tests: time stands still until `advance`,
/// which moves it forward instantly and runs every due callback in order of
/// due time (callbacks due at the same moment run in the order scheduled).
class VirtualTime final : public Clock, public Scheduler
{
public:
    VirtualTime();
    ~VirtualTime() override;

    Seconds now() const override { return m_now; }
    QDateTime wallNow() const override;

    CancelHandle after(Seconds delay, std::function<void()> callback) override;
    CancelHandle every(Seconds interval, Seconds tolerance,
                       std::function<void()> callback) override;

    /// Moves time forward by `delta`, running callbacks that fall due,
    /// including ones scheduled by those callbacks.
    void advance(Seconds delta);
    void advance(double seconds) { advance(Seconds(seconds)); }

    /// Number of callbacks still pending.
    int pendingCount() const;

    /// Sets the wall-clock time that corresponds to the current moment.
    void setWallNow(const QDateTime &utc);

private:
    struct Entry;
    using Key = std::pair<double, quint64>;
    void schedule(Seconds due, std::shared_ptr<Entry> entry);
    CancelHandle start(std::shared_ptr<Entry> entry, Seconds delay);

    Seconds m_now{0};
    QDateTime m_wallOrigin;
    Seconds m_wallOriginAt{0};
    quint64 m_sequence = 0;
    std::map<Key, std::shared_ptr<Entry>> m_queue;
    std::shared_ptr<bool> m_alive;
};
