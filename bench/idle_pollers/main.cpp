#include "app/Launcher.h"
#include "core/TimerScheduler.h"
#include "players/model/MusicSource.h"

#include <QCoreApplication>

#include <vector>

// The program as it idles with every player's controller polling while no
// player runs: the real crest, plus per source the tick a controller makes
// then (one lookup in the shared scan of running applications, once a
// second).
int main(int argc, char **argv)
{
    std::vector<CancelHandle> pollers;
    return Launcher::run(argc, argv, [&pollers](AppDelegate &) {
        for (MusicSource source : MusicSource::allCases()) {
            pollers.push_back(TimerScheduler::shared().every(
                Seconds(1), Seconds(0.1), [source] { (void)source.processID(); }));
        }
        QObject::connect(qApp, &QCoreApplication::aboutToQuit, [&pollers] { pollers.clear(); });
    });
}
