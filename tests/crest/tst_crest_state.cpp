#include "crest/CrestState.h"
#include "support/VirtualTime.h"

#include <QSignalSpy>
#include <QTest>

namespace {

// The state machine with the closures the delegate would install, backed by
// plain flags the test flips.
struct Harness
{
    VirtualTime time;
    CrestState state{time};
    bool pointerInside = false;
    bool interaction = false;
    bool hoverAllowed = true;
    int expands = 0;
    int collapses = 0;

    Harness()
    {
        state.expand = [this] {
            ++expands;
            state.setExpanded(true);
        };
        state.collapse = [this] {
            ++collapses;
            state.setExpanded(false);
        };
        state.containsPointer = [this] { return pointerInside; };
        state.isInteractionActive = [this] { return interaction; };
        state.isHoverAllowed = [this] { return hoverAllowed; };
    }

    void moveInside(bool inside)
    {
        pointerInside = inside;
        state.pointerChanged(inside);
    }

    void open()
    {
        moveInside(true);
        time.advance(CrestState::kHoverDelay);
        QVERIFY(state.isExpanded());
    }
};

} // namespace

class CrestStateTest : public QObject
{
    Q_OBJECT

private slots:
    void hoverExpandsOnlyAfterTheDelayWithThePointerStillInside()
    {
        Harness h;
        h.moveInside(true);
        h.time.advance(0.11);
        QVERIFY(!h.state.isExpanded());
        h.time.advance(0.01);
        QVERIFY(h.state.isExpanded());
        QCOMPARE(h.expands, 1);

        Harness quick;
        quick.moveInside(true);
        quick.time.advance(0.06);
        quick.moveInside(false);
        quick.time.advance(1.0);
        QCOMPARE(quick.expands, 0);

        // The hover task re-checks the pointer itself: a pointer that left
        // without a report does not open the crest.
        Harness silent;
        silent.moveInside(true);
        silent.pointerInside = false;
        silent.time.advance(1.0);
        QCOMPARE(silent.expands, 0);
    }

    void repeatedEqualReportsRestartNothing()
    {
        Harness h;
        h.moveInside(true);
        for (int i = 0; i < 2; ++i) {
            h.time.advance(0.05);
            h.state.pointerChanged(true); // the pointer timer reports every tick
        }
        h.time.advance(0.02);
        QVERIFY(h.state.isExpanded());

        h.moveInside(false);
        for (int i = 0; i < 4; ++i) {
            h.time.advance(0.05);
            h.state.pointerChanged(false);
        }
        h.time.advance(0.04);
        QCOMPARE(h.collapses, 1);
        QVERIFY(!h.state.isExpanded());
    }

    void modifierHeldWhileArrivingSuppressesHoverUntilThePointerLeaves()
    {
        Harness h;
        h.hoverAllowed = false;
        h.moveInside(true);
        h.time.advance(1.0);
        QVERIFY(!h.state.isExpanded());

        h.hoverAllowed = true; // releasing the key while still on the notch
        h.state.pointerChanged(true);
        h.time.advance(1.0);
        QVERIFY(!h.state.isExpanded());

        h.moveInside(false);
        h.moveInside(true);
        h.time.advance(CrestState::kHoverDelay);
        QVERIFY(h.state.isExpanded());

        // Pressing the modifier during the hover delay also suppresses.
        Harness late;
        late.moveInside(true);
        late.hoverAllowed = false;
        late.time.advance(1.0);
        QVERIFY(!late.state.isExpanded());
        late.hoverAllowed = true;
        late.state.pointerChanged(true);
        late.time.advance(1.0);
        QVERIFY(!late.state.isExpanded());
    }

    void clickOnTheNotchKeepsItClosedUntilThePointerLeavesOnce()
    {
        Harness h;
        h.pointerInside = true;
        h.state.pointerPressed(true); // a press is reported before the position
        h.state.pointerChanged(true);
        h.time.advance(1.0);
        QVERIFY(!h.state.isExpanded());

        h.moveInside(false);
        h.moveInside(true);
        h.time.advance(CrestState::kHoverDelay);
        QVERIFY(h.state.isExpanded());

        // A press during the hover delay cancels it.
        Harness armed;
        armed.moveInside(true);
        armed.state.pointerPressed(true);
        armed.time.advance(1.0);
        QVERIFY(!armed.state.isExpanded());

        // Presses while open or outside change nothing.
        h.state.pointerPressed(true);
        h.state.pointerPressed(false);
        QVERIFY(h.state.isExpanded());
    }

    void leavingAndReturningWithinTheDismissalDelayKeepsItOpen()
    {
        Harness h;
        h.open();
        h.moveInside(false);
        h.time.advance(0.2);
        h.moveInside(true);
        h.time.advance(1.0);
        QVERIFY(h.state.isExpanded());
        QCOMPARE(h.collapses, 0);

        h.moveInside(false);
        h.time.advance(0.23);
        QVERIFY(h.state.isExpanded());
        h.time.advance(0.01);
        QVERIFY(!h.state.isExpanded());
    }

    void interactionsHoldItOpenUntilTheyEnd()
    {
        Harness h;
        h.open();
        h.interaction = true;
        h.moveInside(false);
        h.time.advance(5.0);
        QVERIFY(h.state.isExpanded());
        QCOMPARE(h.time.pendingCount(), 0); // nothing left pending until the next fact

        h.interaction = false;
        h.state.interactionEnded();
        h.time.advance(0.23);
        QVERIFY(h.state.isExpanded());
        h.time.advance(0.01);
        QVERIFY(!h.state.isExpanded());

        // Ending an interaction with the pointer inside schedules nothing.
        Harness inside;
        inside.open();
        inside.state.interactionEnded();
        inside.time.advance(5.0);
        QVERIFY(inside.state.isExpanded());

        // Without an interaction predicate nothing holds the crest open.
        Harness bare;
        bare.state.isInteractionActive = nullptr;
        bare.open();
        bare.moveInside(false);
        bare.time.advance(CrestState::kDismissalDelay);
        QVERIFY(!bare.state.isExpanded());
    }

    void escapeCollapsesUnlessAnInteractionIsActive()
    {
        Harness h;
        QVERIFY(!h.state.handleEscape()); // collapsed: passed on
        h.open();
        h.interaction = true;
        QVERIFY(!h.state.handleEscape());
        QVERIFY(h.state.isExpanded());
        h.interaction = false;
        QVERIFY(h.state.handleEscape());
        QVERIFY(!h.state.isExpanded());
        QCOMPARE(h.collapses, 1);
    }

    void fileDragOpensTheTrayAtOnceAndReturnsAfterItLeaves()
    {
        Harness h;
        QSignalSpy trayChanges(&h.state, &CrestState::showsTrayChanged);
        h.hoverAllowed = false; // modifiers and suppression do not stop a drag
        h.state.pointerPressed(true);
        h.state.fileDragEntered();
        QVERIFY(h.state.isExpanded());
        QVERIFY(h.state.showsTray());
        QVERIFY(h.state.isFileDragActive());

        h.state.fileDragExited();
        QVERIFY(!h.state.isFileDragActive());
        h.time.advance(0.15);
        QVERIFY(h.state.showsTray());
        h.time.advance(0.01);
        QVERIFY(!h.state.showsTray());
        h.time.advance(0.08);
        QVERIFY(!h.state.isExpanded()); // pointer outside: collapsed 0.24 s after leaving
        QCOMPARE(trayChanges.count(), 2);
    }

    void dropHoldsTheCrestOpenWhileLoadingAndKeepsTheTrayShown()
    {
        Harness h;
        h.state.fileDragEntered();
        h.state.fileDragExited(); // the platform reports a leave before the drop
        h.state.fileDropStarted();
        h.time.advance(5.0);
        QVERIFY(h.state.isExpanded());
        QVERIFY(h.state.showsTray());
        QVERIFY(h.state.isDecodingDrop());

        h.state.setTrayHasFiles(true);
        h.state.fileDropFinished();
        h.time.advance(0.23);
        QVERIFY(h.state.isExpanded());
        h.time.advance(0.01);
        QVERIFY(!h.state.isExpanded());
        QVERIFY(h.state.showsTray()); // reopening shows the files just dropped

        // With the tray still empty, a finished drop keeps the tray on screen
        // until the crest collapses.
        Harness empty;
        empty.pointerInside = true;
        empty.state.fileDragEntered();
        empty.state.fileDropStarted();
        empty.state.fileDropFinished();
        empty.state.fileDragExited();
        empty.time.advance(1.0);
        QVERIFY(empty.state.showsTray());
        empty.moveInside(false);
        empty.time.advance(1.0);
        QVERIFY(!empty.state.showsTray());
    }

    void trayFlagFollowsFilesOnlyWhenNoDragOrDropIsInProgress()
    {
        Harness h;
        h.state.setTrayHasFiles(true);
        QVERIFY(h.state.showsTray());
        h.state.setTrayHasFiles(false);
        QVERIFY(!h.state.showsTray());

        h.state.fileDragEntered();
        h.state.setTrayHasFiles(false);
        QVERIFY(h.state.showsTray());
        h.state.fileDropStarted();
        h.state.setTrayHasFiles(false);
        QVERIFY(h.state.showsTray());
        h.state.fileDropFinished();
        h.state.dismiss();
        QVERIFY(!h.state.showsTray());
    }

    void missingClosuresDegradeAsDocumented()
    {
        VirtualTime time;
        CrestState state(time);
        state.pointerChanged(true);
        time.advance(1.0);
        QVERIFY(!state.isExpanded()); // nothing installed to show it
        state.fileDragEntered();
        state.dismiss();
        QVERIFY(!state.isFileDragActive());
        QVERIFY(!state.handleEscape());
    }

    void destroyedStateLeavesNoTaskThatActs()
    {
        VirtualTime time;
        int expands = 0;
        {
            CrestState state(time);
            state.expand = [&] { ++expands; };
            state.pointerChanged(true);
        }
        time.advance(1.0);
        QCOMPARE(expands, 0);
    }
};

QTEST_GUILESS_MAIN(CrestStateTest)
#include "tst_crest_state.moc"
