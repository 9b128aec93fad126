#include "core/UuidText.h"
#include "platform/desktop/AppActivation.h"
#include "platform/storage/InodeBookmarks.h"
#include "support/FileOwnership.h"
#include "support/StoreFolder.h"
#include "support/TestRows.h"
#include "support/UnreadableFiles.h"
#include "tray/FileTrayStore.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTest>

#include <sys/stat.h>
#include <unistd.h>

using namespace FileOwnership;

namespace {

const QString kUnreadable =
    QStringLiteral("The saved tray could not be read. Your original files are unaffected.");
const QString kRefused =
    QStringLiteral("The saved tray could not be read. Original saved references are preserved.");
const QString kSaveFailed =
    QStringLiteral("The tray could not be saved. Your original files are unaffected.");
const QString kRejected =
    QStringLiteral("Only available files and folders can be added to the tray.");
const QString kUnavailable =
    QStringLiteral("This file is unavailable. It may have moved or its drive may be disconnected.");
const QString kRestoreFailed =
    QStringLiteral("Some file access could not be restored. Add those files again if needed.");

QByteArray base64Bookmark(const QString &path)
{
    return InodeBookmarks::shared().create(QUrl::fromLocalFile(path)).value_or("").toBase64();
}

QList<QString> paths(const QList<TrayItem> &items)
{
    QList<QString> out;
    for (const TrayItem &item : items)
        out << item.url.toLocalFile();
    return out;
}

} // namespace

class FileTrayStoreTest : public QObject
{
    Q_OBJECT

    StoreFolder m_folder;
    CountingFileStorage &m_files = m_folder.files;
    AppActivation m_activation;

    QString trayFile() const { return m_folder.path("data/Velloway/tray.json"); }
    QString file(const QString &name) { return m_folder.write("files/" + name, "x"); }
    std::unique_ptr<FileTrayStore> started()
    {
        auto store = std::make_unique<FileTrayStore>(trayFile(), &m_files, nullptr, &m_activation);
        store->start();
        return store;
    }
    void writeTrayFile(const QByteArray &bytes)
    {
        m_folder.write("data/Velloway/tray.json", bytes);
    }

private slots:
    void init() { QVERIFY(m_folder.reset()); }

    void firstChangeCreatesPrivateFolderAndFile()
    {
        auto store = started();
        QVERIFY(store->items().isEmpty());
        QVERIFY(store->message().isEmpty());
        QVERIFY(!QFile::exists(trayFile()));
        QVERIFY(!QFile::exists(QFileInfo(trayFile()).absolutePath()));

        const QString a = file("a.txt");
        store->addFiles({QUrl::fromLocalFile(a)});
        QCOMPARE(mode(trayFile()), 0600);
        QCOMPARE(mode(QFileInfo(trayFile()).absolutePath()), 0700);
        QCOMPARE(mode(m_folder.path("data")), 0700);
        const QString id = UuidText::format(store->items().first().id);
        QCOMPARE(readFile(trayFile()), "[{\"id\":\"" + id.toLatin1() + "\",\"bookmark\":\"" +
                                           base64Bookmark(a) + "\",\"path\":\"" + a.toUtf8() +
                                           "\"}]");
    }

    void restoreSkipsDuplicatesAndWritesTheRestBack()
    {
        const QString a = file("a.txt"), b = file("b.txt");
        const QString missing = m_folder.path("files/gone.txt");
        const QString id1 = "0d1f4b2a-1111-4c3e-9a55-aaaaaaaaaaaa"; // lower case is read too
        const QString id2 = "0D1F4B2A-2222-4C3E-9A55-AAAAAAAAAAAA";
        const QString id3 = "0D1F4B2A-3333-4C3E-9A55-AAAAAAAAAAAA";
        writeTrayFile(QStringLiteral(R"([{"path":"%1","id":"%2","extra":[1,2]},)"
                                     R"({"id":"%2","path":"%3"},)"
                                     R"({"id":"%4","path":"%5","bookmark":null},)"
                                     R"({"id":"%6","path":"%7"}])")
                          .arg(a, id1, b, id2, m_folder.path("files/./sub/../a.txt"), id3, missing)
                          .toUtf8());
        auto store = started();
        QCOMPARE(store->items(),
                 (QList<TrayItem>{{QUuid::fromString(id1), QUrl::fromLocalFile(a), true},
                                  {QUuid::fromString(id3), QUrl::fromLocalFile(missing), false}}));
        QVERIFY(store->message().isEmpty());
        QCOMPARE(m_files.writes, 0);

        // The dropped duplicates leave the file at the next save; entries
        // without a bookmark are written back without one.
        store->addFiles({QUrl::fromLocalFile(b)});
        const QString idB = UuidText::format(store->items().last().id);
        QCOMPARE(readFile(trayFile()),
                 QStringLiteral(R"([{"id":"%1","path":"%2"},{"id":"%3","path":"%4"},)"
                                R"({"id":"%5","bookmark":"%6","path":"%7"}])")
                     .arg(id1.toUpper(), a, id3, missing, idB, base64Bookmark(b), b)
                     .toUtf8());
    }

    void unresolvableBookmarkIsKeptAndWrittenBack()
    {
        const QString gone = file("gone.txt");
        const QByteArray staleBytes = base64Bookmark(gone);
        QFile::remove(gone);
        const QByteArray notABookmark = QByteArray("not a bookmark").toBase64();
        writeTrayFile(QStringLiteral(R"([{"id":"%1","bookmark":"%2","path":"%3"},)"
                                     R"({"id":"%4","bookmark":"%5","path":"%6"}])")
                          .arg(UuidText::format(QUuid::createUuid()), staleBytes, gone,
                               UuidText::format(QUuid::createUuid()), notABookmark,
                               m_folder.path("files/other.txt"))
                          .toUtf8());
        auto store = started();
        QCOMPARE(store->message(), kRestoreFailed);
        QCOMPARE(paths(store->items()), (QList<QString>{gone, m_folder.path("files/other.txt")}));
        QVERIFY(!store->items()[0].isAvailable);

        store->addFiles({QUrl::fromLocalFile(file("new.txt"))});
        const QByteArray saved = readFile(trayFile());
        QVERIFY(saved.contains("\"bookmark\":\"" + staleBytes + "\""));
        QVERIFY(saved.contains("\"bookmark\":\"" + notABookmark + "\""));
    }

    void unreadableTrayFileIsNeverOverwritten_data()
    {
        const QByteArray good = "\"id\":\"0D1F4B2A-1111-4C3E-9A55-AAAAAAAAAAAA\"";
        QTest::addColumn<QByteArray>("bytes");
        row("truncated", "[{" + good + ",\"path\":\"/tmp/a\"");
        row("not JSON", QByteArray("tray: /tmp/a"));
        row("empty file", QByteArray());
        row("object, not array", "{" + good + ",\"path\":\"/tmp/a\"}");
        row("array of strings", QByteArray("[\"/tmp/a\"]"));
        row("missing path", "[{" + good + "}]");
        row("missing id", QByteArray("[{\"path\":\"/tmp/a\"}]"));
        row("path not a string", "[{" + good + ",\"path\":7}]");
        row("bad UUID",
            QByteArray(R"([{"id":"0D1F4B2A-1111-4C3E-9A55-AAAAAAAAAAAZ","path":"/tmp/a"}])"));
        row("UUID in braces",
            QByteArray(R"([{"id":"{0D1F4B2A-1111-4C3E-9A55-AAAAAAAAAAAA}","path":"/tmp/a"}])"));
        row("bookmark unpadded", "[{" + good + R"(,"bookmark":"YWJj YQ","path":"/a"}])");
        row("bookmark missing padding", "[{" + good + R"(,"bookmark":"YWJjZA","path":"/a"}])");
        row("bookmark url-safe", "[{" + good + R"(,"bookmark":"YW-_","path":"/a"}])");
        row("bookmark not text", "[{" + good + R"(,"bookmark":12,"path":"/a"}])");
        row("trailing garbage", "[{" + good + ",\"path\":\"/tmp/a\"}]x");
    }

    void unreadableTrayFileIsNeverOverwritten()
    {
        QFETCH(QByteArray, bytes);
        writeTrayFile(bytes);
        auto store = started();
        const QString keptIn = QStringLiteral(" New files are kept in tray.recovered.json.");
        QCOMPARE(store->message(), kUnreadable + keptIn);
        QVERIFY(!store->canWrite());
        QVERIFY(store->items().isEmpty());

        // The tray goes on in a recovery file beside it; every change says so.
        const QString a = file("a.txt"), b = file("b.txt");
        store->addFiles({QUrl::fromLocalFile(a), QUrl::fromLocalFile(b)});
        QCOMPARE(paths(store->items()), (QList<QString>{a, b}));
        QCOMPARE(store->message(), kRefused + keptIn);
        store->remove(store->items().first().id);
        QCOMPARE(store->message(), kRefused + keptIn);
        store.reset();
        QCOMPARE(readFile(trayFile()), bytes);

        // The next start goes on from the recovery file; once the tray file
        // reads again, the recovery file is named, not merged.
        store = started();
        QCOMPARE(paths(store->items()), QList<QString>{b});
        store.reset();
        writeTrayFile("[]");
        store = started();
        QVERIFY(store->items().isEmpty());
        QCOMPARE(store->message(),
                 QString("Files added while tray.json couldn't be read are listed in "
                         "tray.recovered.json."));
    }

    void pipeDeviceOrHugeTrayFileIsNeverRead_data() { UnreadableFiles::rows(); }
    void pipeDeviceOrHugeTrayFileIsNeverRead()
    {
        std::unique_ptr<FileTrayStore> store;
        const QByteArray head =
            "[{\"id\":\"0D1F4B2A-1111-4C3E-9A55-AAAAAAAAAAAA\",\"path\":\"/\",\"x\":\"";
        const auto load = [&](auto &) { store = started(); };
        QVERIFY(UnreadableFiles::keptAfter(trayFile(), 8 << 20, head, "\"}]", load));
        QVERIFY(store->message().startsWith(kUnreadable));
    }

    void addingFollowsTheTrayRules()
    {
        const QString a = file("a.txt"), b = file("dir/b.txt");
        auto store = started();
        QSignalSpy itemsChanged(store.get(), &FileTrayStore::itemsChanged);
        store->addFiles({QUrl::fromLocalFile(m_folder.path("files/dir/../a.txt")),
                         QUrl::fromLocalFile(m_folder.path("files/missing.txt")),
                         QUrl("https://example.org/a.txt"), QUrl::fromLocalFile(b)});
        QCOMPARE(paths(store->items()), (QList<QString>{a, b}));
        QCOMPARE(store->message(), kRejected);
        QCOMPARE(itemsChanged.count(), 1);
        QCOMPARE(m_files.writes, 1);

        // Already present and available: nothing changes, and no message.
        store->addFiles({QUrl::fromLocalFile(a)});
        QVERIFY(store->message().isEmpty());
        QCOMPARE(itemsChanged.count(), 1);
        QCOMPARE(m_files.writes, 1);

        // An empty drop only clears the message.
        store->setMessage("old");
        store->addFiles({});
        QVERIFY(store->message().isEmpty());
        QCOMPARE(m_files.writes, 1);

        // Present but unavailable: replaced by a new entry at the end.
        const QUuid oldID = store->items().first().id;
        QFile::remove(a);
        store->refreshAvailability();
        file("a.txt");
        store->addFiles({QUrl::fromLocalFile(a)});
        QCOMPARE(paths(store->items()), (QList<QString>{b, a}));
        QVERIFY(store->items().last().id != oldID);
        QVERIFY(store->items().last().isAvailable);
        QVERIFY(!readFile(trayFile()).contains(UuidText::format(oldID).toLatin1()));

        // A folder is as welcome as a file.
        store->addFiles({QUrl::fromLocalFile(m_folder.path("files/dir/"))});
        QCOMPARE(store->items().last().url.toLocalFile(), m_folder.path("files/dir"));
    }

    void removeAndClearRewriteTheFile()
    {
        const QString a = file("a.txt"), b = file("b.txt");
        auto store = started();
        store->addFiles({QUrl::fromLocalFile(a), QUrl::fromLocalFile(b)});
        const QUuid idA = store->items().first().id;

        store->setMessage("something");
        store->remove(idA);
        QCOMPARE(paths(store->items()), (QList<QString>{b}));
        QVERIFY(store->message().isEmpty());
        QVERIFY(!readFile(trayFile()).contains(UuidText::format(idA).toLatin1()));

        // Removing an unknown id still clears the message and rewrites the file.
        QFile::remove(trayFile());
        store->setMessage("something");
        store->remove(QUuid::createUuid());
        QVERIFY(store->message().isEmpty());
        QVERIFY(readFile(trayFile()).contains(b.toUtf8()));

        store->clear();
        QVERIFY(store->items().isEmpty());
        QCOMPARE(readFile(trayFile()), "[]");
    }

    void availabilityFollowsDeletedMovedAndReplacedFiles()
    {
        const QString deleted = file("deleted.txt"), moved = file("moved.txt"),
                      replaced = file("replaced.txt");
        auto store = started();
        store->addFiles({QUrl::fromLocalFile(deleted), QUrl::fromLocalFile(moved),
                         QUrl::fromLocalFile(replaced)});
        QFile::remove(deleted);
        QVERIFY(QFile::rename(moved, m_folder.path("files/elsewhere.txt")));
        // A new file moved into place: the path stays, the inode changes.
        writeFile(replaced + ".new", "replacement");
        QVERIFY(::rename(QFile::encodeName(replaced + ".new"), QFile::encodeName(replaced)) == 0);

        QVERIFY(store->checkAvailability(store->items()[2]));
        QVERIFY(store->message().isEmpty());
        QVERIFY(store->items()[0].isAvailable); // nothing re-checked yet

        QVERIFY(!store->checkAvailability(store->items()[1]));
        QCOMPARE(store->message(), kUnavailable);
        QCOMPARE(store->items()[0].isAvailable, false);
        QCOMPARE(store->items()[1].isAvailable, false);
        QCOMPARE(store->items()[2].isAvailable, true);

        // Coming back to the program re-checks every entry, as a later task.
        file("deleted.txt");
        QSignalSpy itemsChanged(store.get(), &FileTrayStore::itemsChanged);
        emit m_activation.becameActive();
        QCOMPARE(itemsChanged.count(), 0);
        QTRY_COMPARE(itemsChanged.count(), 1);
        QCOMPARE(store->items()[0].isAvailable, true);
        // Published again even when nothing changed.
        store->refreshAvailability();
        QCOMPARE(itemsChanged.count(), 2);

        // The replaced file's bookmark is stale at the next start and renewed
        // with one rewrite; the run after that writes nothing.
        store.reset();
        const QByteArray before = readFile(trayFile());
        m_files.writes = 0;
        store = started();
        QCOMPARE(m_files.writes, 1);
        QVERIFY(readFile(trayFile()) != before);
        QVERIFY(readFile(trayFile()).contains(base64Bookmark(replaced)));
        QCOMPARE(store->message(), kRestoreFailed); // the moved file's bookmark leads nowhere
        QCOMPARE(store->items()[1].isAvailable, false);
        store.reset();
        store = started();
        QCOMPARE(m_files.writes, 1);
    }

    void failedWritesKeepMemoryAndTheOldFile()
    {
        if (::geteuid() == 0)
            QSKIP("permission bits do not bind this user");
        const QString a = file("a.txt"), b = file("b.txt");
        auto store = started();
        store->addFiles({QUrl::fromLocalFile(a)});
        const QByteArray saved = readFile(trayFile());
        const QString folder = QFileInfo(trayFile()).absolutePath();

        QVERIFY(::chmod(QFile::encodeName(folder), 0500) == 0);
        store->addFiles({QUrl::fromLocalFile(b)});
        QCOMPARE(store->message(), kSaveFailed);
        QCOMPARE(paths(store->items()), (QList<QString>{a, b}));
        QCOMPARE(readFile(trayFile()), saved);
        QCOMPARE(QDir(folder).entryList(QDir::Files | QDir::Hidden), QStringList{"tray.json"});

        // A later successful write catches up with everything in memory.
        QVERIFY(::chmod(QFile::encodeName(folder), 0700) == 0);
        store->remove(QUuid::createUuid());
        QVERIFY(store->message().isEmpty());
        QVERIFY(readFile(trayFile()).contains(b.toUtf8()));

        // A folder that cannot be created at all.
        FileTrayStore blocked(m_folder.path("files/a.txt/Velloway/tray.json"), &m_files, nullptr,
                              &m_activation);
        blocked.start();
        blocked.addFiles({QUrl::fromLocalFile(b)});
        QCOMPARE(blocked.message(), kSaveFailed);
        QCOMPARE(blocked.items().size(), 1);
    }
};

QTEST_GUILESS_MAIN(FileTrayStoreTest)
#include "tst_filetraystore.moc"
