#pragma once

#include "crest/CrestFileDropDelegate.h"
#include "crest/CrestPanel.h"
#include "crest/CrestState.h"
#include "crest/CrestView.h"
#include "lyrics/LyricsController.h"
#include "lyrics/LyricsProviding.h"
#include "music/MusicController.h"
#include "notes/NotesStore.h"
#include "support/MemorySettings.h"
#include "support/PlayerFakes.h"
#include "support/RecordingWorkspace.h"
#include "support/ScriptedBridge.h"
#include "support/TestImages.h"
#include "tray/FileTrayStore.h"
#include "updates/AppUpdateController.h"

#include <QScreen>
#include <QTemporaryDir>
#include <QTest>

/// The whole crest on virtual time at the top centre of the screen with the 126 x 32
/// notch: stores in a folder of its own, a scripted Spotify running while `pid` is set.
struct CrestFixture : LyricsProviding
{
    CrestFixture()
    {
        state.setNotchWidth(126);
        state.setTopHeight(32);
        tray.start();
        panel->setContentView(view);
        view->setDropTarget(&drops);
        panel->setFrame(
            {QGuiApplication::primaryScreen()->geometry().center().x() - 329, 0, 660, 170});
        panel->setNotchRect({267, 0, 126, 32});
        panel->showAndRaise();
        (void)QTest::qWaitForWindowExposed(panel); // a missing crest fails every pixel read
    }
    ~CrestFixture() override { delete panel; }
    void play(bool cover)
    {
        PlayerSnapshot song;
        song.title = QStringLiteral("Harbour Lights");
        song.artist = QStringLiteral("The Tidewater Band");
        song.isPlaying = true;
        song.timing = {214, 83, 0.39};
        song.volume = 60;
        if (cover)
            song.artworkData = TestImages::encode(64, 64, "png"); // dark cyan
        spotify->reply = song;
        music.start();
        time.advance(0);
    }
    CancelHandle lyrics(const LyricsTrack &, QObject *, Completion) override { return {}; }

    VirtualTime time;
    QTemporaryDir folder;
    RecordingWorkspace workspace;
    MemorySettings settings;
    std::optional<qint32> pid = 100;
    bool reduceMotion = false;
    ScriptedBridge *spotify = new ScriptedBridge(time);
    CrestState state{time};
    FileTrayStore tray{folder.filePath("tray.json")};
    NotesStore notes{folder.filePath("notes.json"), &time, &time};
    MusicController music{settings, {time, time, workspace}, [this] {
                              MusicController::Players players;
                              players.push_back(std::make_unique<PlayerController>(
                                  MusicSource::spotify, std::unique_ptr<PlayerBridging>(spotify),
                                  std::make_unique<NoCovers>(),
                                  PlayerController::Services{time, time, workspace},
                                  [this] { return pid; }));
                              return players;
                          }()};
    AppUpdateController updates;
    LyricsController lyricsController{*this, &time, &time};
    CrestFileDropDelegate drops{state, tray};
    CrestPanel *panel = new CrestPanel;
    CrestView *view =
        new CrestView({state, tray, notes, music, updates, lyricsController, workspace}, time, time,
                      [this] { return reduceMotion; });
};
