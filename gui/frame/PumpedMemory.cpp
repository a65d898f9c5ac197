#include "gui/frame/PumpedMemory.h"

#include <unistd.h>

#include <cstdlib>
#include <thread>
#include <utility>

namespace kyp {

namespace {

std::function<void()>& Pump() {
    static std::function<void()> pump;
    return pump;
}

// The pump runs the interface's events: only on the thread that set it.
std::thread::id& PumpThread() {
    static std::thread::id thread;
    return thread;
}

size_t PageSize() {
    static const size_t size = [] {
        const long page = ::sysconf(_SC_PAGESIZE);
        return page > 0 ? static_cast<size_t>(page) : size_t{4096};
    }();
    return size;
}

}  // namespace

void SetAllocationPump(std::function<void()> pump) {
    Pump() = std::move(pump);
    PumpThread() = std::this_thread::get_id();
}

void* AllocatePumped(size_t bytes) {
    auto* block = static_cast<unsigned char*>(std::malloc(bytes));
    if (block == nullptr || bytes <= kPumpedSliceBytes || std::this_thread::get_id() != PumpThread()) return block;
    // Write one byte per page (the block's contents are undefined until the
    // engine fills it), pumping after every slice. A copy of the pump is run,
    // so that a frame that goes away meanwhile does not pull it from under us.
    const std::function<void()> pump = Pump();
    const size_t page = PageSize();
    volatile unsigned char* const touch = block;
    for (size_t slice = 0; slice < bytes; slice += kPumpedSliceBytes) {
        const size_t end = bytes - slice > kPumpedSliceBytes ? slice + kPumpedSliceBytes : bytes;
        for (size_t at = slice; at < end; at += page) touch[at] = 0;
        if (pump) pump();
    }
    return block;
}

void ReleasePumped(void* block) { std::free(block); }

}  // namespace kyp
