#include "support/FileOwnership.h"

#include <QFile>

#include <cstdlib>
#include <sys/stat.h>
#include <unistd.h>

namespace FileOwnership {

namespace {

constexpr uid_t kNobody = 65534;
bool g_startedAsRoot = ::getuid() == 0;

} // namespace

bool dropRoot()
{
    if (::geteuid() != 0)
        return true;
    // Take root back at exit, before a coverage build writes its counters
    // beside root's object files (handlers run in reverse order of
    // registration, so this one runs before the profiler's).
    static const int restoreAtExit = std::atexit([] {
        (void)::seteuid(0);
        (void)::setegid(0);
    });
    (void)restoreAtExit;
    return ::setegid(kNobody) == 0 && ::seteuid(kNobody) == 0;
}

bool canActAsRoot()
{
    return g_startedAsRoot;
}

void asRoot(const std::function<void()> &work)
{
    const uid_t before = ::geteuid();
    if (::seteuid(0) != 0 || ::setegid(0) != 0) {
        work();
        return;
    }
    work();
    if (before != 0) {
        (void)::setegid(kNobody);
        (void)::seteuid(before);
    }
}

bool takeOwnership(const QString &path)
{
    const uid_t user = ::geteuid();
    const gid_t group = ::getegid();
    bool ok = false;
    asRoot([&] { ok = ::chown(QFile::encodeName(path).constData(), user, group) == 0; });
    return ok;
}

int mode(const QString &path)
{
    struct stat info;
    if (::stat(QFile::encodeName(path).constData(), &info) != 0)
        return -1;
    return int(info.st_mode & 07777);
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        file.write(bytes);
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace FileOwnership
