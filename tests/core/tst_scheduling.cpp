#include "core/SystemClock.h"
#include "core/TimerScheduler.h"
#include "support/VirtualTime.h"

#include <QTest>

class SchedulingTest : public QObject
{
    Q_OBJECT

private slots:
    void cancelledReplacedOrDestroyedHandlesNeverAct()
    {
        VirtualTime time;
        int fired = 0;
        CancelHandle slot = time.after(Seconds(0.1), [&] { fired += 1; });
        slot = time.after(Seconds(0.2), [&] { fired += 10; }); // replaces: the first never acts
        {
            auto dropped = time.after(Seconds(0.1), [&] { fired += 100; });
        }
        auto cancelled = time.after(Seconds(0.1), [&] { fired += 1000; });
        cancelled.cancel();
        time.advance(1.0);
        QCOMPARE(fired, 10);
        QCOMPARE(time.pendingCount(), 0);
    }

    void timerSchedulerFiresOnceAndHonoursCancel()
    {
        TimerScheduler scheduler;
        int fired = 0;
        auto kept = scheduler.after(Seconds(0.01), [&] { ++fired; });
        auto cancelled = scheduler.after(Seconds(0.01), [&] { fired += 100; });
        cancelled.cancel();
        bool later = false;
        auto marker = scheduler.after(Seconds(0.02), [&] { later = true; });
        QTRY_VERIFY(later);
        QCOMPARE(fired, 1);
    }

    void systemWallClockIsUtcNow()
    {
        const QDateTime now = SystemClock::shared().wallNow();
        QCOMPARE(now.timeSpec(), Qt::UTC); // saved dates end in "Z"
        QVERIFY(qAbs(now.secsTo(QDateTime::currentDateTimeUtc())) < 60);
    }
};

QTEST_GUILESS_MAIN(SchedulingTest)
#include "tst_scheduling.moc"
