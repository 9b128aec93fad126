#include "app/AppDelegate.h"
#include "crest/CrestPanel.h"
#include "crest/CrestState.h"
#include "crest/CrestView.h"
#include "platform/desktop/X11DesktopEvents.h"
#include "support/VirtualTime.h"

#include <QApplication>
#include <QCursor>
#include <QMenu>
#include <QProcess>
#include <QScreen>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

// The delegate on a real (virtual) X display, with virtual time driving
// every delay.
class AppDelegateTest : public QObject
{
    Q_OBJECT

private:
    static void pointerAt(QPoint point)
    {
        QCursor::setPos(point);
        QTRY_COMPARE(QCursor::pos(), point);
    }

    QTemporaryDir m_home;

private slots:
    void initTestCase()
    {
        // The delegate owns the tray and notes stores: keep their files out
        // of the user's own data folder.
        qputenv("XDG_DATA_HOME", QFile::encodeName(m_home.filePath("data")));
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_home.filePath("config")));
    }

    void launchPlacesTheCrestOnTheTopEdgeShowingOnlyTheNotch()
    {
        pointerAt({10, 900});
        VirtualTime time;
        AppDelegate delegate(time, time);
        delegate.applicationDidFinishLaunching();

        const QRect screen = QGuiApplication::primaryScreen()->geometry();
        QCOMPARE(delegate.state().notchWidth(), 126.0);
        QCOMPARE(delegate.state().topHeight(), 32.0);
        CrestPanel *panel = delegate.panel();
        QVERIFY(panel->isVisible());
        QCOMPARE(panel->geometry(), QRect(screen.center().x() + 1 - 330, screen.top(), 660, 170));
        QCOMPARE(panel->mask().boundingRect().size(), QSize(126, 32));
        QVERIFY(!panel->acceptsMouse());
    }

    void collapseKeepsThePanelUntilTheHideDelayUnlessReopened()
    {
        pointerAt({10, 900});
        VirtualTime time;
        AppDelegate delegate(time, time);
        delegate.applicationDidFinishLaunching();
        CrestView *view = delegate.view();

        delegate.setExpanded(true);
        QVERIFY(delegate.panel()->acceptsMouse());
        time.advance(1.0);
        QCOMPARE(view->progress(), 1.0);
        QCOMPARE(delegate.panel()->mask().boundingRect().size(), QSize(660, 170));

        delegate.setExpanded(false);
        QVERIFY(!delegate.panel()->acceptsMouse()); // click-through at once
        time.advance(0.2);
        QVERIFY(view->progress() > 0);
        delegate.setExpanded(true); // back within the hide delay
        time.advance(0.2);
        QVERIFY(view->progress() > 0.5);
        time.advance(1.0);
        QCOMPARE(view->progress(), 1.0);

        delegate.setExpanded(false);
        time.advance(0.33);
        QVERIFY(view->progress() > 0);
        time.advance(0.01);
        QCOMPARE(view->progress(), 0.0);
        QCOMPARE(delegate.panel()->mask().boundingRect().size(), QSize(126, 32));
    }

    void pointerTimerOpensAndClosesTheCrest()
    {
        pointerAt({10, 900});
        VirtualTime time;
        AppDelegate delegate(time, time);
        delegate.applicationDidFinishLaunching();
        const QRect screen = QGuiApplication::primaryScreen()->geometry();

        pointerAt({screen.center().x(), screen.top() + 10});
        time.advance(0.05 + CrestState::kHoverDelay);
        QVERIFY(delegate.state().isExpanded());

        pointerAt({screen.center().x(), screen.top() + 170 + 10}); // inside the 16-point margin
        time.advance(1.0);
        QVERIFY(delegate.state().isExpanded());

        pointerAt({10, 900});
        time.advance(0.05 + CrestState::kDismissalDelay);
        QVERIFY(!delegate.state().isExpanded());
    }

    void pressesInOtherProgramsAreSeen()
    {
        X11DesktopEvents events;
        QVERIFY(events.start());
        QSignalSpy presses(&events, &X11DesktopEvents::mousePressed);
        // xdotool is another X client: its click goes to the root window,
        // which belongs to no window of ours.
        pointerAt({10, 900});
        QCOMPARE(QProcess::execute(QStringLiteral("xdotool"),
                                   {QStringLiteral("click"), QStringLiteral("3")}),
                 0);
        QTRY_VERIFY(presses.count() >= 1);
        QCOMPARE(QProcess::execute(QStringLiteral("xdotool"),
                                   {QStringLiteral("click"), QStringLiteral("4")}),
                 0);
        QTest::qWait(100);
        const int afterScroll = presses.count();
        events.stop();
        QCOMPARE(QProcess::execute(QStringLiteral("xdotool"),
                                   {QStringLiteral("click"), QStringLiteral("1")}),
                 0);
        QTest::qWait(100);
        QCOMPARE(presses.count(), afterScroll);
    }

    void openMenuHoldsTheCrestOpenAndClosingItDismisses()
    {
        pointerAt({10, 900});
        VirtualTime time;
        AppDelegate delegate(time, time);
        delegate.applicationDidFinishLaunching();
        delegate.setExpanded(true);

        QMenu menu;
        menu.addAction(QStringLiteral("Item"));
        menu.popup({400, 400});
        QTRY_VERIFY(delegate.isMenuTracking());
        delegate.state().pointerChanged(true);
        delegate.state().pointerChanged(false);
        time.advance(2.0);
        QVERIFY(delegate.state().isExpanded());

        menu.hide();
        QVERIFY(!delegate.isMenuTracking());
        time.advance(CrestState::kDismissalDelay + 0.05);
        QVERIFY(!delegate.state().isExpanded());
    }
};

QTEST_MAIN(AppDelegateTest)
#include "tst_app_delegate.moc"
