#include "crest/CrestPanel.h"
#include "crest/CrestPlacer.h"
#include "crest/CrestPointerTracker.h"
#include "crest/CrestState.h"
#include "platform/desktop/QtPointerSource.h"
#include "platform/desktop/QtScreenSource.h"
#include "support/MemorySettings.h"
#include "support/VirtualTime.h"

#include <QCursor>
#include <QScreen>
#include <QTest>

namespace {

// The crest's panel placed on a real (virtual) X display, its state machine
// told where the real pointer is, with virtual time driving every delay.
struct Tracked
{
    VirtualTime time;
    MemorySettings settings;
    QtScreenSource screens;
    QtPointerSource pointer;
    CrestState state{time};
    CrestPanel panel;
    CrestPlacer placer{state, panel, screens, settings, time, [] { return false; }};
    CrestPointerTracker tracker{state, placer, pointer, time};

    Tracked()
    {
        state.expand = [this] { placer.setExpanded(true); };
        state.collapse = [this] { placer.setExpanded(false); };
        state.containsPointer = [this] { return tracker.pointerInside().value_or(false); };
        state.isHoverAllowed = [this] { return tracker.isHoverAllowed(); };
        QObject::connect(&panel, &CrestPanel::pointerEntered, &tracker,
                         &CrestPointerTracker::pointerEntered);
        placer.place();
        panel.showAndRaise();
        tracker.start();
    }
};

void pointerAt(QPoint point)
{
    QCursor::setPos(point);
    QTRY_COMPARE(QCursor::pos(), point);
}

} // namespace

class CrestPointerTrackerTest : public QObject
{
    Q_OBJECT

private slots:
    // The timer sleeps while nothing it could report matters and is woken by
    // the pointer entering the notch.
    void timerOpensAndClosesTheCrest()
    {
        pointerAt({10, 900});
        Tracked crest;
        const QRect screen = QGuiApplication::primaryScreen()->geometry();
        QTest::qWait(50); // events of the panel's mapping
        crest.time.advance(CrestPointerTracker::kInterval);
        QCOMPARE(crest.time.pendingCount(), 0);

        // The entry is reported at once: no tick has to come first.
        QCursor::setPos(screen.center().x(), screen.top() + 10);
        QTRY_VERIFY(crest.time.pendingCount() > 0);
        crest.time.advance(CrestState::kHoverDelay);
        QVERIFY(crest.state.isExpanded());

        pointerAt({screen.center().x(), screen.top() + 170 + 10}); // inside the 16-point margin
        crest.time.advance(1.0);
        QVERIFY(crest.state.isExpanded());

        pointerAt({10, 900});
        crest.time.advance(CrestPointerTracker::kInterval + CrestState::kDismissalDelay);
        QVERIFY(!crest.state.isExpanded());
        crest.time.advance(CrestPlacer::kHideDelay + CrestPointerTracker::kInterval);
        QCOMPARE(crest.time.pendingCount(), 0);
    }
};

QTEST_MAIN(CrestPointerTrackerTest)
#include "tst_crest_pointer_tracker.moc"
