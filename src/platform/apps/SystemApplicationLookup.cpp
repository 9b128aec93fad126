#include "platform/apps/SystemApplicationLookup.h"

#include "platform/apps/ApplicationFiles.h"

SystemApplicationLookup::SystemApplicationLookup(const Clock &clock, Seconds freshness,
                                                 QString procRoot)
    : m_clock(clock), m_freshness(freshness), m_procRoot(std::move(procRoot))
{}

std::optional<qint32> SystemApplicationLookup::processID(const ApplicationIdentity &app)
{
    if (app.executableNames.isEmpty())
        return std::nullopt;
    std::lock_guard lock(m_mutex);
    const Seconds now = m_clock.now();
    if (!m_scannedAt || now - *m_scannedAt >= m_freshness || now < *m_scannedAt) {
        m_table = ProcessTable::scan(m_procRoot);
        m_scannedAt = now;
        ++m_scanCount;
    }
    return m_table.processID(app.executableNames);
}

bool SystemApplicationLookup::isInstalled(const ApplicationIdentity &app)
{
    return !ApplicationFiles::desktopEntry(app).isEmpty() ||
           !ApplicationFiles::executable(app).isEmpty();
}

void SystemApplicationLookup::invalidate()
{
    std::lock_guard lock(m_mutex);
    m_scannedAt.reset();
}

int SystemApplicationLookup::scanCount() const
{
    std::lock_guard lock(m_mutex);
    return m_scanCount;
}
