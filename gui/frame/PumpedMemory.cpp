#include "gui/frame/PumpedMemory.h"

#include <algorithm>
#include <thread>
#include <utility>

#include "platform/LargeBlock.h"

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

}  // namespace

void SetAllocationPump(std::function<void()> pump) {
    Pump() = std::move(pump);
    PumpThread() = std::this_thread::get_id();
}

void* AllocatePumped(size_t bytes) {
    if (std::this_thread::get_id() != PumpThread()) return AllocateLargeBlock(bytes);
    auto* block = static_cast<unsigned char*>(ReserveLargeBlock(bytes));
    if (block == nullptr) return nullptr;
    // The kernel provides the pages a slice at a time (huge pages where the
    // block fills them), pumping after every slice. A copy of the pump is
    // run, so that a frame that goes away meanwhile does not pull it from
    // under us.
    const std::function<void()> pump = Pump();
    for (size_t slice = 0; slice < bytes; slice += kPumpedSliceBytes) {
        MakePagesPresent(block + slice, std::min(kPumpedSliceBytes, bytes - slice));
        if (pump) pump();
    }
    return block;
}

void ReleasePumped(void* block) { ReleaseLargeBlock(block); }

}  // namespace kyp
