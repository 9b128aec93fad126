#include "app/Launcher.h"
#include "app/PlayersReport.h"

int main(int argc, char **argv)
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    if (PlayersReport::isRequested(arguments))
        return PlayersReport::run(argc, argv);
    return Launcher::run(argc, argv);
}
