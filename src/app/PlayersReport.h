#pragma once

#include <QStringList>

/// `velloway --players`: asks every supported player once, through the same
/// controllers and bridges the crest uses but without asking the user for
/// anything, and prints one line per player (or, with `--json`, one JSON
/// document): installed or not, running or not, the connection state and
/// its message, the song with its position, and which player the crest
/// would show. Opens no window and leaves a running crest alone.
class PlayersReport
{
public:
    /// Whether `arguments` (program name first) ask for the report.
    static bool isRequested(const QStringList &arguments);

    /// Runs the report in a process of its own and returns the exit status:
    /// 0 when every player could be asked.
    static int run(int argc, char **argv);
};
