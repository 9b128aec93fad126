#include "core/TimerScheduler.h"

#include <QPointer>
#include <QTimer>

#include <cmath>

namespace {

int toMilliseconds(Seconds value)
{
    const double ms = std::ceil(value.count() * 1000.0);
    return ms <= 0 ? 0 : static_cast<int>(std::min(ms, 2'000'000'000.0));
}

CancelHandle start(QTimer *timer, std::function<void()> callback, bool repeating)
{
    QObject::connect(timer, &QTimer::timeout, timer,
                     [timer, repeating, callback = std::move(callback)] {
                         if (!repeating)
                             timer->deleteLater();
                         callback();
                     });
    timer->start();
    QPointer<QTimer> guard(timer);
    return CancelHandle([guard] {
        if (guard) {
            guard->stop();
            guard->deleteLater();
        }
    });
}

} // namespace

CancelHandle TimerScheduler::after(Seconds delay, std::function<void()> callback)
{
    auto *timer = new QTimer;
    timer->setSingleShot(true);
    timer->setTimerType(Qt::PreciseTimer);
    timer->setInterval(toMilliseconds(delay));
    return start(timer, std::move(callback), false);
}

CancelHandle TimerScheduler::every(Seconds interval, Seconds tolerance,
                                   std::function<void()> callback)
{
    auto *timer = new QTimer;
    // A coarse timer may fire up to 5% late, which is within the tolerance the
    // callers allow; a precise one otherwise.
    const bool coarseFits = tolerance.count() >= interval.count() * 0.05;
    timer->setTimerType(coarseFits ? Qt::CoarseTimer : Qt::PreciseTimer);
    timer->setInterval(toMilliseconds(interval));
    return start(timer, std::move(callback), true);
}

TimerScheduler &TimerScheduler::shared()
{
    static TimerScheduler scheduler;
    return scheduler;
}
