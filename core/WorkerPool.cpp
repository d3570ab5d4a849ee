#include "core/WorkerPool.h"

#include <algorithm>

namespace skf {

int gf_hardwareWorkers() noexcept {
    const unsigned hardware = std::thread::hardware_concurrency();
    return hardware > 0 ? static_cast<int>(hardware) : 2;
}

WorkerPool::WorkerPool(int workers, std::size_t batch)
    : m_workers(std::max(1, workers)), m_batch(std::max<std::size_t>(1, batch)) {
    m_threads.reserve(static_cast<std::size_t>(m_workers));
}

WorkerPool::~WorkerPool() {
    stop();
    // Each jthread joins as the vector goes; the threads leave their loop once the queue is empty.
    std::vector<std::jthread> threads;
    {
        const std::lock_guard lock(m_mutex);
        threads.swap(m_threads);
    }
    threads.clear();
}

void WorkerPool::stop() {
    std::deque<std::unique_ptr<QueuedJob>> dropped;
    {
        const std::lock_guard lock(m_mutex);
        m_stopped = true;
        dropped.swap(m_queue);
    }
    m_stop.request_stop();
    m_wake.notify_all();
    for (const auto& job : dropped)
        job->drop();
}

bool WorkerPool::stopRequested() const {
    const std::lock_guard lock(m_mutex);
    return m_stopped;
}

std::size_t WorkerPool::threads() const {
    const std::lock_guard lock(m_mutex);
    return m_threads.size();
}

void WorkerPool::enqueue(std::unique_ptr<QueuedJob> job) {
    std::unique_lock lock(m_mutex);
    if (m_stopped) {
        lock.unlock();
        job->drop();
        return;
    }
    m_queue.push_back(std::move(job));
    std::size_t wakeUp = 0;
    if (m_queue.size() >= m_batch) {
        try {
            wakeUp = wakeLocked();
        } catch (...) {
            m_queue.pop_back(); // no thread at all: the task would never run
            throw;
        }
    }
    lock.unlock();
    notify(wakeUp);
}

void WorkerPool::wake() {
    std::unique_lock lock(m_mutex);
    const std::size_t wakeUp = m_queue.empty() ? 0 : wakeLocked();
    lock.unlock();
    notify(wakeUp);
}

std::size_t WorkerPool::wakeLocked() {
    // A thread per batch of queued tasks: a thread woken for fewer would go back to sleep at once. (A woken
    // thread stays counted as idle until it has the lock again.)
    const std::size_t wanted = (m_queue.size() + m_batch - 1) / m_batch;
    for (std::size_t have = m_idle; have < wanted && m_threads.size() < static_cast<std::size_t>(m_workers); ++have) {
        try {
            m_threads.emplace_back([this](std::stop_token) { threadBody(m_stop.get_token()); });
        } catch (...) {
            // No thread to be had: a running thread takes the task later. With none running it never would.
            if (m_threads.empty())
                throw;
            break;
        }
    }
    return std::min(wanted, m_idle);
}

void WorkerPool::notify(std::size_t threads) {
    if (threads > 1)
        m_wake.notify_all();
    else if (threads == 1)
        m_wake.notify_one();
}

void WorkerPool::threadBody(std::stop_token stop) {
    std::unique_lock lock(m_mutex);
    for (;;) {
        ++m_idle;
        const bool work = m_wake.wait(lock, stop, [this] { return !m_queue.empty(); });
        --m_idle;
        if (!work)
            return; // stopped, and stop() took the queue
        std::unique_ptr<QueuedJob> job = std::move(m_queue.front());
        m_queue.pop_front();
        lock.unlock();
        job->run(stop);
        job.reset(); // the task's captures go on this thread, before the pool can be destroyed
        lock.lock();
    }
}

} // namespace skf
