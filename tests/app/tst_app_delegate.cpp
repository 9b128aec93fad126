#include "app/AppDelegate.h"
#include "crest/CrestPanel.h"
#include "crest/CrestState.h"
#include "crest/CrestView.h"
#include "notes/NotesStore.h"
#include "platform/desktop/X11DesktopEvents.h"
#include "platform/storage/IniSettings.h"
#include "support/FileOwnership.h"
#include "support/TestRows.h"
#include "support/VirtualTime.h"
#include "tray/FileTrayStore.h"
#include "updates/AppUpdateController.h"

#include <QCursor>
#include <QMenu>
#include <QMessageBox>
#include <QProcess>
#include <QScreen>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <xcb/xcb.h>

namespace {

using namespace Qt::StringLiterals;

// The delegate on a real (virtual) X display after launch, with virtual time
// driving every delay and its stores keeping data in the test's folder.
struct Launched
{
    VirtualTime time;
    AppDelegate delegate{time, time};
    Launched() { delegate.start(); }
};

} // namespace

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
        Launched app;

        const QRect screen = QGuiApplication::primaryScreen()->geometry();
        QCOMPARE(app.delegate.state().notchWidth(), 126.0);
        QCOMPARE(app.delegate.state().topHeight(), 32.0);
        CrestPanel *panel = app.delegate.panel();
        QVERIFY(panel->isVisible());
        QCOMPARE(panel->geometry(), QRect(screen.center().x() + 1 - 330, screen.top(), 660, 170));
        QCOMPARE(panel->mask().boundingRect().size(), QSize(126, 32));
        QVERIFY(!panel->acceptsMouse());
    }

    void collapseKeepsThePanelUntilTheHideDelayUnlessReopened()
    {
        pointerAt({10, 900});
        Launched app;
        CrestView *view = app.delegate.view();

        app.delegate.setExpanded(true);
        QVERIFY(app.delegate.panel()->acceptsMouse());
        app.time.advance(1.0);
        QCOMPARE(view->progress(), 1.0);
        QCOMPARE(app.delegate.panel()->mask().boundingRect().size(), QSize(660, 170));

        app.delegate.setExpanded(false);
        QVERIFY(!app.delegate.panel()->acceptsMouse()); // click-through at once
        app.time.advance(0.2);
        QVERIFY(view->progress() > 0);
        app.delegate.setExpanded(true); // back within the hide delay
        app.time.advance(0.2);
        QVERIFY(view->progress() > 0.5);
        app.time.advance(1.0);
        QCOMPARE(view->progress(), 1.0);

        app.delegate.setExpanded(false);
        app.time.advance(0.33);
        QVERIFY(view->progress() > 0);
        app.time.advance(0.01);
        QCOMPARE(view->progress(), 0.0);
        QCOMPARE(app.delegate.panel()->mask().boundingRect().size(), QSize(126, 32));
    }

    void pressesInOtherProgramsAreSeen()
    {
        X11DesktopEvents events;
        QVERIFY(events.start());
        QSignalSpy presses(&events, &X11DesktopEvents::mousePressed);
        // xdotool is another X client: its click goes to the root window,
        // which belongs to no window of ours.
        pointerAt({10, 900});
        QCOMPARE(QProcess::execute("xdotool", {"click", "3"}), 0);
        QTRY_VERIFY(presses.count() >= 1);
        QCOMPARE(QProcess::execute("xdotool", {"click", "4"}), 0);
        QTest::qWait(100);
        const int afterScroll = presses.count();
        events.stop();
        QCOMPARE(QProcess::execute("xdotool", {"click", "1"}), 0);
        QTest::qWait(100);
        QCOMPARE(presses.count(), afterScroll);
    }

    void openMenuHoldsTheCrestOpenAndClosingItDismisses()
    {
        pointerAt({10, 900});
        Launched app;
        app.delegate.setExpanded(true);

        QMenu menu;
        menu.addAction("Item");
        menu.popup({400, 400});
        QTRY_VERIFY(app.delegate.isMenuTracking());
        app.delegate.state().pointerChanged(true);
        app.delegate.state().pointerChanged(false);
        app.time.advance(2.0);
        QVERIFY(app.delegate.state().isExpanded());

        menu.hide();
        QVERIFY(!app.delegate.isMenuTracking());
        app.time.advance(CrestState::kDismissalDelay + 0.05);
        QVERIFY(!app.delegate.state().isExpanded());
    }

    // Last: the stores keep their files in the test's folder between launches.
    void trayContentDecidesTheTrayLayout()
    {
        const QString file = m_home.filePath("dropped.txt");
        FileOwnership::writeFile(file, "x");
        {
            Launched app;
            QVERIFY(!app.delegate.state().showsTray());
            app.delegate.tray().addFiles({QUrl::fromLocalFile(file)});
            QVERIFY(app.delegate.state().showsTray());
            app.delegate.tray().clear();
            QVERIFY(!app.delegate.state().showsTray());
            app.delegate.tray().addFiles({QUrl::fromLocalFile(file)});
        }
        // At the next launch the restored tray shows at once.
        Launched app;
        QCOMPARE(app.delegate.tray().items().size(), 1);
        QVERIFY(app.delegate.state().showsTray());
    }

    void previewsPickersDeletionsAndAlertsHoldTheCrestOpen()
    {
        Launched app;
        const auto active = [&] { return app.delegate.state().isInteractionActive(); };
        QVERIFY(!active());
        app.delegate.tray().setPreviewItem(TrayItem{QUuid::createUuid(), QUrl("file:///x"), true});
        QVERIFY(active());
        app.delegate.tray().setPreviewItem(std::nullopt);
        app.delegate.tray().setPickerPresented(true);
        QVERIFY(active());
        app.delegate.tray().setPickerPresented(false);
        app.delegate.notes().setPendingDeletionID(QUuid::createUuid());
        QVERIFY(active());
        app.delegate.notes().setPendingDeletionID(std::nullopt);
        app.delegate.updates().checkForUpdates(); // its alert is open
        QVERIFY(active());
        app.delegate.updates().clearSetupMessage();
        QTRY_VERIFY(!active()); // the answered confirmation goes with the next events
        app.delegate.showAbout();
        QVERIFY(active() && app.delegate.aboutAlert()->close());
        QVERIFY(!active());
    }

    // A shortcut it cannot have is one line in About (and on standard error);
    // the crest goes on opening by hover.
    void shortcutThatCannotBeTakenIsSaid_data()
    {
        columns<QString, QString>("setting", "notice");
        row("off", u"none"_s, QString());
        row("not a key", u"Ctrl+Alt+Nowhere"_s, u"it is not a key combination"_s);
        row("taken by another program", u"Ctrl+Alt+N"_s, u"another program already uses it"_s);
    }
    void shortcutThatCannotBeTakenIsSaid()
    {
        auto [setting, notice] = fetch<QString, QString>("setting", "notice");
        IniSettings::shared().setValue(u"crest.shortcut"_s, setting);
        // Another program holds every key with Ctrl+Alt.
        xcb_connection_t *other = xcb_connect(nullptr, nullptr);
        xcb_grab_key(other, 0, xcb_setup_roots_iterator(xcb_get_setup(other)).data->root,
                     XCB_MOD_MASK_CONTROL | XCB_MOD_MASK_1, XCB_GRAB_ANY, XCB_GRAB_MODE_ASYNC,
                     XCB_GRAB_MODE_ASYNC);
        free(xcb_get_input_focus_reply(other, xcb_get_input_focus(other), nullptr));
        Launched app;
        xcb_disconnect(other);
        IniSettings::shared().remove(u"crest.shortcut"_s);
        QVERIFY2(app.delegate.shortcutNotice().endsWith(
                     notice.isEmpty()
                         ? QString()
                         : notice + u". Set another as crest.shortcut in Velloway.conf."_s),
                 qPrintable(app.delegate.shortcutNotice()));
        QCOMPARE(app.delegate.shortcutNotice().isEmpty(), notice.isEmpty());
        app.delegate.showAbout();
        QVERIFY(
            app.delegate.aboutAlert()->informativeText().endsWith(app.delegate.shortcutNotice()));
        app.delegate.aboutAlert()->close();
    }

    void collapsingAndQuittingWritePendingEdits()
    {
        Launched app;
        NotesStore &notes = app.delegate.notes();
        const QUuid id = notes.notes().first().id;
        const QString notesFile = m_home.filePath("data/Velloway/notes.json");

        app.delegate.setExpanded(true);
        notes.updateContent("written on collapse", id);
        app.delegate.setExpanded(false);
        notes.finishWriting();
        QVERIFY(FileOwnership::readFile(notesFile).contains("written on collapse"));

        notes.updateContent("written on quit", id);
        app.time.advance(0.2);
        app.delegate.stop();
        QVERIFY(FileOwnership::readFile(notesFile).contains("written on quit"));
    }
};

QTEST_MAIN(AppDelegateTest)
#include "tst_app_delegate.moc"
