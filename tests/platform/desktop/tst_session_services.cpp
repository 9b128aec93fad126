#include "platform/desktop/MotionPreference.h"
#include "platform/desktop/SingleInstance.h"
#include "support/FileOwnership.h"

#include <QLocalSocket>
#include <QProcess>
#include <QSignalSpy>
#include <QSysInfo>
#include <QTemporaryDir>
#include <QTest>

class SessionServicesTest : public QObject
{
    Q_OBJECT

private slots:
    void lockOfACopyThatDiedIsRecoveredAndLaterCopiesReopenIt()
    {
        QTemporaryDir folder;
        // A process that has certainly ended leaves its pid in the lock.
        QProcess gone;
        gone.start(QStringLiteral("true"), {});
        QVERIFY(gone.waitForFinished());
        const qint64 deadPid = gone.processId() > 0 ? gone.processId() : 999'999;
        FileOwnership::writeFile(folder.filePath("velloway.lock"),
                                 QByteArray::number(deadPid) + "\nvelloway\n" +
                                     QSysInfo::machineHostName().toUtf8() + "\n");
        // So is a socket file left behind.
        FileOwnership::writeFile(folder.filePath("velloway.socket"), {});

        SingleInstance instance(folder.path());
        QCOMPARE(instance.acquire(), SingleInstance::Result::Acquired);
        SingleInstance later(folder.path()); // a second copy is turned away and reopens the first
        QCOMPARE(later.acquire(), SingleInstance::Result::HeldByAnother);
        QSignalSpy reopened(&instance, &SingleInstance::reopenRequested);
        QVERIFY(later.askRunningCopyToReopen());
        QTRY_COMPARE(reopened.count(), 1);
    }

    void strangersOnTheSocketAreIgnored()
    {
        QTemporaryDir folder;
        SingleInstance instance(folder.path());
        QCOMPARE(instance.acquire(), SingleInstance::Result::Acquired);
        QSignalSpy reopened(&instance, &SingleInstance::reopenRequested);
        QLocalSocket stranger;
        stranger.connectToServer(folder.filePath(QStringLiteral("velloway.socket")));
        QVERIFY(stranger.waitForConnected(1000));
        stranger.write(QByteArray(100'000, 'x'));
        stranger.waitForBytesWritten(1000);
        QTRY_COMPARE(stranger.state(), QLocalSocket::UnconnectedState);
        QCOMPARE(reopened.count(), 0);
    }

    void desktopMotionSettingsAreRead()
    {
        QVERIFY(MotionPreference::gnomeValueReducesMotion("false\n"));
        QVERIFY(!MotionPreference::gnomeValueReducesMotion("true\n"));
        QVERIFY(!MotionPreference::gnomeValueReducesMotion(""));

        QTemporaryDir folder;
        const auto kdeglobals = [&](const QByteArray &contents) {
            FileOwnership::writeFile(folder.filePath("kdeglobals"), contents);
            return MotionPreference::kdeFileReducesMotion(folder.filePath("kdeglobals"));
        };
        QVERIFY(kdeglobals("[KDE]\nAnimationDurationFactor=0\n"));
        QVERIFY(!kdeglobals("[KDE]\nAnimationDurationFactor=0.5\n"));
        QVERIFY(!kdeglobals("[General]\nColorScheme=Breeze\n"));
        QVERIFY(!kdeglobals("[KDE]\nAnimationDurationFactor=fast\n"));
        QVERIFY(
            !MotionPreference::kdeFileReducesMotion(folder.filePath(QStringLiteral("missing"))));
    }
};

QTEST_GUILESS_MAIN(SessionServicesTest)
#include "tst_session_services.moc"
