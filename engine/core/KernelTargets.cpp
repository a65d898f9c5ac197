#include "engine/core/KernelTargets.h"

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <cstring>

namespace kyp {

KernelTarget DetectKernelTarget() {
#if KYP_HAVE_TARGETS
    __builtin_cpu_init();
    if (__builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw") &&
        __builtin_cpu_supports("avx512vl") && __builtin_cpu_supports("avx512dq") &&
        __builtin_cpu_supports("avx2") && __builtin_cpu_supports("bmi2") && __builtin_cpu_supports("fma")) {
        return KernelTarget::avx512;
    }
    if (__builtin_cpu_supports("avx2") && __builtin_cpu_supports("bmi2") && __builtin_cpu_supports("fma")) {
        return KernelTarget::avx2;
    }
#endif
    return KernelTarget::baseline;
}

namespace {

std::atomic<KernelTarget> gLimit{KernelTarget::avx512};

KernelTarget Detected() {
    static const KernelTarget target = [] {
        const KernelTarget detected = DetectKernelTarget();
        const char* wanted = std::getenv("KYP_SIMD");
        if (wanted == nullptr) return detected;
        if (std::strcmp(wanted, "baseline") == 0) return KernelTarget::baseline;
        if (std::strcmp(wanted, "avx2") == 0 && detected != KernelTarget::baseline) return KernelTarget::avx2;
        return detected;
    }();
    return target;
}

}  // namespace

KernelTarget KernelTargetInUse() { return std::min(Detected(), gLimit.load(std::memory_order_relaxed)); }

KernelTarget SetKernelTargetLimit(KernelTarget limit) { return gLimit.exchange(limit); }

}  // namespace kyp
