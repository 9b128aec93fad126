#include "support/VirtualTime.h"

struct VirtualTime::Entry
{
    std::function<void()> callback;
    Seconds interval{0}; // zero: runs once
    bool cancelled = false;
};

VirtualTime::VirtualTime()
    : m_wallOrigin(QDateTime(QDate(2026, 1, 1), QTime(12, 0), Qt::UTC)),
      m_alive(std::make_shared<bool>(true))
{}

VirtualTime::~VirtualTime()
{
    *m_alive = false;
}

QDateTime VirtualTime::wallNow() const
{
    return m_wallOrigin.addMSecs(qint64((m_now - m_wallOriginAt).count() * 1000.0));
}

void VirtualTime::setWallNow(const QDateTime &utc)
{
    m_wallOrigin = utc;
    m_wallOriginAt = m_now;
}

void VirtualTime::schedule(Seconds due, std::shared_ptr<Entry> entry)
{
    m_queue.emplace(Key{due.count(), ++m_sequence}, std::move(entry));
}

CancelHandle VirtualTime::after(Seconds delay, std::function<void()> callback)
{
    return start(std::make_shared<Entry>(std::move(callback)), std::max(delay, Seconds(0)));
}

CancelHandle VirtualTime::every(Seconds interval, Seconds, std::function<void()> callback)
{
    const Seconds period = std::max(interval, Seconds(0.001));
    return start(std::make_shared<Entry>(std::move(callback), period), period);
}

CancelHandle VirtualTime::start(std::shared_ptr<Entry> entry, Seconds delay)
{
    std::weak_ptr<Entry> weak = entry;
    schedule(m_now + delay, std::move(entry));
    return CancelHandle([weak] {
        if (auto e = weak.lock())
            e->cancelled = true;
    });
}

void VirtualTime::advance(Seconds delta)
{
    const Seconds target = m_now + delta;
    const std::weak_ptr<bool> alive = m_alive;
    while (!m_queue.empty()) {
        auto first = m_queue.begin();
        if (first->first.first > target.count() + 1e-9)
            break;
        const Seconds due(first->first.first);
        auto entry = first->second;
        m_queue.erase(first);
        if (entry->cancelled)
            continue;
        m_now = std::max(m_now, due);
        if (entry->interval > Seconds(0))
            schedule(m_now + entry->interval, entry);
        auto callback = entry->callback; // the callback may cancel itself
        callback();
        if (alive.expired())
            return;
    }
    m_now = std::max(m_now, target);
}

int VirtualTime::pendingCount() const
{
    int count = 0;
    for (const auto &item : m_queue)
        count += item.second->cancelled ? 0 : 1;
    return count;
}
