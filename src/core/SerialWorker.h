#pragma once

#include <QMetaObject>
#include <QObject>
#include <QPointer>
#include <QString>

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

/// A serial queue on one worker thread: jobs run one at a time, in the order
/// they were posted. Blocking work (scripting round-trips, HTTP, decoding)
/// runs here, never on the main thread.
class SerialWorker
{
public:
    /// `label` names the thread (for example "Velloway.Spotify.AppleEvents").
    explicit SerialWorker(QString label);
    SerialWorker(const SerialWorker &) = delete;
    SerialWorker &operator=(const SerialWorker &) = delete;

    /// Drops jobs that have not started and waits for the running one.
    ~SerialWorker();

    void post(std::function<void()> job);

    /// Waits until every job posted so far has run. Never from the worker's
    /// own thread.
    void drain();

    /// Runs `work` here, then hands its result to `completion` on
    /// `context`'s thread (see `deliver`).
    template <typename Work, typename Completion>
    void post(QObject *context, Work work, Completion completion)
    {
        post([context, work = std::move(work), completion = std::move(completion)]() mutable {
            deliver(context, [completion = std::move(completion), result = work()]() mutable {
                completion(std::move(result));
            });
        });
    }

    const QString &label() const { return m_label; }

    /// Runs `fn` on `context`'s thread (the main thread for main-thread
    /// objects) unless `context` is gone by then. From a worker thread this
    /// is safe only while `context` cannot be destroyed meanwhile, as when it
    /// owns this worker: destroying the worker joins the thread before the
    /// owner's QObject part goes away.
    template <typename Fn> static void deliver(QObject *context, Fn &&fn)
    {
        QMetaObject::invokeMethod(
            context,
            [guard = QPointer<QObject>(context), fn = std::forward<Fn>(fn)]() mutable {
                if (guard)
                    fn();
            },
            Qt::QueuedConnection);
    }

private:
    void run();

    QString m_label;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::deque<std::function<void()>> m_jobs;
    bool m_stopping = false;
    std::thread m_thread;
};
