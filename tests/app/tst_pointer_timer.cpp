#include "app/AppDelegate.h"
#include "crest/CrestState.h"
#include "support/VirtualTime.h"

#include <QCursor>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>

// The pointer timer on a real (virtual) X display: asleep while nothing it
// could report matters, woken by the pointer entering the notch.
class PointerTimerTest : public QObject
{
    Q_OBJECT

    QTemporaryDir m_home;

private slots:
    void initTestCase()
    {
        qputenv("XDG_DATA_HOME", QFile::encodeName(m_home.filePath("data")));
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_home.filePath("config")));
    }

    void sleepsWhileCollapsedAndAwayAndWakesOnEnteringTheNotch()
    {
        const QRect screen = QGuiApplication::primaryScreen()->geometry();
        QCursor::setPos(10, 900);
        QTRY_COMPARE(QCursor::pos(), QPoint(10, 900));
        VirtualTime time;
        AppDelegate delegate(time, time);
        delegate.applicationDidFinishLaunching();
        delegate.music().stop(); // its players poll on the same clock
        QTest::qWait(50);        // events of the panel's mapping
        time.advance(AppDelegate::kPointerInterval);
        QCOMPARE(time.pendingCount(), 0);

        // The entry is reported at once: no tick has to come first.
        QCursor::setPos(screen.center().x(), screen.top() + 10);
        QTRY_VERIFY(time.pendingCount() > 0);
        time.advance(CrestState::kHoverDelay);
        QVERIFY(delegate.state().isExpanded());

        QCursor::setPos(10, 900);
        time.advance(AppDelegate::kPointerInterval + CrestState::kDismissalDelay);
        QVERIFY(!delegate.state().isExpanded());
        time.advance(AppDelegate::kHideDelay + AppDelegate::kPointerInterval);
        delegate.music().stop(); // opening refreshed the players, on the same clock
        QCOMPARE(time.pendingCount(), 0);
    }
};

QTEST_MAIN(PointerTimerTest)
#include "tst_pointer_timer.moc"
