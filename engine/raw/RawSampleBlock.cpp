#include "engine/raw/RawSampleBlock.h"

#include "platform/LargeBlock.h"

namespace kyp {

bool RawSampleBlock::ensure(size_t count) {
    if (samples_ && count_ == count) return true;
    reset();
    if (count == 0 || count > SIZE_MAX / sizeof(uint16_t)) return false;
    samples_.reset(static_cast<uint16_t*>(AllocateLargeBlock(count * sizeof(uint16_t))));
    if (!samples_) return false;
    count_ = count;
    return true;
}

void RawSampleBlock::reset() {
    samples_.reset();
    count_ = 0;
}

}  // namespace kyp
