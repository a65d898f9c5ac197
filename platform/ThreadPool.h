#pragma once
#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <thread>
#include <vector>

namespace kyp {

// Threads one run is spread over: the number in the environment variable
// KYP_THREADS when it holds one from 1 to kMaxThreads, otherwise the machine's
// hardware threads (at least 1, at most kMaxThreads).
inline constexpr unsigned kMaxThreads = 64;
[[nodiscard]] unsigned ConfiguredThreadCount();

// A small persistent pool: Threads() - 1 workers that sleep between jobs, plus
// the calling thread, which always takes part. One job at a time: a second
// thread calling Run while a job is under way (or a unit of a job calling Run)
// has its job run on its own thread alone, so nothing ever waits for the pool.
class ThreadPool {
public:
    // unit in [0, count); slot in [0, Threads()): no two threads run units of
    // the same job with the same slot at the same time (per-slot scratch space).
    using Body = void (*)(void* context, size_t unit, unsigned slot);
    // Called on the calling thread, in unit order, before a unit is handed
    // out; false hands out nothing more.
    using Gate = bool (*)(void* context, size_t unit);

    explicit ThreadPool(unsigned threads);
    ~ThreadPool();
    ThreadPool(const ThreadPool&) = delete;
    ThreadPool& operator=(const ThreadPool&) = delete;

    // The process-wide pool of ConfiguredThreadCount() threads, made on first use.
    static ThreadPool& Shared();

    // Threads a job may use: the pool's size, or fewer under SetThreadLimit.
    [[nodiscard]] unsigned Threads() const;
    // Caps the threads of later jobs (0: no cap). For comparisons and benchmarks.
    void SetThreadLimit(unsigned limit) { limit_.store(limit, std::memory_order_relaxed); }

    // Runs body for units 0 .. count-1 and returns when every unit handed out
    // has finished. Units are handed out in increasing order, each after its
    // gate (when given) agreed, at most a few per thread ahead of the finished
    // ones, so gates keep pace with the work. Returns the number of units
    // handed out: count, or fewer when a gate said no.
    size_t Run(size_t count, Body body, Gate gate, void* context);

private:
    void WorkerLoop();
    // Next unit handed out and not yet taken, or kNone once the job is closed
    // and drained (or, without wait, when none is to be had right now).
    size_t Claim(bool wait);
    size_t RunAlone(size_t count, Body body, Gate gate, void* context);

    static constexpr size_t kNone = SIZE_MAX;
    static constexpr size_t kClosed = size_t{1} << (sizeof(size_t) * 8 - 1);

    std::vector<std::thread> workers_;
    std::atomic<unsigned> limit_{0};

    // One job at a time; a busy pool makes other callers run alone.
    std::mutex runMutex_;

    // Joining a job happens under joinMutex_, so that a worker that wakes late
    // cannot join a job that has already been closed.
    std::mutex joinMutex_;
    std::condition_variable wake_;
    uint64_t generation_ = 0;      // guarded by joinMutex_
    bool open_ = false;            // guarded by joinMutex_
    bool stopping_ = false;        // guarded by joinMutex_
    unsigned joined_ = 0;          // guarded by joinMutex_; workers that joined this job
    unsigned maxJoin_ = 0;         // guarded by joinMutex_
    std::atomic<uint64_t> published_{0};  // generation_, readable without the lock

    // The job. Written before the job is published, read after joining.
    Body body_ = nullptr;
    void* context_ = nullptr;
    std::atomic<size_t> next_{0};      // next unit to take
    std::atomic<size_t> released_{0};  // units handed out, | kClosed when no more will be
    std::atomic<size_t> finished_{0};  // units done
    std::atomic<unsigned> active_{0};  // workers inside the job
};

}  // namespace kyp
