// CRC-32 with PCLMULQDQ. Four 128-bit accumulators take 64 bytes a step:
// each is multiplied forward by x^512 modulo P, carry-less, its low and high
// halves by a constant each, and the next 64 bytes are added in. At the end
// the accumulators fold into one, by x^128 a step, and the last 16 bytes of
// remainder, with any tail, go through the portable function.
//
// In a register loaded from the message, bit i holds the coefficient of
// x^(127 - i). The product of two 64-bit halves in that order comes out one
// place short (bit k holds x^(126 - k)), so each constant carries one power
// of x less: x^(D + 63) for the low half (x^127..x^64), x^(D - 1) for the high.
#include "hash/crc32/crc32_blocks.h"

#if defined(VN_X86)

#include <immintrin.h>

#define VN_PCLMUL "pclmul"

namespace {

// x^n mod P in the upper half of a 64-bit lane, in the register's bit order.
constexpr ULONGLONG FoldFactor(unsigned n) { return ULONGLONG {PowerOfXModP(n)} << 32; }

constexpr unsigned kLanes = 4;
constexpr size_t kStep = 16 * kLanes;

VN_TARGET(VN_PCLMUL) VN_ALWAYS_INLINE __m128i FoldFactors(ULONGLONG lowHalf, ULONGLONG highHalf)
{
    return _mm_set_epi64x(static_cast<long long>(highHalf), static_cast<long long>(lowHalf));
}

VN_TARGET(VN_PCLMUL) VN_ALWAYS_INLINE __m128i Load(const BYTE* data)
{
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(data));
}

// `x` times x^D modulo P, congruent and within 128 bits; `factors` from FoldFactors for D.
VN_TARGET(VN_PCLMUL) VN_ALWAYS_INLINE __m128i FoldForward(__m128i x, __m128i factors)
{
    return _mm_xor_si128(_mm_clmulepi64_si128(x, factors, 0x00), _mm_clmulepi64_si128(x, factors, 0x11));
}

}  // namespace

VN_SIMD_ENTRY(VN_PCLMUL) DWORD UpdateCrc32Pclmul(DWORD crc, const BYTE* data, size_t length)
{
    if (length < kStep) {
        return UpdateCrc32Portable(crc, data, length);
    }
    __m128i lanes[kLanes];
    for (unsigned i = 0; i < kLanes; ++i) {
        lanes[i] = Load(data + 16 * i);
    }
    // The register stands for the first 32 bits to come.
    lanes[0] = _mm_xor_si128(lanes[0], _mm_cvtsi32_si128(static_cast<int>(crc)));
    data += kStep;
    length -= kStep;

    const __m128i by512 = FoldFactors(FoldFactor(512 + 63), FoldFactor(512 - 1));
    for (; length >= kStep; data += kStep, length -= kStep) {
        for (unsigned i = 0; i < kLanes; ++i) {
            lanes[i] = _mm_xor_si128(FoldForward(lanes[i], by512), Load(data + 16 * i));
        }
    }
    const __m128i by128 = FoldFactors(FoldFactor(128 + 63), FoldFactor(128 - 1));
    __m128i folded = lanes[0];
    for (unsigned i = 1; i < kLanes; ++i) {
        folded = _mm_xor_si128(FoldForward(folded, by128), lanes[i]);
    }
    for (; length >= 16; data += 16, length -= 16) {
        folded = _mm_xor_si128(FoldForward(folded, by128), Load(data));
    }

    // The remainder of those 128 bits is the CRC register of their bytes from zero.
    alignas(16) BYTE remainder[16];
    _mm_store_si128(reinterpret_cast<__m128i*>(remainder), folded);
    return UpdateCrc32Portable(UpdateCrc32Portable(0, remainder, 16), data, length);
}

#endif
