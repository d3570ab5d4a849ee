#pragma once
// The worker threads of the scans (livery scan, add-on airport scan) and of the database read: a pool of at
// most a fixed number of threads that runs queued tasks in the order they were queued.
//
// One pool serves one walk (or one read): its owner queues tasks from its own thread, awaits their futures
// with gf_awaitWorker, at most a bounded time each, and destroys the pool when it is done. Destruction
// stops the pool: tasks still queued never start (their futures carry WorkerPoolStopped), running tasks see
// their stop token, and every thread is joined, so no task outlives its pool. A task whose wait expired is
// abandoned by its owner but keeps running until it ends or its pool is destroyed; it must therefore own
// what it uses (copies, shared_ptr) or use only what outlives the pool.
//
// Threads are started as the queue needs them (one per batch of queued tasks, see the constructor), up to
// the pool's worker count; an idle thread sleeps on a condition variable. Nothing here polls.

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <exception>
#include <functional>
#include <future>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <stop_token>
#include <thread>
#include <type_traits>
#include <utility>
#include <vector>

namespace skf {

// The worker count of a pool that should use the whole machine: the hardware's thread count, 2 when it
// reports none.
int gf_hardwareWorkers() noexcept;

// The error in the future of a task that its pool dropped before it started.
class WorkerPoolStopped : public std::runtime_error {
public:
    WorkerPoolStopped() : std::runtime_error("worker pool stopped before the task started") {}
};

class WorkerPool {
public:
    // A pool of at most `workers` threads (at least one). With a batch above 1 a queued task wakes the
    // threads only once `batch` tasks wait (or the owner awaits one, see await): for owners that queue
    // many short tasks, one wake-up per batch instead of one per task.
    explicit WorkerPool(int workers, std::size_t batch = 1);
    ~WorkerPool();
    WorkerPool(const WorkerPool&) = delete;
    WorkerPool& operator=(const WorkerPool&) = delete;

    // Queues the task: a callable taking no argument or a std::stop_token (raised when the pool stops).
    // Its result, or the exception it throws, goes to the future. After stop() a task is not queued: its
    // future carries WorkerPoolStopped at once. Throws std::system_error when no thread could be started
    // while none is running.
    template <class F>
    auto submit(F&& task) {
        using Task = std::decay_t<F>;
        constexpr bool takesToken = std::is_invocable_v<Task&, std::stop_token>;
        using Result = typename std::conditional_t<takesToken, std::invoke_result<Task&, std::stop_token>,
                                                   std::invoke_result<Task&>>::type;
        auto job = std::make_unique<Job<Task, Result, takesToken>>(std::forward<F>(task));
        std::future<Result> future = job->promise.get_future();
        enqueue(std::move(job));
        return future;
    }

    // Hands every queued task to the threads at once (starting them as needed).
    void wake();

    // gf_awaitWorker for a task of this pool; a task not done yet first hands the queue to the threads.
    template <class Result>
    Result await(std::future<Result>& future, std::chrono::milliseconds limit);

    // Drops the queued tasks and raises the running tasks' stop tokens; the threads end after their task.
    void stop();
    [[nodiscard]] bool stopRequested() const;

    [[nodiscard]] int workers() const noexcept { return m_workers; }
    // Threads started so far (at most workers()).
    [[nodiscard]] std::size_t threads() const;

private:
    struct QueuedJob {
        virtual ~QueuedJob() = default;
        virtual void run(std::stop_token stop) noexcept = 0;
        virtual void drop() noexcept = 0;
    };

    template <class Task, class Result, bool takesToken>
    struct Job final : QueuedJob {
        explicit Job(Task&& t) : task(std::move(t)) {}
        explicit Job(const Task& t) : task(t) {}
        void run(std::stop_token stop) noexcept override {
            try {
                if constexpr (std::is_void_v<Result>) {
                    invoke(stop);
                    promise.set_value();
                } else {
                    promise.set_value(invoke(stop));
                }
            } catch (...) {
                promise.set_exception(std::current_exception());
            }
        }
        void drop() noexcept override { promise.set_exception(std::make_exception_ptr(WorkerPoolStopped())); }
        Result invoke(const std::stop_token& stop) {
            if constexpr (takesToken)
                return std::invoke(task, stop);
            else
                return std::invoke(task);
        }
        Task task;
        std::promise<Result> promise;
    };

    void enqueue(std::unique_ptr<QueuedJob> job);
    // Starts the threads the queue needs and tells how many idle threads to wake; under m_mutex.
    std::size_t wakeLocked();
    void notify(std::size_t threads);
    void threadBody(std::stop_token stop);

    const int m_workers;
    const std::size_t m_batch;
    mutable std::mutex m_mutex;
    std::condition_variable_any m_wake;
    std::deque<std::unique_ptr<QueuedJob>> m_queue; // under m_mutex
    std::size_t m_idle = 0;                         // threads waiting for a task, under m_mutex
    bool m_stopped = false;                         // under m_mutex
    std::stop_source m_stop;
    std::vector<std::jthread> m_threads; // grown under m_mutex; joined by the destructor
};

// Waits at most `limit` for the task's end and returns its result (or raises its exception). Not done in
// time: std::runtime_error "Future wait timed out after 10 seconds" (the scans' wait is 10 seconds; tests
// shorten it); the task is then abandoned to its pool.
template <class Result>
Result gf_awaitWorker(std::future<Result>& future, std::chrono::milliseconds limit) {
    if (future.wait_for(limit) != std::future_status::ready)
        throw std::runtime_error("Future wait timed out after 10 seconds");
    return future.get();
}

template <class Result>
Result WorkerPool::await(std::future<Result>& future, std::chrono::milliseconds limit) {
    if (future.wait_for(std::chrono::seconds(0)) != std::future_status::ready)
        wake();
    return gf_awaitWorker(future, limit);
}

// The scans' bound on the wait for one task.
inline constexpr std::chrono::milliseconds kWorkerWait = std::chrono::seconds(10);

} // namespace skf
