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

// (Units, slots, gates and nested jobs are exercised by the parallel demosaic
// and session tests, which compare the pictures on every thread count.)
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
