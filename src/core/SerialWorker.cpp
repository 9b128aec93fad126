#include "core/SerialWorker.h"

#include <future>

#include <pthread.h>

SerialWorker::SerialWorker(QString label) : m_label(std::move(label))
{
    m_thread = std::thread([this] { run(); });
    // Linux limits thread names to 15 bytes; keep the role, which is the end.
    const QByteArray name = m_label.toUtf8().right(15);
    pthread_setname_np(m_thread.native_handle(), name.constData());
}

SerialWorker::~SerialWorker()
{
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
        m_jobs.clear();
    }
    m_wake.notify_all();
    if (m_thread.joinable())
        m_thread.join();
}

void SerialWorker::post(std::function<void()> job)
{
    {
        std::lock_guard lock(m_mutex);
        if (m_stopping)
            return;
        m_jobs.push_back(std::move(job));
    }
    m_wake.notify_one();
}

void SerialWorker::drain()
{
    std::promise<void> done;
    std::future<void> ran = done.get_future();
    {
        std::lock_guard lock(m_mutex);
        if (m_stopping)
            return;
        m_jobs.push_back([&done] { done.set_value(); });
    }
    m_wake.notify_one();
    ran.wait();
}

void SerialWorker::run()
{
    for (;;) {
        std::function<void()> job;
        {
            std::unique_lock lock(m_mutex);
            m_wake.wait(lock, [this] { return m_stopping || !m_jobs.empty(); });
            if (m_stopping)
                return;
            job = std::move(m_jobs.front());
            m_jobs.pop_front();
        }
        job();
    }
}
