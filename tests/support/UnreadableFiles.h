#pragma once

#include <QDir>
#include <QProcess>
#include <QTest>

#include <sys/stat.h>

/// A store's file replaced by what the store must never read whole.
namespace UnreadableFiles {

inline void rows()
{
    QTest::addColumn<int>("kind");
    QTest::newRow("pipe") << 0;
    QTest::newRow("link to /dev/zero") << 1;
    QTest::newRow("one byte over the cap") << 2;
}

/// Puts the row's kind of file at `path`, runs `load(path)`, and says what went
/// wrong. The pipe's writer and the sparse file hold what parses (`head`,
/// zeros, `tail`), so a load that blocks on the pipe or reads past the cap
/// succeeds, and fails the caller's checks, instead of hanging.
template <typename Load>
QString check(const QString &path, qint64 cap, const QByteArray &head, const QByteArray &tail,
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
        made = file.open(QIODevice::WriteOnly) && file.write(head) && file.resize(cap + 1) &&
               file.seek(cap + 1 - tail.size()) && file.write(tail) == tail.size();
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
    return !made ? "not made" : fingerprint() != before ? "changed" : "";
}

} // namespace UnreadableFiles
