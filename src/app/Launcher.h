#pragma once

#include <functional>

class AppDelegate;

/// The process entry: one running copy, the launch sequence, the event loop.
class Launcher final
{
public:
    /// `afterLaunch` (for benchmarks) runs once the launch sequence is done.
    static int run(int argc, char **argv,
                   const std::function<void(AppDelegate &)> &afterLaunch = {});
};
