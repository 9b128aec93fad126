#pragma once

#include "core/Clock.h"
#include "platform/apps/ApplicationLookup.h"
#include "platform/apps/ProcessTable.h"

#include <mutex>

/// The running and installed applications of this Linux session.
///
/// Processes: every player is asked for its process on each poll tick, so
/// one /proc scan serves all queries made within `freshness` of it instead of
/// one scan per player. Installed: a desktop entry in the XDG data dirs, or
/// the executable on PATH; both read afresh on every call.
class SystemApplicationLookup final : public ApplicationLookup
{
public:
    explicit SystemApplicationLookup(const Clock &clock, Seconds freshness = Seconds(0.5),
                                     QString procRoot = QStringLiteral("/proc"));

    std::optional<qint32> processID(const ApplicationIdentity &app) override;
    bool isInstalled(const ApplicationIdentity &app) override;

    /// Forgets the current scan; the next query scans again.
    void invalidate();

    /// Number of /proc scans made so far.
    int scanCount() const;

private:
    const Clock &m_clock;
    const Seconds m_freshness;
    const QString m_procRoot;
    mutable std::mutex m_mutex;
    ProcessTable m_table;
    std::optional<Seconds> m_scannedAt;
    int m_scanCount = 0;
};
