#pragma once
#include <cstddef>
#include <functional>

namespace kyp {

// The image blocks of the desktop program's session. A block fresh from the
// system costs a page fault at the first touch of each of its pages, and on a
// virtual machine that is slow enough (tens of milliseconds for one 22 MB
// image block) that the engine's first unticked pass over a new block (the
// copy that starts the output stage) would stall the window. The pages are
// made present here instead, a slice at a time, with the interface's pump
// between slices. Blocks are large blocks (huge pages where they fill them)
// and go back with ReleasePumped. Called on another thread than the pump's,
// the pages are made present at once.
[[nodiscard]] void* AllocatePumped(size_t bytes);
void ReleasePumped(void* block);

// What runs between two slices (the status strip's PumpIfDue), or nothing.
// Set by the one main frame for its lifetime; interface thread only.
void SetAllocationPump(std::function<void()> pump);

// Bytes touched between two calls of the pump.
inline constexpr size_t kPumpedSliceBytes = size_t{1} << 20;

}  // namespace kyp
