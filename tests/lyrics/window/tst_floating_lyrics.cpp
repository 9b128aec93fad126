#include "lyrics/LyricsController.h"
#include "lyrics/LyricsPanelGeometry.h"
#include "lyrics/window/FloatingLyricsPanel.h"
#include "lyrics/window/LyricsDragHandle.h"
#include "lyrics/window/LyricsMouseToggle.h"
#include "lyrics/window/LyricsWindowController.h"
#include "platform/desktop/ScreenSource.h"
#include "players/model/PlayerController.h"
#include "support/MemorySettings.h"
#include "support/PlayerFakes.h"
#include "support/RecordingWorkspace.h"
#include "support/ScriptedBridge.h"
#include "support/TestRows.h"
#include "support/WidgetLookup.h"

#include <QApplication>
#include <QLineEdit>
#include <QMenu>
#include <QProcess>
#include <QTest>

#include <xcb/shape.h>

namespace {

using namespace Qt::StringLiterals;
using Status = LyricsController::Status;

ScreenInfo screen(const QRectF &frame, const QRectF &usableArea = {})
{
    ScreenInfo info;
    info.frame = frame;
    info.usableArea = usableArea;
    return info;
}

struct Screens : ScreenSource
{
    // A desktop bar along the top, which the panel keeps clear of.
    QList<ScreenInfo> list{screen(QRectF(0, 0, 1920, 1080), QRectF(0, 32, 1920, 1048))};
    QList<ScreenInfo> screens() const override { return list; }
    qsizetype primaryIndex() const override { return 0; }
};

struct Harness
{
    VirtualTime time;
    RecordingWorkspace workspace;
    FakeApps apps{100};
    MemorySettings settings;
    Screens screens;
    TimedLyrics provider{
        time, 0.1, true,
        LyricsDocument(u"[00:01.00]one\n[00:03.00]two\n[00:05.00]three"_s, {}, false)};
    LyricsController lyrics{provider, &time, &time};
    std::vector<ScriptedBridge *> bridges;
    std::unique_ptr<PlayerController> first = player(MusicSource::spotify);
    std::unique_ptr<PlayerController> second = player(MusicSource::chrome);
    std::optional<LyricsWindowController> window;

    std::unique_ptr<PlayerController> player(MusicSource source)
    {
        bridges.push_back(new ScriptedBridge(time));
        return std::make_unique<PlayerController>(
            source, std::unique_ptr<PlayerBridging>(bridges.back()), std::make_unique<NoCovers>(),
            PlayerController::Services{time, time, workspace, &apps});
    }
    void play(int index, const QString &title, double elapsed, bool playing = true)
    {
        PlayerSnapshot song = playingSong(title, elapsed);
        song.isPlaying = playing;
        bridges[index]->reply = song;
        (index == 0 ? first : second)->load(false);
        settle(0);
    }
    void open(bool shown = true)
    {
        window.emplace(lyrics, *first,
                       LyricsWindowController::Services{settings, screens, time, time});
        if (shown)
            window->show();
    }
    void settle(double seconds)
    {
        QCoreApplication::processEvents(); // queued player values
        time.advance(seconds);
        QCoreApplication::processEvents();
    }
    QWidget *panel() const { return window->panel(); }
    bool shows(const QString &text) const { return showsLabel(panel(), text); }
    QAbstractButton *button(const QString &name) const { return buttonNamed(panel(), name); }
};

// Rectangles of the window's X input shape: none means every click passes.
int inputRectangles(QWidget *window)
{
    auto *connection = qGuiApp->nativeInterface<QNativeInterface::QX11Application>()->connection();
    auto *reply = xcb_shape_get_rectangles_reply(
        connection, xcb_shape_get_rectangles(connection, window->winId(), XCB_SHAPE_SK_INPUT),
        nullptr);
    const int count = reply ? reply->rectangles_len : -1;
    free(reply);
    return count;
}

QString windowProperties(QWidget *window)
{
    QProcess xprop;
    xprop.start(u"xprop"_s, {u"-id"_s, QString::number(window->winId()), u"_NET_WM_STATE"_s,
                             u"_NET_WM_DESKTOP"_s, u"WM_HINTS"_s});
    xprop.waitForFinished();
    return QString::fromUtf8(xprop.readAllStandardOutput());
}

} // namespace

class FloatingLyricsTest : public QObject
{
    Q_OBJECT

private slots:
    void viewShowsEachLookupState_data()
    {
        // result: none when no song plays
        columns<QVariant, QString, QString, QString, bool>("result", "title", "detail", "mode",
                                                           "retry");
        using Kind = LyricsFailure::Kind;
        const auto failure = [](Kind kind) {
            return QVariant::fromValue(LyricsResult(LyricsFailure{kind, {}}));
        };
        const auto document = [](const QString &synced, const QString &plain, bool instrumental) {
            return QVariant::fromValue(LyricsResult(LyricsDocument(synced, plain, instrumental)));
        };
        row("idle", QVariant(), "Your next song, in words.", "Play a song in Spotify.", "Lyrics",
            false);
        row("synced, last line next", document("[00:01]one\n[00:40]two\n[01:00]", {}, false), "two",
            " ", "Synced lyrics", false);
        row("plain", document({}, "la la\nla", false), "la la\nla", QString(), "Lyrics", false);
        row("instrumental", document("[00:01]one", {}, true), "Just the music.",
            "This track is instrumental.", "Lyrics", false);
        row("not found", failure(Kind::notFound), "No lyrics for this one yet.",
            "Try another song, or reload later.", "Lyrics", true);
        row("failed", failure(Kind::transport), "Lyrics couldn’t load.",
            "Check your connection and try again.", "Lyrics", true);
        row("rate limited", failure(Kind::rateLimited), "A little pause.",
            "The lyrics service is busy. Try again later.", "Lyrics", true);
    }
    void viewShowsEachLookupState()
    {
        auto [result, title, detail, mode, retry] =
            fetch<QVariant, QString, QString, QString, bool>("result", "title", "detail", "mode",
                                                             "retry");
        Harness h;
        h.open(false);
        if (result.isValid()) {
            h.provider.result = result.value<LyricsResult>();
            h.play(0, u"Song"_s, 50);
        }
        h.window->show();
        h.settle(1);
        QVERIFY2(h.shows(title), qPrintable(title));
        QVERIFY2(detail.isEmpty() || h.shows(detail), qPrintable(detail));
        QVERIFY(h.shows(mode) && h.shows(u"LRCLIB"_s));
        QCOMPARE(h.shows(u"No song playing"_s), !result.isValid());
        QAbstractButton *again = h.button(u"Try again"_s);
        QCOMPARE(again->isVisibleTo(h.panel()), retry);
        if (retry) {
            again->click();
            QCOMPARE(h.lyrics.status(), Status::loading);
        }
    }

    void linesAdvanceOnlyWhilePlaying()
    {
        Harness h;
        h.open(false);
        h.play(0, u"Song"_s, 0);
        h.window->show();
        h.settle(0.35); // the lookup, then before the first line
        QVERIFY(h.shows(u"♪"_s) && h.shows(u"one"_s));
        h.settle(1);
        QVERIFY(h.shows(u"one"_s) && h.shows(u"two"_s) && !h.shows(u"♪"_s));

        h.play(0, u"Song"_s, 3.5, false);
        QCOMPARE(h.time.pendingCount(), 0); // the timeline stopped
        h.settle(5);
        QVERIFY(h.shows(u"two"_s) && h.shows(u"three"_s));

        h.play(0, u"Song"_s, 4.5, true);
        h.settle(0.6);
        QVERIFY(h.shows(u"two"_s) && h.shows(u"three"_s) && h.shows(u" "_s));
    }

    void panelFloatsAboveEverywhereWithoutTakingFocus()
    {
        QLineEdit editor;
        editor.show();
        editor.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&editor));
        Harness h;
        h.open(false);
        for (int round = 0; round < 2; ++round) { // shown again after hiding
            h.window->show();
            QVERIFY(QTest::qWaitForWindowExposed(h.panel()));
            const QString properties = windowProperties(h.panel());
            QVERIFY2(properties.contains("_NET_WM_STATE_ABOVE") &&
                         properties.contains("_NET_WM_STATE_STICKY") &&
                         properties.contains("_NET_WM_DESKTOP(CARDINAL) = 4294967295") &&
                         properties.contains("accepts input or input focus: False"),
                     qPrintable(properties));
            QTest::mouseClick(h.button(u"Lyrics options"_s), Qt::LeftButton);
            QTRY_VERIFY(QApplication::activePopupWidget());
            QApplication::activePopupWidget()->close();
            QVERIFY(editor.isActiveWindow());
            QTest::mouseClick(h.button(u"Hide lyrics"_s), Qt::LeftButton);
            QVERIFY(!h.window->isVisible() && !h.lyrics.isVisible());
        }
    }

    void clickThroughPassesThePointerButKeepsItsToggle()
    {
        Harness h;
        h.open();
        QVERIFY(QTest::qWaitForWindowExposed(h.panel()));
        QCOMPARE(inputRectangles(h.panel()), 1);

        h.lyrics.setClickThrough(true);
        QCOMPARE(inputRectangles(h.panel()), 0);
        QVERIFY(h.shows(u"Click-through"_s) && !h.shows(u"Drag top to move"_s));
        QWidget *toggle = h.window->mouseTogglePanel();
        QVERIFY(toggle && toggle->isVisible());
        const QRect over =
            h.window->presentation().mouseToggleFrame().translated(h.panel()->pos()).toRect();
        QCOMPARE(toggle->geometry(), over);

        h.panel()->move(h.panel()->pos() + QPoint(-300, -200));
        QTRY_COMPARE(toggle->geometry(), over.translated(-300, -200));
        h.settle(1);
        QCOMPARE(h.settings.value(LyricsWindowController::kOriginKey).toString(),
                 LyricsPanelGeometry::originText(h.panel()->pos()));

        toggle->findChild<LyricsMouseToggle *>()->click();
        QVERIFY(!h.lyrics.clickThrough() && !toggle->isVisible());
        QCOMPARE(inputRectangles(h.panel()), 1);
    }

    void dragMovesThePanelUnclampedUnlessClicksPassThrough()
    {
        Harness h;
        h.open();
        QWidget *handle = h.panel()->findChild<LyricsDragHandle *>();
        const QPoint start = h.panel()->pos();
        const auto send = [&](QEvent::Type type, QPoint global) {
            QMouseEvent event(type, QPointF(5, 5), QPointF(global), Qt::LeftButton,
                              type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton,
                              {});
            QApplication::sendEvent(handle, &event);
        };
        send(QEvent::MouseButtonPress, {100, 100});
        send(QEvent::MouseMove, {700, 130});
        send(QEvent::MouseButtonRelease, {700, 130});
        QTRY_COMPARE(h.panel()->pos(), start + QPoint(600, 30)); // off the screen's edge

        h.lyrics.setClickThrough(true);
        send(QEvent::MouseButtonPress, {100, 100});
        send(QEvent::MouseMove, {0, 0});
        QTest::qWait(20);
        QCOMPARE(h.panel()->pos(), start + QPoint(600, 30));
    }

    void badSettingsAndScreenChangesLeaveThePanelOnScreen()
    {
        Harness h;
        h.settings.setValue(LyricsWindowController::kOriginKey, u"{{oops"_s);
        h.settings.setValue(LyricsWindowController::kOpacityKey, u"loud"_s);
        h.open();
        QCOMPARE(h.panel()->geometry(), QRect(12, 44, 390, 218));
        QCOMPARE(qRound(h.panel()->windowOpacity() * 100), 90); // X keeps 8 bits

        auto *menu = h.panel()->findChild<QMenu *>();
        emit menu->aboutToShow();
        for (QAction *action : menu->actions())
            if (action->text() == u"Balanced · 80%"_s)
                action->trigger();
        QCOMPARE(qRound(h.panel()->windowOpacity() * 100), 80);
        QCOMPARE(h.settings.value(LyricsWindowController::kOpacityKey).toDouble(), 0.8);

        h.screens.list = {screen(QRectF(1920, 300, 800, 200))};
        emit h.screens.screensChanged();
        QCOMPARE(h.panel()->geometry(), QRect(1932, 312, 390, 176));
    }

    void rebindingFollowsOnlyTheNewPlayer()
    {
        Harness h;
        h.play(0, u"First"_s, 10);
        h.play(1, u"Second"_s, 20);
        h.open();
        h.window->bindPlayback(*h.second);
        QCOMPARE(h.lyrics.track()->title(), u"Second"_s);
        QCOMPARE(h.lyrics.samplePosition(), 20.0);
        QVERIFY(h.shows(u"Second"_s));

        h.play(0, u"Third"_s, 30);
        QCOMPARE(h.lyrics.track()->title(), u"Second"_s);
        QCOMPARE(h.lyrics.samplePosition(), 20.0);
    }
};

QTEST_MAIN(FloatingLyricsTest)
#include "tst_floating_lyrics.moc"
