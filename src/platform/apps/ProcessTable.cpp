#include "platform/apps/ProcessTable.h"

#include <QByteArray>
#include <QFile>

#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

#include <tuple>

namespace {

// /proc/<pid>/stat is one short line; the fields we need come well before
// this length even with a 15-byte command name.
constexpr qsizetype kMaxStatBytes = 4096;

std::optional<QString> executableName(const QByteArray &dir)
{
    char target[4096];
    const QByteArray link = dir + "/exe";
    const ssize_t length = ::readlink(link.constData(), target, sizeof target - 1);
    if (length <= 0)
        return std::nullopt;
    QByteArray path(target, length);
    // A binary replaced while it runs (an update) keeps running under its old
    // name; the kernel marks the link.
    static const QByteArray deleted = " (deleted)";
    if (path.endsWith(deleted))
        path.chop(deleted.size());
    const qsizetype slash = path.lastIndexOf('/');
    return QString::fromUtf8(path.mid(slash + 1));
}

bool readStat(const QByteArray &dir, ProcessTable::Entry &entry)
{
    const QByteArray path = dir + "/stat";
    const int fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    char buffer[kMaxStatBytes];
    const ssize_t length = ::read(fd, buffer, sizeof buffer - 1);
    ::close(fd);
    if (length <= 0)
        return false;
    const QByteArray line(buffer, length);
    // The command name sits in parentheses and may itself contain spaces or
    // parentheses, so the fields start after the last closing one.
    const qsizetype close = line.lastIndexOf(')');
    if (close < 0)
        return false;
    const QList<QByteArray> fields = line.mid(close + 2).split(' ');
    // fields[0] is the state, [1] the parent, [19] the start time.
    if (fields.size() < 20)
        return false;
    const char state = fields[0].isEmpty() ? '?' : fields[0][0];
    if (state == 'Z' || state == 'X')
        return false;
    bool parentOk = false;
    bool startOk = false;
    entry.parentPid = fields[1].toInt(&parentOk);
    entry.startTime = fields[19].toULongLong(&startOk);
    return parentOk && startOk;
}

} // namespace

ProcessTable ProcessTable::scan(const QString &procRoot)
{
    std::vector<Entry> entries;
    const QByteArray root = QFile::encodeName(procRoot);
    DIR *dir = ::opendir(root.constData());
    if (!dir)
        return ProcessTable();
    while (const dirent *item = ::readdir(dir)) {
        bool numeric = false;
        const qint32 pid = QByteArray(item->d_name).toInt(&numeric);
        if (!numeric || pid <= 0)
            continue;
        const QByteArray path = root + '/' + item->d_name;
        const std::optional<QString> name = executableName(path);
        if (!name || name->isEmpty())
            continue;
        Entry entry;
        entry.pid = pid;
        entry.executableName = *name;
        if (readStat(path, entry))
            entries.push_back(std::move(entry));
    }
    ::closedir(dir);
    return ProcessTable(std::move(entries));
}

std::optional<qint32> ProcessTable::processID(const QStringList &names) const
{
    if (names.isEmpty())
        return std::nullopt;
    const Entry *best = nullptr;
    for (const Entry &entry : m_entries) {
        if (!names.contains(entry.executableName))
            continue;
        if (!best || std::tie(entry.startTime, entry.pid) < std::tie(best->startTime, best->pid))
            best = &entry;
    }
    if (!best)
        return std::nullopt;
    return best->pid;
}
