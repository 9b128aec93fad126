#include "support/CrestFixture.h"

#include "crest/CrestPanel.h"
#include "crest/CrestView.h"
#include "lyrics/LyricsProviding.h"
#include "music/SpotifyArtworkProviding.h"

#include <QBuffer>
#include <QGuiApplication>
#include <QScreen>
#include <QTest>

namespace {

using namespace Qt::StringLiterals;

struct NoLyrics final : LyricsProviding
{
    CancelHandle lyrics(const LyricsTrack &, QObject *, Completion) override { return {}; }
} noLyrics;

struct NoCovers final : SpotifyArtworkProviding
{
    CancelHandle data(const QUrl &, Completion) override { return {}; }
};

} // namespace

CrestFixture::CrestFixture(std::unique_ptr<CrestUpdateDriver> driver)
    : spotify(new ScriptedBridge(time)), pear(new ScriptedBridge(time)),
      tray(folder.filePath("tray.json")), notes(folder.filePath("notes.json"), &time, &time),
      music(settings, {time, time, workspace},
            [this] {
                MusicController::Players players;
                for (auto [source, bridge] : {std::pair{MusicSource(MusicSource::spotify), spotify},
                                              std::pair{MusicSource(MusicSource::pear), pear}})
                    players.push_back(std::make_unique<SpotifyController>(
                        source, std::unique_ptr<SpotifyBridging>(bridge),
                        std::make_unique<NoCovers>(),
                        SpotifyController::Services{time, time, workspace},
                        [this] { return pid; }));
                return players;
            }()),
      updates(std::move(driver)), lyrics(noLyrics, &time, &time), panel(new CrestPanel)
{
    state.setNotchWidth(126);
    state.setTopHeight(32);
    tray.start();
    view = new CrestView({state, tray, notes, music, updates, lyrics, workspace}, time, time,
                         [this] { return reduceMotion; });
    panel->setContentView(view);
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    panel->setFrame(QRect(screen.center().x() + 1 - 330, screen.top(), 660, 32 + 138));
    panel->setNotchRect(QRect(267, 0, 126, 32));
    panel->orderFront();
    if (!QTest::qWaitForWindowExposed(panel))
        qWarning("the crest was never shown");
}

CrestFixture::~CrestFixture()
{
    delete panel;
}

void CrestFixture::play(bool cover)
{
    SpotifySnapshot song;
    song.title = u"Harbour Lights"_s;
    song.artist = u"The Tidewater Band"_s;
    song.isPlaying = true;
    song.timing = {214, 83, 0.39};
    song.volume = 60;
    if (cover) {
        QImage red(64, 64, QImage::Format_RGB32);
        red.fill(Qt::red);
        QBuffer png;
        png.open(QIODevice::WriteOnly);
        red.save(&png, "PNG");
        song.artworkData = png.data();
    }
    spotify->reply = song;
    music.start();
    time.advance(0);
}

void CrestFixture::setExpanded(bool expanded)
{
    panel->setAcceptsMouse(expanded);
    state.setExpanded(expanded);
    time.advance(1);
}
