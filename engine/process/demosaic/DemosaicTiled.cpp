#include "engine/process/demosaic/DemosaicTiled.h"

#include <algorithm>
#include <atomic>
#include <memory>
#include <new>
#include <string>
#include <thread>
#include <typeinfo>
#include <utility>
#include <vector>

#include "engine/process/demosaic/DemosaicImageBlock.h"
#include "platform/Parallel.h"

namespace kyp {
namespace {

struct TileSpan {
    uint32_t origin;
    uint32_t length;
};

// The tile starting at `origin` along one axis: a whole tile, or what is left
// of the mosaic. A remainder of at most 2 border sites has no pixel of its own
// inside the border, so that last tile is moved back to end at the mosaic's
// edge with 2 border + 2 sites, recomputing a few pixels the previous tile
// already wrote (with the same values: tiles do not depend on each other).
TileSpan Span(uint32_t origin, uint32_t extent, uint32_t tile, uint32_t border) {
    const uint32_t remaining = extent - origin;
    if (remaining <= 2 * border) {
        const uint32_t length = 2 * border + 2;
        return {extent - length, length};
    }
    return {origin, std::min(tile, remaining)};
}

// The spans of every tile along one axis, in walking order.
std::vector<TileSpan> Spans(uint32_t extent, uint32_t tile, uint32_t border) {
    std::vector<TileSpan> spans;
    const uint32_t step = tile - 2 * border;
    spans.reserve(extent / step + 1);
    for (uint32_t origin = 0; origin < extent; origin += step) {
        spans.push_back(Span(origin, extent, tile, border));
        if (extent - origin <= step) break;  // keeps origin + step from wrapping
    }
    return spans;
}

// Worker method objects for a parallel walk: one per extra thread, each made
// by the factory from the method's number. Empty (walk alone) when the
// factory does not make the same kind of method (a caller's own method) or
// memory runs out.
std::vector<std::unique_ptr<DemosaicMethod>> WorkerMethods(const DemosaicMethod& method, unsigned threads) {
    std::vector<std::unique_ptr<DemosaicMethod>> workers;
    try {
        for (unsigned i = 1; i < threads; ++i) {
            std::unique_ptr<DemosaicMethod> worker = CreateDemosaicMethod(method.Number());
            if (!worker) return {};
            const DemosaicMethod& made = *worker;
            if (typeid(made) != typeid(method)) return {};
            workers.push_back(std::move(worker));
        }
    } catch (const std::bad_alloc&) {
        return {};
    }
    return workers;
}

}  // namespace

bool DemosaicTiled(const RawMosaic& mosaic, ProcessedImage& image, DemosaicMethod& method,
                   ProgressCallback* progress, AllocateFunction allocate, ReleaseFunction release) {
    if (mosaic.samples == nullptr) return false;
    const uint32_t border = method.Border();
    const uint32_t tileWidth = method.TileWidth();
    const uint32_t tileHeight = method.TileHeight();
    const uint16_t channels = method.Channels();

    // The walk needs tiles with room for a moved-back tile (2 border + 2) and
    // a mosaic with at least one pixel inside the border; a 1 x N mosaic has
    // nothing to give a method that interpolates from neighbours.
    const uint64_t lost = 2 * static_cast<uint64_t>(border);
    if (tileWidth < lost + 2 || tileHeight < lost + 2 || mosaic.width <= lost || mosaic.height <= lost) {
        return false;
    }
    const uint32_t outputWidth = mosaic.width - 2 * border;
    const uint32_t outputHeight = mosaic.height - 2 * border;
    if (!ShapeDemosaicImage(image, outputWidth, outputHeight, channels, allocate, release)) return false;

    if (progress != nullptr) {
        const std::string text = std::string(method.Name()) + " ...";
        progress->SetText(text.c_str());
    }

    // Rows of tiles from the top, tiles left to right; neighbours overlap by
    // 2 border sites so every output pixel is inside some tile's border.
    // Tiles do not depend on each other (shared pixels get the same values
    // from both tiles), so they are shared out among the threads, each with
    // a method object of its own; the ticks stay on this thread, one before
    // each tile in walking order.
    std::vector<TileSpan> columns;
    std::vector<TileSpan> rows;
    std::unique_ptr<std::atomic<bool>[]> done;
    std::vector<std::unique_ptr<DemosaicMethod>> workers;
    try {
        columns = Spans(mosaic.width, tileWidth, border);
        rows = Spans(mosaic.height, tileHeight, border);
        done.reset(new std::atomic<bool>[columns.size() * rows.size()]);
    } catch (const std::bad_alloc&) {
        return false;
    }
    const size_t tileCount = columns.size() * rows.size();
    for (size_t i = 0; i < tileCount; ++i) done[i].store(false, std::memory_order_relaxed);
    if (tileCount > 1) workers = WorkerMethods(method, ParallelThreads());
    const uint32_t rowLength = channels * outputWidth;
    std::atomic<bool> failed{false};

    // A moved-back tile (the last of a row or column, pulled back to end at
    // the edge) rewrites a few pixels of the tiles before it with the same
    // values; it waits for every earlier tile whose pixels it shares, so that
    // no pixel is written by two threads at once. Those tiles were handed out
    // earlier, so they are running or done.
    auto waitFor = [&](size_t tile) {
        for (int spins = 0; !done[tile].load(std::memory_order_acquire); ++spins) {
            if (spins > 64) std::this_thread::yield();
        }
    };
    // Output spans of two tiles along one axis share a pixel.
    auto share = [&](const TileSpan& a, const TileSpan& b) {
        return a.origin < b.origin + b.length - 2 * border && b.origin < a.origin + a.length - 2 * border;
    };
    auto runTile = [&](size_t index, unsigned slot) {
        const size_t r = index / columns.size();
        const size_t c = index % columns.size();
        const TileSpan& column = columns[c];
        const TileSpan& row = rows[r];
        // Only the neighbours to the left, above left, above and above right
        // come earlier and can share pixels.
        const std::pair<size_t, size_t> earlier[] = {{r, c - 1}, {r - 1, c - 1}, {r - 1, c}, {r - 1, c + 1}};
        for (const auto& [otherRow, otherColumn] : earlier) {
            if (otherRow >= rows.size() || otherColumn >= columns.size()) continue;  // wrapped: no such tile
            if (share(rows[otherRow], row) && share(columns[otherColumn], column)) {
                waitFor(otherRow * columns.size() + otherColumn);
            }
        }
        DemosaicMethod& worker = slot == 0 || workers.empty() ? method : *workers[slot - 1];
        if (!worker.ProcessTile(image.samples, rowLength, mosaic, column.origin, row.origin, column.length,
                                row.length)) {
            failed.store(true, std::memory_order_relaxed);
        }
        done[index].store(true, std::memory_order_release);
    };
    auto gate = [&](size_t) { return !failed.load(std::memory_order_relaxed) && Tick(progress, 1); };

    size_t started = 0;
    if (workers.empty()) {
        // Alone: the same walk, without the pool.
        while (started < tileCount && gate(started)) runTile(started++, 0);
    } else {
        started = ParallelForGated(tileCount, gate, runTile);
    }
    if (failed.load(std::memory_order_relaxed)) return false;
    if (started < tileCount) {
        ReleaseDemosaicImage(image, allocate, release);
        return false;
    }
    return true;
}

}  // namespace kyp
