#include "nowplaying/NowPlayingView.h"
#include "nowplaying/PlayerSymbolButton.h"
#include "nowplaying/Scrubber.h"
#include "nowplaying/ScrubberView.h"
#include "nowplaying/VolumeSliderView.h"
#include "nowplaying/VolumeStrip.h"
#include "players/model/VolumeController.h"
#include "support/PlayerFakes.h"
#include "support/TestRows.h"
#include "support/WidgetLookup.h"
#include "ui/SymbolIcons.h"

#include <QAccessible>
#include <QSignalSpy>
#include <QTest>

#include <cmath>
#include <limits>

Q_DECLARE_METATYPE(std::optional<double>)

namespace {

using namespace Qt::StringLiterals;
using Kind = PlayerError::Kind;

struct Harness : PlayerRig
{
    using PlayerRig::PlayerRig;
};

bool shown(QWidget *root, QWidget *widget)
{
    return widget && widget->isVisibleTo(root);
}

} // namespace

class MusicViewsTest : public QObject
{
    Q_OBJECT

private slots:
    void everySymbolDrawsFromTheNamedTheme()
    {
        for (const SymbolIcons::Symbol &symbol : SymbolIcons::all()) {
            const QString name = QString::fromLatin1(symbol.name);
            QVERIFY2(!SymbolIcons::icon(name).isNull(), symbol.iconName);
            const QImage image = SymbolIcons::tinted(name, {16, 16}, Qt::red, 2)
                                     .toImage()
                                     .convertToFormat(QImage::Format_ARGB32);
            QCOMPARE(image.size(), QSize(32, 32));
            int inked = 0;
            for (int y = 0; y < image.height(); ++y)
                for (int x = 0; x < image.width(); ++x)
                    inked += qAlpha(image.pixel(x, y)) > 0 && qRed(image.pixel(x, y)) > 0;
            QVERIFY2(inked > 20, symbol.iconName); // a blank icon draws nothing
        }
        QVERIFY(SymbolIcons::icon(u"no.such.symbol").isNull());
    }

    void timeText_data()
    {
        columns<double, QString>("seconds", "text");
        row("zero", 0.0, u"0:00"_s);
        row("negative", -4.0, u"0:00"_s);
        row("not a number", std::nan(""), u"0:00"_s);
        row("infinite", std::numeric_limits<double>::infinity(), u"0:00"_s);
        row("truncated", 61.9, u"1:01"_s);
        row("an hour stays minutes", 3600.0, u"60:00"_s);
        row("capped", 400000.0, u"5999:59"_s);
    }
    void timeText()
    {
        QFETCH(double, seconds);
        QTEST(NowPlayingView::time(seconds), "text");
    }

    void sliderFraction_data()
    {
        columns<double, double, double, std::optional<double>>("x", "width", "inset", "fraction");
        row("scrubber left edge", 0.0, 206.0, 3.0, std::optional(-0.015));
        row("scrubber middle", 103.0, 206.0, 3.0, std::optional(0.5));
        row("scrubber past the end", 206.0, 206.0, 3.0, std::optional(1.015));
        row("scrubber too narrow", 3.0, 6.0, 3.0, std::optional<double>());
        row("volume quarter", 29.0, 108.0, 4.0, std::optional(0.25));
        row("volume too narrow", 4.0, 8.0, 4.0, std::optional<double>());
    }
    void sliderFraction()
    {
        auto [x, width, inset] = fetch<double, double, double>("x", "width", "inset");
        QTEST(PlayerSliderView::fraction(x, width, inset), "fraction");
    }

    void scrubberFollowsTheController_data()
    {
        QTest::addColumn<bool>("playing");
        row("playing", true);
        row("nothing to seek", false);
    }
    void scrubberFollowsTheController()
    {
        QFETCH(bool, playing);
        Harness h;
        if (playing)
            h.play();
        Scrubber host(h.c);
        host.resize(206, 14);
        host.show();
        QVERIFY(QTest::qWaitForWindowExposed(&host));
        ScrubberView &view = host.view();
        QAccessibleInterface *a = QAccessible::queryAccessibleInterface(&view);
        QCOMPARE(a->state().disabled, !playing);
        QCOMPARE(a->valueInterface()->currentValue().toDouble(), playing ? 25.0 : 0.0);

        // A press at the very left edge scrubs to the start; release seeks there.
        QTest::mousePress(&view, Qt::LeftButton, {}, QPoint(0, 7));
        QCOMPARE(h.c.isScrubbing(), playing);
        QTest::mouseRelease(&view, Qt::LeftButton, {}, QPoint(0, 7));
        QCOMPARE(h.bridge->sent.size(), size_t(playing));
        if (playing) {
            QCOMPARE(h.bridge->sent.back(), PlayerCommand::seek(0, *h.c.currentTrack()));
            h.time.advance(0);
        }

        // Increment seeks 5 s forward; not while a scrub is active.
        const size_t before = h.bridge->sent.size();
        QTest::mousePress(&view, Qt::LeftButton, {}, QPoint(103, 7));
        a->actionInterface()->doAction(QAccessibleActionInterface::increaseAction());
        QCOMPARE(h.bridge->sent.size(), before);
        view.hide(); // leaving the window cancels instead of seeking
        QVERIFY(!h.c.isScrubbing());
        QCOMPARE(h.bridge->sent.size(), before);
        a->actionInterface()->doAction(QAccessibleActionInterface::increaseAction());
        QCOMPARE(h.bridge->sent.size(), before + size_t(playing));
    }

    void volumeStripShowsTheLevel_data()
    {
        // level: -1 when the player reported none
        columns<int, QString, QString, QString, QString>("level", "symbol", "name", "help", "tip");
        row("unknown", -1, "speaker.slash.fill", "Mute Spotify", "Mute Spotify",
            "Music volume is unavailable");
        row("muted", 0, "speaker.slash.fill", "Unmute Spotify", "Unmute Spotify · 50%",
            "Music volume");
        row("quiet", 34, "speaker.wave.1.fill", "Mute Spotify", "Mute Spotify", "Music volume");
        row("medium", 35, "speaker.wave.2.fill", "Mute Spotify", "Mute Spotify", "Music volume");
        row("loud", 70, "speaker.wave.3.fill", "Mute Spotify", "Mute Spotify", "Music volume");
    }
    void volumeStripShowsTheLevel()
    {
        QFETCH(int, level);
        VirtualTime time;
        ScriptedBridge bridge(time);
        VolumeController volume(
            bridge, [] { return 100; }, u"Spotify"_s, time);
        volume.receive(level < 0 ? std::nullopt : std::optional(level), volume.revision(), 100);
        VolumeStrip strip(volume);
        strip.resize(120, 18);
        strip.show();
        QVERIFY(QTest::qWaitForWindowExposed(&strip));
        QTEST(strip.muteButton().symbol(), "symbol");
        QTEST(strip.muteButton().accessibleName(), "name");
        QTEST(strip.muteButton().toolTip(), "help");
        QTEST(strip.slider().toolTip(), "tip");
        QCOMPARE(strip.muteButton().isEnabled(), level >= 0);
        QAccessibleInterface *a = QAccessible::queryAccessibleInterface(&strip.slider());
        QCOMPARE(a->state().disabled, level < 0);
        QCOMPARE(a->valueInterface()->currentValue().toInt(), std::max(level, 0));

        // Increment adds 5; a press on the track sets the level under it.
        a->actionInterface()->doAction(QAccessibleActionInterface::increaseAction());
        QCOMPARE(volume.level(), level < 0 ? std::nullopt : std::optional(level + 5));
        const QRect track = strip.slider().geometry();
        QTest::mousePress(&strip.slider(), Qt::LeftButton, {}, QPoint(4, track.height() / 2));
        QCOMPARE(volume.isDragging(), level >= 0);
        QTest::mouseRelease(&strip.slider(), Qt::LeftButton, {}, QPoint(4, track.height() / 2));
        QCOMPARE(volume.level(), level < 0 ? std::nullopt : std::optional(0));
        QVERIFY(!volume.isDragging());
    }

    void nowPlayingShowsTheState_data()
    {
        // failure: -1 plays, -2 nothing runs, -3 connecting; action: empty for none
        columns<MusicSource, int, QString, QString, bool>("source", "failure", "title", "action",
                                                          "setup");
        const MusicSource spotify = MusicSource::spotify, chrome = MusicSource::chrome,
                          pear = MusicSource::pear;
        row("playing", spotify, -1, "Song", "", false);
        row("not running", spotify, -2, "Spotify", "Open", false);
        row("connecting", spotify, -3, "Connecting…", "", false);
        row("refused: only retry", chrome, int(Kind::permissionDenied), "Permission needed",
            "Retry", true);
        row("pear setup", pear, int(Kind::pearSetup), "Connect Pear", "Connect", true);
        row("unavailable", spotify, int(Kind::timeout), "Waiting for Spotify", "Try again", false);
    }
    void nowPlayingShowsTheState()
    {
        auto [source, failure, action] =
            fetch<MusicSource, int, QString>("source", "failure", "action");
        Harness h(source);
        if (failure == -2)
            h.pid.reset();
        if (failure == -3) {
            h.bridge->replySeconds = ScriptedBridge::kNever;
            h.c.load(true);
        } else {
            h.play();
        }
        if (failure >= 0) {
            h.bridge->reply = PlayerError(Kind(failure));
            h.time.advance(1);
        }
        NowPlayingView view(h.c, 32, Qt::green);
        view.resize(300, 160);

        const bool playing = failure == -1;
        QFETCH(QString, title);
        QVERIFY(showsLabel(&view, title));
        QCOMPARE(showsLabel(&view, u"Waiting for permission…"_s), failure == -3);
        QCOMPARE(shown(&view, buttonNamed(&view, u"Next track"_s)), playing);
        QCOMPARE(shown(&view, buttonNamed(&view, u"Settings"_s)), false);
        for (const QString &name : {u"Open"_s, u"Connect"_s, u"Retry"_s, u"Try again"_s})
            QCOMPARE(shown(&view, buttonNamed(&view, name)), name == action);
        QTEST(shown(&view, buttonNamed(&view, u"Setup…"_s)), "setup");

        if (playing) {
            QVERIFY(shown(&view, buttonNamed(&view, u"Pause Spotify"_s)));
            QVERIFY(buttonNamed(&view, u"Show floating lyrics"_s)->isEnabled());
            QVERIFY(buttonNamed(&view, u"Next track"_s)->isEnabled());
            h.bridge->sendSeconds = ScriptedBridge::kNever;
            buttonNamed(&view, u"Next track"_s)->click();
            QVERIFY(!buttonNamed(&view, u"Next track"_s)->isEnabled()); // a command in flight
            QSignalSpy toggled(&view, &NowPlayingView::lyricsToggled);
            buttonNamed(&view, u"Show floating lyrics"_s)->click();
            QCOMPARE(toggled.count(), 1);
            view.setLyricsShown(true);
            QVERIFY(buttonNamed(&view, u"Hide floating lyrics"_s));
        } else if (!action.isEmpty() && action != u"Open") {
            h.bridge->snapshots.clear();
            buttonNamed(&view, action)->click();
            QCOMPARE(h.bridge->snapshots, std::vector<bool>{true}); // a retry that may ask
        }
    }
};

QTEST_MAIN(MusicViewsTest)
#include "tst_music_views.moc"
