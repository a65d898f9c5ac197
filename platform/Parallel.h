#pragma once
// Spreading one step's work over the shared thread pool. Every split here
// divides independent items (samples, pixels, rows, tiles) into ranges; each
// item is computed exactly as in a plain loop, so results do not depend on the
// number of threads. Progress ticks are called on the calling thread only, in
// the order and number of the plain loop; a tick that cancels stops the
// hand-out, and the call returns once the ranges already handed out are done,
// leaving every item before the cancelling tick done and none after it.
#include <algorithm>
#include <cstddef>
#include <new>
#include <type_traits>
#include <utility>
#include <vector>

#include "engine/core/ProgressCallback.h"
#include "platform/ThreadPool.h"

namespace kyp {

// Threads the engine's steps use (1 when running alone).
[[nodiscard]] inline unsigned ParallelThreads() { return ThreadPool::Shared().Threads(); }

// body(unit, slot) for every unit in [0, count); slot < ParallelThreads()
// tells the threads running at the same time apart (per-thread scratch).
template <class Body>
void ParallelFor(size_t count, Body&& body) {
    using B = std::remove_reference_t<Body>;
    ThreadPool::Shared().Run(
        count, [](void* context, size_t unit, unsigned slot) { (*static_cast<B*>(context))(unit, slot); }, nullptr,
        &body);
}

// As ParallelFor, with gate(unit) called on this thread, in unit order, before
// each unit starts; false starts no further unit. Returns the units started.
template <class Gate, class Body>
size_t ParallelForGated(size_t count, Gate&& gate, Body&& body) {
    struct Pair {
        std::remove_reference_t<Gate>* gate;
        std::remove_reference_t<Body>* body;
    } pair{&gate, &body};
    return ThreadPool::Shared().Run(
        count,
        [](void* context, size_t unit, unsigned slot) { (*static_cast<Pair*>(context)->body)(unit, slot); },
        [](void* context, size_t unit) -> bool { return (*static_cast<Pair*>(context)->gate)(unit); }, &pair);
}

// work(begin, end, slot) over [0, items) in ranges of at most `grain` items,
// possibly at the same time on several threads (slot as for ParallelFor).
template <class Work>
void ParallelRanges(size_t items, size_t grain, Work&& work) {
    grain = std::max<size_t>(grain, 1);
    const size_t units = (items + grain - 1) / grain;
    ParallelFor(units, [&](size_t unit, unsigned slot) {
        const size_t begin = unit * grain;
        work(begin, std::min(items, begin + grain), slot);
    });
}

// The phase that makes TickedRanges tick before item i when (items - 1 - i)
// is a multiple of period (a tick whenever a multiple of `period` items
// remain after the one about to start).
[[nodiscard]] inline size_t CountdownPhase(size_t items, size_t period) {
    return items == 0 ? 0 : (period - (items - 1) % period) % period;
}

// work(begin, end, slot) over [0, items), with Tick(1) before each item i for which
// (i + phase) % period == 0 when progress is given. Ranges hold at most
// `grain` items and never contain a ticked item other than their first. False
// when a tick cancelled (items before it done, none after it).
template <class Work>
bool TickedRanges(size_t items, size_t period, size_t phase, ProgressCallback* progress, size_t grain, Work&& work) {
    grain = std::max<size_t>(grain, 1);
    if (progress == nullptr || period == 0) {
        ParallelRanges(items, grain, work);
        return true;
    }
    struct Range {
        size_t begin, end;
        bool tick;
    };
    std::vector<Range> ranges;
    const size_t first = (period - phase % period) % period;  // first ticked item
    try {
        ranges.reserve(items / period + items / grain + 2);
        auto add = [&](size_t begin, size_t end, bool tick) {
            for (size_t b = begin; b < end; b += grain) {
                ranges.push_back({b, std::min(end, b + grain), tick && b == begin});
            }
        };
        add(0, std::min(first, items), false);
        for (size_t t = first; t < items; t += period) add(t, std::min(items, t + period), true);
    } catch (const std::bad_alloc&) {
        // No room for the list: one range per tick, in a plain loop.
        for (size_t begin = 0; begin < items;) {
            const bool tick = (begin + phase) % period == 0;
            if (tick && !progress->Tick(1)) return false;
            const size_t next = begin < first ? std::min(first, items) : std::min(items, begin + period);
            work(begin, next, 0u);
            begin = next;
        }
        return true;
    }
    const size_t started = ParallelForGated(
        ranges.size(), [&](size_t unit) { return !ranges[unit].tick || progress->Tick(1); },
        [&](size_t unit, unsigned slot) { work(ranges[unit].begin, ranges[unit].end, slot); });
    return started == ranges.size();
}

}  // namespace kyp
