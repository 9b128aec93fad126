#include "platform/storage/AppDataFolder.h"
#include "platform/storage/IniSettings.h"
#include "platform/storage/InodeBookmarks.h"
#include "platform/storage/LocalFileStorage.h"
#include "support/FileOwnership.h"
#include "support/UnreadableFiles.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>

using namespace FileOwnership;

class FileStorageTest : public QObject
{
    Q_OBJECT

    LocalFileStorage m_files;
    InodeBookmarks m_bookmarks;

private slots:
    void dataFolderFollowsXdgDataHome()
    {
        const QByteArray saved = qgetenv("XDG_DATA_HOME");
        qputenv("XDG_DATA_HOME", "/tmp/xdg-data/");
        QCOMPARE(AppDataFolder::path(), QString("/tmp/xdg-data/Velloway"));
        QCOMPARE(AppDataFolder::file("notes.json"), QString("/tmp/xdg-data/Velloway/notes.json"));
        const QString fallback = QDir::homePath() + "/.local/share/Velloway";
        qputenv("XDG_DATA_HOME", "relative/dir");
        QCOMPARE(AppDataFolder::path(), fallback);
        qunsetenv("XDG_DATA_HOME");
        QCOMPARE(AppDataFolder::path(), fallback);
        qputenv("XDG_DATA_HOME", saved);
    }

    void foldersAreCreatedPrivateAndFilesReplacedWhole()
    {
        QTemporaryDir dir;
        const QString folder = dir.path() + "/a/b/Velloway";
        const QString path = folder + "/doc.json";
        const mode_t oldMask = ::umask(0);
        QVERIFY(m_files.createFolder(folder));
        ::umask(oldMask);
        QCOMPARE(mode(dir.path() + "/a"), 0700);
        QCOMPARE(mode(folder), 0700);
        QVERIFY(m_files.createFolder(folder)); // already there

        QVERIFY(!m_files.exists(path));
        QVERIFY(m_files.writeAtomically(path, "first"));
        QCOMPARE(mode(path), 0600); // private from its first byte
        QVERIFY(m_files.exists(path));
        QVERIFY(m_files.writeAtomically(path, "second"));
        QCOMPARE(m_files.readAll(path, 100), std::optional<QByteArray>("second"));
        QVERIFY(m_files.setPermissions(path, 0640));
        QCOMPARE(mode(path), 0640);
        QCOMPARE(QDir(folder).entryList(QDir::Files | QDir::Hidden), QStringList{"doc.json"});

        // A folder cannot be made below a file; a dangling link is nothing.
        QVERIFY(!m_files.createFolder(path + "/sub"));
        QVERIFY(QFile::link(dir.path() + "/nowhere", dir.path() + "/dangling"));
        QVERIFY(!m_files.exists(dir.path() + "/dangling"));
        QVERIFY(!m_files.readAll(dir.path() + "/dangling", 100));
        QVERIFY(!m_files.writeAtomically(dir.path() + "/missing/doc.json", "x"));
    }

    void failedWriteLeavesTheOldFileWhole()
    {
        QTemporaryDir dir;
        const QString path = dir.path() + "/doc.json";
        QVERIFY(m_files.writeAtomically(path, "old content"));

        // A file-size limit makes the write fail part-way, as a full disk would.
        std::signal(SIGXFSZ, SIG_IGN);
        rlimit saved;
        QVERIFY(::getrlimit(RLIMIT_FSIZE, &saved) == 0);
        rlimit small = saved;
        small.rlim_cur = 4096;
        QVERIFY(::setrlimit(RLIMIT_FSIZE, &small) == 0);
        const bool written = m_files.writeAtomically(path, QByteArray(100'000, 'n'));
        QVERIFY(::setrlimit(RLIMIT_FSIZE, &saved) == 0);

        QVERIFY(!written);
        QCOMPARE(m_files.readAll(path, 100), std::optional<QByteArray>("old content"));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"doc.json"});
    }

    void pipeOrHugeSettingsFileGivesDefaultsAndIsKept_data() { UnreadableFiles::rows(false); }
    void pipeOrHugeSettingsFileGivesDefaultsAndIsKept()
    {
        QTemporaryDir dir;
        std::optional<IniSettings> settings;
        const auto load = [&](const QString &path) {
            settings.emplace(path);
            QVERIFY(!settings->value("key").isValid());
            settings->setValue("key", "changed"); // kept in memory, not written
        };
        const QByteArray head = "[General]\nkey=kept\n";
        QVERIFY(UnreadableFiles::keptAfter(dir.filePath("Velloway.conf"), 1 << 20, head, {}, load));
        QCOMPARE(settings->value("key"), QVariant("changed"));
    }

    void bookmarksNoticeReplacedAndMissingFiles()
    {
        QTemporaryDir dir;
        const QString path = dir.path() + "/with\nnewline.txt";
        writeFile(path, "x");
        const auto bookmark = m_bookmarks.create(QUrl::fromLocalFile(path));
        QVERIFY(bookmark);
        auto resolved = m_bookmarks.resolve(*bookmark);
        QVERIFY(resolved);
        QCOMPARE(resolved->url, QUrl::fromLocalFile(path));
        QVERIFY(!resolved->isStale);

        // Same path, another object: stale, still resolvable.
        writeFile(dir.path() + "/new", "y");
        QVERIFY(::rename(QFile::encodeName(dir.path() + "/new"), QFile::encodeName(path)) == 0);
        resolved = m_bookmarks.resolve(*bookmark);
        QVERIFY(resolved);
        QVERIFY(resolved->isStale);

        QVERIFY(QFile::remove(path));
        QVERIFY(!m_bookmarks.resolve(*bookmark));
        QVERIFY(!m_bookmarks.create(QUrl::fromLocalFile(path)));
        QVERIFY(!m_bookmarks.create(QUrl("https://example.org/")));

        for (const QByteArray &garbage :
             {QByteArray(), QByteArray("velloway-bookmark-1\n1\n2\nrelative"),
              QByteArray("velloway-bookmark-1\nx\n2\n/tmp"), QByteArray("other\n1\n2\n/tmp"),
              QByteArray("velloway-bookmark-1\n1\n2")})
            QVERIFY(!m_bookmarks.resolve(garbage));
    }
};

QTEST_GUILESS_MAIN(FileStorageTest)
#include "tst_filestorage.moc"
