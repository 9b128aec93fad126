#pragma once

#include <QDir>
#include <QProcess>
#include <QTest>

#include <sys/stat.h>

/// A store's file replaced by a pipe, a link to /dev/zero or a sparse file one
/// byte over the cap. The pipe's writer and the sparse file hold what parses
/// (`head`, zeros, `tail`), so a load that blocks on the pipe or reads past the
/// cap gets it and fails the caller's checks instead of hanging.
namespace UnreadableFiles {

/// Leave the link out where a regression would write through it (as root, QSettings
/// replaces a link's target), so a failing test cannot replace /dev/zero.
inline void rows(bool withDeviceLink = true)
{
    QTest::addColumn<int>("kind");
    QTest::newRow("pipe") << 0;
    if (withDeviceLink)
        QTest::newRow("link to /dev/zero") << 1;
    QTest::newRow("one byte over the cap") << 2;
}

/// Puts the row's kind of file at `path`, runs `load(path)`, and tells
/// whether the file is still as it was.
template <typename Load>
bool keptAfter(const QString &path, qint64 cap, const QByteArray &head, const QByteArray &tail,
               Load load)
{
    QFETCH(int, kind);
    QDir().mkpath(QFileInfo(path).absolutePath());
    const QByteArray name = QFile::encodeName(path);
    QProcess writer;
    bool made = false;
    if (kind == 0) {
        made = ::mkfifo(name, 0600) == 0;
        writer.start("sh", {"-c", "printf %s \"$0\" > \"$1\"", head + tail, path});
    } else if (kind == 1) {
        made = QFile::link("/dev/zero", path);
    } else {
        QFile file(path);
        made = file.open(QIODevice::WriteOnly) && file.write(head) == head.size() &&
               file.resize(cap + 1) && file.seek(cap + 1 - tail.size()) &&
               file.write(tail) == tail.size();
    }
    const auto fingerprint = [&] {
        struct stat s = {};
        ::lstat(name, &s);
        return QString::asprintf("%lu %o %ld", s.st_ino, s.st_mode, s.st_size);
    };
    const QString before = fingerprint();
    load(path);
    writer.kill();
    writer.waitForFinished();
    return made && fingerprint() == before;
}

} // namespace UnreadableFiles
