#pragma once
// Runtime choice of instruction set for hot kernels. A kernel's body is an
// always-inlined function, wrapped three times: in a KYP_TARGET_AVX512
// function, a KYP_TARGET_AVX2 function and a plain one; the caller picks one
// with KernelTargetInUse() once per run (KYP_KERNEL_VARIANTS does
// all of that). The release build stays runnable on any x86-64: only the
// chosen function ever executes wider instructions. The arithmetic is the
// same integer arithmetic in every version, so all three give the same bits.

namespace kyp {

enum class KernelTarget { baseline, avx2, avx512 };

// The widest instruction set this processor and the operating system support.
[[nodiscard]] KernelTarget DetectKernelTarget();

// What kernels chosen from now on use: DetectKernelTarget(), or less when the
// environment variable KYP_SIMD says "avx2" or "baseline", or when a limit is
// set (for comparisons in tests and benchmarks).
[[nodiscard]] KernelTarget KernelTargetInUse();
// Caps KernelTargetInUse() at limit (avx512: no cap); returns the previous cap.
KernelTarget SetKernelTargetLimit(KernelTarget limit);

}  // namespace kyp

#if defined(__x86_64__) && defined(__GNUC__) && !defined(__clang__)
// gcc keeps to 256-bit vectors unless told that 512 bits are welcome.
#define KYP_TARGET_AVX512 \
    __attribute__((target("avx512f,avx512bw,avx512vl,avx512dq,avx2,bmi2,fma,prefer-vector-width=512")))
#define KYP_TARGET_AVX2 __attribute__((target("avx2,bmi2,fma")))
#define KYP_HAVE_TARGETS 1
#elif defined(__x86_64__) && defined(__clang__)
#define KYP_TARGET_AVX512 __attribute__((target("avx512f,avx512bw,avx512vl,avx512dq,avx2,bmi2,fma")))
#define KYP_TARGET_AVX2 __attribute__((target("avx2,bmi2,fma")))
#define KYP_HAVE_TARGETS 1
#else
#define KYP_HAVE_TARGETS 0
#endif

// For kernel bodies: inlined into each instruction-set wrapper.
#define KYP_ALWAYS_INLINE inline __attribute__((always_inline))

// Defines name##Avx512, name##Avx2 and name##Baseline, each running
// body(arguments) compiled for its instruction set, and Pick##name(target),
// which returns the one for a KernelTarget. params is the parenthesised
// parameter list, arguments the parenthesised argument list.
#if KYP_HAVE_TARGETS
#define KYP_KERNEL_VARIANTS(name, body, params, arguments)                              \
    KYP_TARGET_AVX512 void name##Avx512 params { body arguments; }                      \
    KYP_TARGET_AVX2 void name##Avx2 params { body arguments; }                          \
    void name##Baseline params { body arguments; }                                      \
    [[maybe_unused]] inline auto Pick##name(::kyp::KernelTarget target) {               \
        return target == ::kyp::KernelTarget::avx512 ? &name##Avx512                    \
               : target == ::kyp::KernelTarget::avx2 ? &name##Avx2                      \
                                                      : &name##Baseline;                \
    }
#else
#define KYP_KERNEL_VARIANTS(name, body, params, arguments)                              \
    void name##Baseline params { body arguments; }                                      \
    [[maybe_unused]] inline auto Pick##name(::kyp::KernelTarget) { return &name##Baseline; }
#endif
