#include "core/TimerScheduler.h"
#include "support/VirtualTime.h"

#include <QSignalSpy>
#include <QTest>

class SchedulingTest : public QObject
{
    Q_OBJECT

private slots:
    void virtualTimeRunsDueCallbacksInOrder()
    {
        VirtualTime time;
        QStringList order;
        auto late = time.after(Seconds(0.3), [&] { order << "late"; });
        auto early = time.after(Seconds(0.1), [&] { order << "early"; });
        auto tie = time.after(Seconds(0.1), [&] { order << "tie"; });
        CancelHandle nested;
        auto outer = time.after(Seconds(0.2), [&] {
            order << "outer";
            nested = time.after(Seconds(0.05), [&] { order << "nested"; });
        });
        time.advance(0.1);
        QCOMPARE(order, (QStringList{"early", "tie"}));
        time.advance(1.0);
        QCOMPARE(order, (QStringList{"early", "tie", "outer", "nested", "late"}));
        QCOMPARE(time.now().count(), 1.1);
    }

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

    void repeatingTimerTicksUntilCancelledEvenFromItsOwnCallback()
    {
        VirtualTime time;
        int ticks = 0;
        CancelHandle timer;
        timer = time.every(Seconds(0.05), Seconds(0.01), [&] {
            if (++ticks == 4)
                timer.cancel();
        });
        time.advance(1.0);
        QCOMPARE(ticks, 4);
    }

    void wallClockFollowsVirtualTime()
    {
        VirtualTime time;
        const QDateTime start(QDate(2026, 3, 1), QTime(8, 0), Qt::UTC);
        time.setWallNow(start);
        time.advance(90.0);
        QCOMPARE(time.wallNow(), start.addSecs(90));
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
};

QTEST_GUILESS_MAIN(SchedulingTest)
#include "tst_scheduling.moc"
