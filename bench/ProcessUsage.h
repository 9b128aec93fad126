#pragma once

#include <QByteArray>
#include <QFile>
#include <QList>
#include <QString>

#include <utility>

// What the kernel counts for another process of the same run.
namespace ProcessUsage {

// User plus system time of `pid` in clock ticks, and its resident kB.
inline std::pair<qint64, qint64> usage(qint64 pid)
{
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!stat.open(QIODevice::ReadOnly) || !status.open(QIODevice::ReadOnly))
        return {-1, -1};
    // Fields after the parenthesised name, which may hold spaces.
    const QByteArray line = stat.readAll();
    const QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
    qint64 rss = -1;
    for (const QByteArray &entry : status.readAll().split('\n')) {
        if (entry.startsWith("VmRSS:"))
            rss = entry.mid(6).trimmed().split(' ').first().toLongLong();
    }
    return {fields.value(11).toLongLong() + fields.value(12).toLongLong(), rss};
}

} // namespace ProcessUsage
