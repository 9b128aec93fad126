// Prints one snapshot of the real Spotify client on this session's bus, read
// the way the program reads it. A manual check: exits 1 when Spotify is not
// running or the read fails.
#include "music/MusicSource.h"
#include "music/SpotifyLocalBridge.h"

#include <QCoreApplication>
#include <QTimer>

#include <cstdio>

namespace {

QString describe(const SpotifyLocalError &error)
{
    return QStringLiteral("error kind %1, code %2").arg(int(error.kind())).arg(error.code());
}

void print(const SpotifySnapshot &s)
{
    const auto line = [](const char *name, const QString &value) {
        std::printf("%-10s %s\n", name, qUtf8Printable(value));
    };
    line("title", s.title);
    line("artist", s.artist);
    line("album", s.album);
    line("uri", s.spotifyURI.value_or(QStringLiteral("(none)")));
    line("artwork", s.artworkURL ? s.artworkURL->toString() : QStringLiteral("(none)"));
    line("cover", s.artworkData ? QStringLiteral("%1 bytes").arg(s.artworkData->size())
                                : QStringLiteral("(none)"));
    line("playing", s.isPlaying ? QStringLiteral("yes") : QStringLiteral("no"));
    line("position", QStringLiteral("%1 s of %2 s")
                         .arg(s.timing.elapsed, 0, 'f', 1)
                         .arg(s.timing.duration, 0, 'f', 1));
    line("volume", s.volume ? QString::number(*s.volume) : QStringLiteral("(unknown)"));
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const MusicSource source = MusicSource::spotify;
    auto bridge = SpotifyLocalBridge::create(source);
    int status = 1;

    // The player's process is matched to its MPRIS service once the bus has
    // answered: the first lookup starts following the bus, the second, a
    // moment later, has the answer.
    source.processID();
    QTimer::singleShot(500, &app, [&] {
        const auto pid = source.processID();
        if (!pid) {
            std::fprintf(stderr, "Spotify is not running on this session.\n");
            QCoreApplication::exit(1);
            return;
        }
        std::printf("process    %d\n", *pid);
        bridge->snapshot(*pid, false, [&](SpotifySnapshotResult result) {
            if (result.isSuccess()) {
                print(result.value());
                status = 0;
            } else if (const auto *local = result.localError()) {
                std::fprintf(stderr, "%s\n", qUtf8Printable(describe(*local)));
            } else if (const auto *other = result.otherError()) {
                std::fprintf(stderr, "%s\n", qUtf8Printable(other->description));
            }
            QCoreApplication::exit(status);
        });
    });
    return QCoreApplication::exec();
}
