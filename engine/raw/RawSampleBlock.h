#pragma once
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>

namespace kyp {

// The heap block behind a session's RawMosaic: count 16-bit samples. Kept
// from load to load; reallocated only when the sample count changes.
class RawSampleBlock {
public:
    RawSampleBlock() = default;
    RawSampleBlock(RawSampleBlock&&) noexcept = default;
    RawSampleBlock& operator=(RawSampleBlock&&) noexcept = default;

    // Makes the block hold exactly count samples: keeps the block when it
    // already does, else frees it and allocates a new one (uninitialised).
    // False, with the block freed, when the allocation fails or count is 0.
    [[nodiscard]] bool ensure(size_t count);
    void reset();

    [[nodiscard]] uint16_t* samples() { return samples_.get(); }
    [[nodiscard]] const uint16_t* samples() const { return samples_.get(); }
    [[nodiscard]] size_t count() const { return samples_ ? count_ : 0; }
    [[nodiscard]] bool empty() const { return !samples_; }

private:
    struct Free {
        void operator()(uint16_t* p) const { std::free(p); }
    };
    std::unique_ptr<uint16_t, Free> samples_;
    size_t count_ = 0;
};

}  // namespace kyp
