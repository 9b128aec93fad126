#pragma once

#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

/// One reading of the processes of this user: what /proc says at the moment
/// of `scan`. Processes of other users (whose executable link cannot be read)
/// and kernel threads are left out.
class ProcessTable
{
public:
    struct Entry
    {
        qint32 pid = 0;
        qint32 parentPid = 0;
        quint64 startTime = 0; // clock ticks after boot
        QString executableName;
    };

    ProcessTable() = default;
    explicit ProcessTable(std::vector<Entry> entries) : m_entries(std::move(entries)) {}

    /// Reads every process below `procRoot` once.
    static ProcessTable scan(const QString &procRoot = QStringLiteral("/proc"));

    /// The oldest process whose executable has one of `names`; an
    /// application's helper processes are its children and start later, so
    /// this is the main process. None when no process matches.
    std::optional<qint32> processID(const QStringList &names) const;

    const std::vector<Entry> &entries() const { return m_entries; }

private:
    std::vector<Entry> m_entries;
};
