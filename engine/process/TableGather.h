#pragma once
// Lookups of 16-bit samples in 1024-entry tables widened to 32-bit entries,
// sixteen at a time with AVX-512 gathers; the table steps and the raw tables
// use them where the processor allows.
#include <cstddef>
#include <cstdint>

#include "engine/core/KernelTargets.h"
#include "engine/process/ToneTable.h"

#if KYP_HAVE_TARGETS
#include <immintrin.h>

namespace kyp {

// gcc 12 takes the "undefined" vectors inside its AVX-512 intrinsics for
// uninitialised variables.
#pragma GCC diagnostic push
#if !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif
// p[k] = entries[offsets[k % 16] + min(p[k], 1023)] for the whole groups of
// sixteen samples at the start of p; returns how many samples that was.
KYP_TARGET_AVX512 inline size_t GatherTableWords(uint16_t* p, size_t count, const uint32_t* entries,
                                                 __m512i offsets) {
    const __m512i largest = _mm512_set1_epi32(kToneTableMax);
    size_t k = 0;
    for (; k + 16 <= count; k += 16) {
        const __m512i samples = _mm512_cvtepu16_epi32(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + k)));
        const __m512i index = _mm512_add_epi32(_mm512_min_epu32(samples, largest), offsets);
        const __m512i value = _mm512_i32gather_epi32(index, reinterpret_cast<const int*>(entries), 4);
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(p + k), _mm512_cvtepi32_epi16(value));
    }
    return k;
}
#pragma GCC diagnostic pop

}  // namespace kyp
#endif
