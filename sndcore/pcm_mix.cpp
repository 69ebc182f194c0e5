#include "pcm_mix.h"

#include <algorithm>

#if defined(__x86_64__) || defined(__i386__)
#include <emmintrin.h>
#define ZEMRA_MIX_SSE2 1
#elif defined(__aarch64__)
#include <arm_neon.h>
#define ZEMRA_MIX_NEON 1
#endif

namespace zemra::snd {
namespace {

void addScalar(int16_t* dest, const int16_t* src, size_t n) {
    for (size_t i = 0; i < n; ++i) {
        const int32_t sum = int32_t(dest[i]) + int32_t(src[i]);
        dest[i] = static_cast<int16_t>(std::clamp(sum, -32768, 32767));
    }
}

}  // namespace

bool packedAddAvailable() {
#if defined(ZEMRA_MIX_SSE2)
    return __builtin_cpu_supports("sse2");
#elif defined(ZEMRA_MIX_NEON)
    return true;
#else
    return false;
#endif
}

void addSaturating(int16_t* dest, const int16_t* src, size_t n, bool packed) {
    size_t i = 0;
    if (packed) {
#if defined(ZEMRA_MIX_SSE2)
        for (; i + 8 <= n; i += 8) {
            const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(dest + i));
            const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + i));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(dest + i), _mm_adds_epi16(a, b));
        }
#elif defined(ZEMRA_MIX_NEON)
        for (; i + 8 <= n; i += 8) {
            vst1q_s16(dest + i, vqaddq_s16(vld1q_s16(dest + i), vld1q_s16(src + i)));
        }
#endif
    }
    addScalar(dest + i, src + i, n - i);
}

}  // namespace zemra::snd
