#pragma once
#include <cstddef>

namespace kyp {

// Image sample blocks are allocated and released only through a session's pair
// of memory functions (the heap by default).
using AllocateFunction = void* (*)(size_t bytes);
using ReleaseFunction = void (*)(void* block);

}  // namespace kyp
