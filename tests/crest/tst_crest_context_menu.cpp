#include "crest/CrestContextMenu.h"
#include "support/CrestFixture.h"
#include "support/MemorySettings.h"
#include "support/PlayerFakes.h"
#include "support/TestRows.h"

#include <QMenu>

namespace {

using namespace Qt::StringLiterals;

// Items joined by "|": text, [x] or [ ] for a toggle, (off) when greyed.
QString describe(const QMenu &menu)
{
    QStringList lines;
    for (const QAction *a : menu.actions())
        lines << (a->isSeparator() ? u"-"_s : a->text()) +
                     QStringList{"", " [ ]", " [x]"}[a->isCheckable() + a->isChecked()] +
                     (a->isEnabled() ? "" : " (off)");
    return lines.join('|');
}

} // namespace

class CrestContextMenuTest : public QObject
{
    Q_OBJECT

private slots:
    void contextMenuFollowsTheState_data()
    {
        columns<QString, QString>("setup", "items");
        const QString head = u"Add Files…|-|Music Connections|-|"_s,
                      none = u"Floating lyrics [ ]|-|"_s;
        const QString how = u"How to Update…|Open at login [x]"_s,
                      tail = u"|-|About && Privacy…|-|Quit Velloway"_s; // a literal "&"
        row("idle", u""_s, head + none + how + tail);
        row("song current", u"playing"_s,
            u"Add Files…|-|Music Connections|Open in Spotify|-|"_s + none + how + tail);
        row("lyrics", u"lyrics"_s,
            head + u"Floating lyrics [x]|Click-through lyrics [ ]|"_s +
                u"Make lyrics interactive (off)|-|"_s + how + tail);
    }
    void contextMenuFollowsTheState()
    {
        auto [setup, items] = fetch<QString, QString>("setup", "items");
        CrestFixture f;
        if (setup.contains("playing"))
            f.play(false);
        f.lyricsController.setVisible(setup.contains("lyrics"));
        bool atLogin = true;
        CrestContextMenu menu({f.music, f.lyricsController, f.updates},
                              {{}, [&] { return atLogin; }, [&](bool on) { atLogin = on; }});
        QCOMPARE(describe(menu), items);
        for (QAction *action : menu.actions())
            action->setChecked(!action->isChecked()); // each toggle writes what it shows
        QCOMPARE(f.lyricsController.isVisible(), !setup.contains("lyrics"));
        QVERIFY(!atLogin);
    }

    // With more than one player running, the menu lists them, ticks the one
    // shown, and a pick shows the other.
    void showPlayerPicksAmongRunningPlayers()
    {
        CrestFixture f;
        MusicController::Players players;
        for (MusicSource source : {MusicSource::spotify, MusicSource::pear}) {
            auto *bridge = new ScriptedBridge(f.time);
            PlayerSnapshot song;
            song.title = source.displayName();
            song.isPlaying = source == MusicSource::spotify;
            bridge->reply = song;
            players.push_back(std::make_unique<PlayerController>(
                source, std::unique_ptr<PlayerBridging>(bridge), std::make_unique<NoCovers>(),
                PlayerController::Services{f.time, f.time, f.workspace},
                [] { return std::optional<qint32>(1); }));
        }
        MemorySettings settings;
        MusicController music(settings, {f.time, f.time, f.workspace}, std::move(players));
        music.start();
        f.time.advance(0);
        QCoreApplication::processEvents(); // the players' news arrives queued
        QCOMPARE(music.active().source(), MusicSource(MusicSource::spotify));

        CrestContextMenu menu({music, f.lyricsController, f.updates}, {});
        QMenu *shown = nullptr;
        for (QAction *action : menu.actions())
            shown = action->text() == u"Show Player"_s ? action->menu() : shown;
        QVERIFY(shown);
        QCOMPARE(describe(*shown), u"Spotify [x]|YouTube Music · Pear [ ]"_s);
        shown->actions().at(1)->trigger();
        QCOMPARE(music.active().source(), MusicSource(MusicSource::pear));
    }
};

QTEST_MAIN(CrestContextMenuTest)
#include "tst_crest_context_menu.moc"
