#include "platform/ThreadPool.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "platform/TestFolder.h"

namespace kyp {
namespace {

// Calls fn(unit, slot) for every unit through a pool.
template <class Fn>
size_t RunAll(ThreadPool& pool, size_t count, Fn& fn, ThreadPool::Gate gate = nullptr) {
    return pool.Run(
        count, [](void* context, size_t unit, unsigned slot) { (*static_cast<Fn*>(context))(unit, slot); }, gate,
        &fn);
}

TEST(ThreadPool, EveryUnitRunsOnceWithSlotsTheThreadsDoNotShare) {
    for (const unsigned size : {1u, 2u, 4u}) {
        ThreadPool pool(size);
        EXPECT_EQ(pool.Threads(), size);
        constexpr size_t kUnits = 5000;
        std::vector<std::atomic<int>> runs(kUnits);
        std::vector<std::atomic<int>> busy(size);
        std::atomic<bool> clash{false};
        auto body = [&](size_t unit, unsigned slot) {
            if (slot >= size || busy[slot].fetch_add(1) != 0) clash = true;
            runs[unit].fetch_add(1);
            busy[slot].fetch_sub(1);
        };
        for (int round = 0; round < 3; ++round) EXPECT_EQ(RunAll(pool, kUnits, body), kUnits);
        EXPECT_FALSE(clash.load()) << size;
        int wrong = 0;
        for (const auto& count : runs) wrong += count.load() != 3;
        EXPECT_EQ(wrong, 0) << size;
    }
}

// The gate sees the units in order on the calling thread; a refusal starts
// no later unit and every unit started has finished when Run returns.
struct GatedJob {
    std::thread::id caller = std::this_thread::get_id();
    size_t next = 0;
    size_t refuseAt = SIZE_MAX;
    bool outOfOrder = false;
    bool offThread = false;
    std::vector<std::atomic<int>> runs = std::vector<std::atomic<int>>(1000);

    static bool Gate(void* context, size_t unit) {
        auto& job = *static_cast<GatedJob*>(context);
        job.outOfOrder |= unit != job.next++;
        job.offThread |= std::this_thread::get_id() != job.caller;
        return unit != job.refuseAt;
    }
    static void Body(void* context, size_t unit, unsigned) { static_cast<GatedJob*>(context)->runs[unit]++; }
};

TEST(ThreadPool, GateRunsInOrderOnTheCallerAndStopsTheHandOut) {
    ThreadPool pool(3);
    for (const size_t refuseAt : {size_t{0}, size_t{1}, size_t{37}, size_t{999}, SIZE_MAX}) {
        GatedJob job;
        job.refuseAt = refuseAt;
        const size_t started = pool.Run(job.runs.size(), &GatedJob::Body, &GatedJob::Gate, &job);
        const size_t expected = refuseAt == SIZE_MAX ? job.runs.size() : refuseAt;
        EXPECT_EQ(started, expected);
        EXPECT_FALSE(job.outOfOrder);
        EXPECT_FALSE(job.offThread);
        size_t wrong = 0;
        for (size_t i = 0; i < job.runs.size(); ++i) wrong += job.runs[i].load() != (i < expected ? 1 : 0);
        EXPECT_EQ(wrong, 0u) << refuseAt;
    }
}

// A unit that runs a job of its own, and a second thread running jobs while
// the pool is busy: both run alone instead of waiting for the pool.
TEST(ThreadPool, NestedAndConcurrentJobsRunAlone) {
    ThreadPool pool(2);
    std::atomic<int> inner{0};
    auto leaf = [&](size_t, unsigned slot) {
        EXPECT_EQ(slot, 0u);
        inner.fetch_add(1);
    };
    auto outer = [&](size_t, unsigned) { RunAll(pool, 10, leaf); };
    EXPECT_EQ(RunAll(pool, 20, outer), 20u);
    EXPECT_EQ(inner.load(), 200);

    std::atomic<long> total{0};
    auto add = [&](size_t unit, unsigned) { total.fetch_add(static_cast<long>(unit)); };
    std::thread other([&] {
        for (int i = 0; i < 200; ++i) RunAll(pool, 100, add);
    });
    for (int i = 0; i < 200; ++i) RunAll(pool, 100, add);
    other.join();
    EXPECT_EQ(total.load(), 400L * 4950);
}

TEST(ThreadPool, LimitAndConfiguredCount) {
    ThreadPool pool(4);
    pool.SetThreadLimit(1);
    EXPECT_EQ(pool.Threads(), 1u);
    std::atomic<int> maxSlot{0};
    auto body = [&](size_t, unsigned slot) {
        int seen = maxSlot.load();
        while (static_cast<int>(slot) > seen && !maxSlot.compare_exchange_weak(seen, static_cast<int>(slot))) {
        }
    };
    RunAll(pool, 500, body);
    EXPECT_EQ(maxSlot.load(), 0);
    pool.SetThreadLimit(0);
    EXPECT_EQ(pool.Threads(), 4u);

    {
        const test::ScopedEnv three("KYP_THREADS", "3");
        EXPECT_EQ(ConfiguredThreadCount(), 3u);
    }
    for (const char* bad : {"0", "x", "3x", "65", "-2", ""}) {
        const test::ScopedEnv threads("KYP_THREADS", bad);
        EXPECT_EQ(ConfiguredThreadCount(), std::clamp(std::thread::hardware_concurrency(), 1u, kMaxThreads)) << bad;
    }
}

}  // namespace
}  // namespace kyp
