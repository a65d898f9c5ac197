#pragma once
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "engine/core/MemoryFunctions.h"
#include "platform/LargeBlock.h"

namespace kyp {

// A block of 16-bit samples that a step keeps between runs: Reserve grows it only
// when a run needs more than it holds. It allocates through the given memory
// functions (AllocateLargeBlock and ReleaseLargeBlock when either is missing)
// and releases on destruction.
class ScratchBlock {
public:
    ScratchBlock() = default;
    ScratchBlock(AllocateFunction allocate, ReleaseFunction release) {
        if (allocate != nullptr && release != nullptr) {
            allocate_ = allocate;
            release_ = release;
        }
    }
    ~ScratchBlock() { Release(); }
    ScratchBlock(const ScratchBlock&) = delete;
    ScratchBlock& operator=(const ScratchBlock&) = delete;

    // False when the block cannot be made `samples` long; it is then empty.
    [[nodiscard]] bool Reserve(size_t samples) {
        if (samples == 0 || (samples <= capacity_ && data_ != nullptr)) return true;
        Release();
        if (samples > SIZE_MAX / sizeof(uint16_t)) return false;
        data_ = static_cast<uint16_t*>(allocate_(samples * sizeof(uint16_t)));
        if (data_ == nullptr) return false;
        capacity_ = samples;
        return true;
    }

    void Release() {
        if (data_ != nullptr) release_(data_);
        data_ = nullptr;
        capacity_ = 0;
    }

    [[nodiscard]] uint16_t* Data() const { return data_; }
    [[nodiscard]] size_t Capacity() const { return capacity_; }

private:
    AllocateFunction allocate_ = &AllocateLargeBlock;
    ReleaseFunction release_ = &ReleaseLargeBlock;
    uint16_t* data_ = nullptr;
    size_t capacity_ = 0;
};

}  // namespace kyp
