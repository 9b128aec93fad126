#include "platform/apps/SystemApplicationLookup.h"
#include "players/model/MusicSource.h"
#include "support/FileOwnership.h"
#include "support/VirtualTime.h"

#include <QFile>
#include <QProcess>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

namespace {

// A real process whose executable is named `name`: a copy of sleep.
std::unique_ptr<QProcess> startNamed(const QTemporaryDir &dir, const QString &name)
{
    const QString path = dir.filePath(name);
    if (!QFile::exists(path) && !QFile::copy(QStringLiteral("/bin/sleep"), path))
        return nullptr;
    auto process = std::make_unique<QProcess>();
    process->start(path, {QStringLiteral("30")});
    if (!process->waitForStarted())
        return nullptr;
    return process;
}

void stop(QProcess &process)
{
    process.kill();
    process.waitForFinished();
}

} // namespace

class ApplicationLookupTest : public QObject
{
    Q_OBJECT

private slots:
    void findsTheOldestProcessOfASource()
    {
        QTemporaryDir dir;
        VirtualTime time;
        SystemApplicationLookup lookup(time);
        const MusicSource spotify = MusicSource::spotify;
        QCOMPARE(spotify.processID(lookup), std::nullopt);

        auto first = startNamed(dir, QStringLiteral("spotify"));
        auto second = startNamed(dir, QStringLiteral("spotify"));
        auto chromium = startNamed(dir, QStringLiteral("chromium"));
        QVERIFY(first && second && chromium);
        time.advance(1);
        QCOMPARE(spotify.processID(lookup), std::optional<qint32>(first->processId()));
        QCOMPARE(MusicSource(MusicSource::chrome).processID(lookup),
                 std::optional<qint32>(chromium->processId()));
        QCOMPARE(MusicSource(MusicSource::brave).processID(lookup), std::nullopt);
        // No Linux build: its web player runs in whichever browser runs.
        QCOMPARE(MusicSource(MusicSource::appleMusic).processID(lookup),
                 std::optional<qint32>(chromium->processId()));

        stop(*first);
        time.advance(1);
        QCOMPARE(spotify.processID(lookup), std::optional<qint32>(second->processId()));
        stop(*second);
        stop(*chromium);
        time.advance(1);
        QCOMPARE(spotify.processID(lookup), std::nullopt);
    }

    void oneScanServesEveryQueryOfAPollTick()
    {
        QTemporaryDir dir;
        VirtualTime time;
        SystemApplicationLookup lookup(time, Seconds(0.5));
        for (MusicSource source : MusicSource::allCases())
            (void)source.processID(lookup);
        QCOMPARE(lookup.scanCount(), 1);

        // A player started within the tick is seen at the next one.
        auto brave = startNamed(dir, QStringLiteral("brave"));
        QVERIFY(brave);
        QCOMPARE(MusicSource(MusicSource::brave).processID(lookup), std::nullopt);
        time.advance(0.5);
        QCOMPARE(MusicSource(MusicSource::brave).processID(lookup),
                 std::optional<qint32>(brave->processId()));
        QCOMPARE(lookup.scanCount(), 2);
        stop(*brave);
        lookup.invalidate();
        QCOMPARE(MusicSource(MusicSource::brave).processID(lookup), std::nullopt);
        QCOMPARE(lookup.scanCount(), 3);
    }

    void installedMeansADesktopEntryOrAnExecutableOnPath()
    {
        const QByteArray savedPath = qgetenv("PATH");
        const auto restore = qScopeGuard([&] {
            qunsetenv("XDG_DATA_HOME");
            qunsetenv("XDG_DATA_DIRS");
            qputenv("PATH", savedPath);
        });
        QTemporaryDir data, system, bin;
        qputenv("XDG_DATA_HOME", QFile::encodeName(data.path()));
        qputenv("XDG_DATA_DIRS", QFile::encodeName(system.path()));
        qputenv("PATH", QFile::encodeName(bin.path()));
        VirtualTime time;
        SystemApplicationLookup lookup(time);
        for (MusicSource source : MusicSource::allCases())
            QVERIFY2(!source.isInstalled(lookup), qPrintable(source.rawValue()));

        const QByteArray entry =
            "[Desktop Entry]\nType=Application\nName=Brave\nExec=brave-browser\n";
        QVERIFY(QDir(data.path()).mkpath("applications") &&
                QDir(system.path()).mkpath("applications"));
        FileOwnership::writeFile(data.filePath("applications/brave-browser.desktop"), entry);
        FileOwnership::writeFile(system.filePath("applications/msedge.desktop"), entry);
        FileOwnership::writeFile(system.filePath("applications/microsoft-edge.desktop"), entry);

        // A file on PATH counts only when it can be executed.
        QFile plain(bin.filePath("spotify"));
        FileOwnership::writeFile(plain.fileName(), {});
        QVERIFY(!MusicSource(MusicSource::spotify).isInstalled(lookup));
        QVERIFY(plain.setPermissions(QFile::ReadOwner | QFile::ExeOwner));
        QVERIFY(QFile::copy(plain.fileName(), bin.filePath("Safari")));

        QVERIFY(MusicSource(MusicSource::brave).isInstalled(lookup));
        QVERIFY(MusicSource(MusicSource::edge).isInstalled(lookup));
        QVERIFY(MusicSource(MusicSource::spotify).isInstalled(lookup));
        QVERIFY(!MusicSource(MusicSource::chrome).isInstalled(lookup));
        QVERIFY(!MusicSource(MusicSource::safari).isInstalled(lookup));
        QVERIFY(MusicSource(MusicSource::appleMusic).isInstalled(lookup)); // Brave and Edge
    }
};

QTEST_GUILESS_MAIN(ApplicationLookupTest)
#include "tst_applicationlookup.moc"
