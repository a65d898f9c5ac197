#include "platform/ThreadPool.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>

namespace kyp {

namespace {

// Spins before a thread goes to sleep: long enough to catch the next step of
// a pipeline (they follow each other within microseconds), short enough not
// to steal a shared machine's time between runs.
constexpr int kJobSpins = 4000;
constexpr int kUnitSpins = 2000;

inline void Pause() {
#if defined(__x86_64__) || defined(__i386__)
    __builtin_ia32_pause();
#else
    std::this_thread::yield();
#endif
}

// Set while this thread runs a unit (or a whole job alone): a Run from inside
// then runs alone instead of waiting for the pool it is part of.
thread_local bool tInsideJob = false;

struct InsideJob {
    bool previous;
    InsideJob() : previous(tInsideJob) { tInsideJob = true; }
    ~InsideJob() { tInsideJob = previous; }
    InsideJob(const InsideJob&) = delete;
    InsideJob& operator=(const InsideJob&) = delete;
};

}  // namespace

unsigned ConfiguredThreadCount() {
    if (const char* text = std::getenv("KYP_THREADS"); text != nullptr && *text != '\0') {
        char* end = nullptr;
        errno = 0;
        const unsigned long value = std::strtoul(text, &end, 10);
        if (errno == 0 && *end == '\0' && value >= 1 && value <= kMaxThreads) return static_cast<unsigned>(value);
    }
    const unsigned hardware = std::thread::hardware_concurrency();
    return std::clamp(hardware, 1u, kMaxThreads);
}

ThreadPool::ThreadPool(unsigned threads) {
    threads = std::clamp(threads, 1u, kMaxThreads);
    workers_.reserve(threads - 1);
    try {
        for (unsigned i = 1; i < threads; ++i) workers_.emplace_back([this] { WorkerLoop(); });
    } catch (...) {
        // Fewer workers than asked for (no threads to be had): the pool still works.
    }
}

ThreadPool::~ThreadPool() {
    {
        std::lock_guard<std::mutex> lock(joinMutex_);
        stopping_ = true;
        ++generation_;
        published_.store(generation_, std::memory_order_release);
    }
    wake_.notify_all();
    for (std::thread& worker : workers_) worker.join();
}

ThreadPool& ThreadPool::Shared() {
    static ThreadPool pool(ConfiguredThreadCount());
    return pool;
}

unsigned ThreadPool::Threads() const {
    const auto size = static_cast<unsigned>(workers_.size() + 1);
    const unsigned limit = limit_.load(std::memory_order_relaxed);
    return limit == 0 ? size : std::min(limit, size);
}

size_t ThreadPool::RunAlone(size_t count, Body body, Gate gate, void* context) {
    InsideJob inside;
    for (size_t unit = 0; unit < count; ++unit) {
        if (gate != nullptr && !gate(context, unit)) return unit;
        body(context, unit, 0);
    }
    return count;
}

size_t ThreadPool::Claim(bool wait) {
    int spins = 0;
    for (;;) {
        const size_t released = released_.load(std::memory_order_acquire);
        size_t next = next_.load(std::memory_order_relaxed);
        if (next < (released & ~kClosed)) {
            if (next_.compare_exchange_weak(next, next + 1, std::memory_order_acq_rel, std::memory_order_relaxed)) {
                return next;
            }
            continue;
        }
        if ((released & kClosed) != 0 || !wait) return kNone;
        if (++spins < kUnitSpins) {
            Pause();
        } else {
            released_.wait(released, std::memory_order_acquire);
        }
    }
}

void ThreadPool::WorkerLoop() {
    uint64_t seen = 0;
    for (;;) {
        for (int i = 0; i < kJobSpins && published_.load(std::memory_order_acquire) == seen; ++i) Pause();
        unsigned slot = 0;
        {
            std::unique_lock<std::mutex> lock(joinMutex_);
            wake_.wait(lock, [&] { return stopping_ || generation_ != seen; });
            if (stopping_) return;
            seen = generation_;
            if (!open_ || joined_ >= maxJoin_) continue;
            slot = 1 + joined_++;
            active_.fetch_add(1, std::memory_order_relaxed);
        }
        {
            InsideJob inside;
            for (size_t unit; (unit = Claim(true)) != kNone;) {
                body_(context_, unit, slot);
                finished_.fetch_add(1, std::memory_order_release);
            }
        }
        if (active_.fetch_sub(1, std::memory_order_acq_rel) == 1) active_.notify_all();
    }
}

size_t ThreadPool::Run(size_t count, Body body, Gate gate, void* context) {
    if (count == 0) return 0;
    const unsigned threads = Threads();
    if (threads <= 1 || count == 1 || tInsideJob || !runMutex_.try_lock()) {
        return RunAlone(count, body, gate, context);
    }
    std::lock_guard<std::mutex> run(runMutex_, std::adopt_lock);
    InsideJob inside;

    body_ = body;
    context_ = context;
    next_.store(0, std::memory_order_relaxed);
    finished_.store(0, std::memory_order_relaxed);
    released_.store(gate == nullptr ? (count | kClosed) : 0, std::memory_order_relaxed);
    {
        std::lock_guard<std::mutex> lock(joinMutex_);
        ++generation_;
        open_ = true;
        joined_ = 0;
        maxJoin_ = threads - 1;
        published_.store(generation_, std::memory_order_release);
    }
    wake_.notify_all();

    auto runUnit = [&](size_t unit) {
        body(context, unit, 0);
        finished_.fetch_add(1, std::memory_order_release);
    };

    size_t released = gate == nullptr ? count : 0;
    if (gate != nullptr) {
        // Hand units out a few per thread ahead of the finished ones, so the
        // gate (a progress tick) keeps pace with the work; while that many
        // wait, this thread takes one itself.
        const size_t window = 2 * size_t{threads};
        while (released < count) {
            if (released < finished_.load(std::memory_order_acquire) + window) {
                if (!gate(context, released)) break;
                ++released;
                released_.store(released, std::memory_order_release);
                released_.notify_all();
                continue;
            }
            const size_t unit = Claim(false);
            if (unit != kNone) {
                runUnit(unit);
            } else {
                Pause();
            }
        }
        released_.store(released | kClosed, std::memory_order_release);
        released_.notify_all();
    }
    for (size_t unit; (unit = Claim(true)) != kNone;) runUnit(unit);

    {
        std::lock_guard<std::mutex> lock(joinMutex_);
        open_ = false;
    }
    for (unsigned active; (active = active_.load(std::memory_order_acquire)) != 0;) {
        active_.wait(active, std::memory_order_acquire);
    }
    return released;
}

}  // namespace kyp
