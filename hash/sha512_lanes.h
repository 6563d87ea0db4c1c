// SHA-512 with the message schedule on vector registers, two words each.
// The 32-bit build runs the rounds on vectors too, every working variable in
// the low 64-bit lane of a register: that is what it has instead of 64-bit
// general registers. The x86-64 build runs the rounds on its general
// registers (sha512_scalar_rounds.h) while the vector units extend the
// schedule beside them.
//
// Not a shared header: each block-function file that includes it first
// defines VN_BLOCK_TARGET (its target features), VN_LANES_TERNARY (1 where
// AVX-512VL offers vprorq and vpternlogq) and VN_LANES_ENTRY (the name of its
// block function), and gets its own copy of these functions, compiled for its
// own target only (internal linkage).
#if !defined(VN_BLOCK_TARGET) || !defined(VN_LANES_TERNARY) || !defined(VN_LANES_ENTRY)
#error "define VN_BLOCK_TARGET, VN_LANES_TERNARY and VN_LANES_ENTRY before including sha512_lanes.h"
#endif

#include <immintrin.h>

#include "hash/sha2_tables.h"
#if defined(VN_X86_64)
#include "hash/sha512_scalar_rounds.h"
#endif

namespace {

template <int kBits> VN_TARGET(VN_BLOCK_TARGET) VN_ALWAYS_INLINE __m128i RotateRight(__m128i x)
{
#if VN_LANES_TERNARY
    return _mm_ror_epi64(x, kBits);
#else
    return _mm_or_si128(_mm_srli_epi64(x, kBits), _mm_slli_epi64(x, 64 - kBits));
#endif
}

VN_TARGET(VN_BLOCK_TARGET) VN_ALWAYS_INLINE __m128i Xor3(__m128i x, __m128i y, __m128i z)
{
#if VN_LANES_TERNARY
    return _mm_ternarylogic_epi64(x, y, z, 0x96);
#else
    return _mm_xor_si128(_mm_xor_si128(x, y), z);
#endif
}

VN_TARGET(VN_BLOCK_TARGET) VN_ALWAYS_INLINE __m128i Add(__m128i x, __m128i y) { return _mm_add_epi64(x, y); }

VN_TARGET(VN_BLOCK_TARGET) VN_ALWAYS_INLINE __m128i SmallSigma0(__m128i x)
{
    return Xor3(RotateRight<1>(x), RotateRight<8>(x), _mm_srli_epi64(x, 7));
}

VN_TARGET(VN_BLOCK_TARGET) VN_ALWAYS_INLINE __m128i SmallSigma1(__m128i x)
{
    return Xor3(RotateRight<19>(x), RotateRight<61>(x), _mm_srli_epi64(x, 6));
}

// W[t..t+1] from the ring of the sixteen words before them, held as eight
// pairs: pair p holds W[t-16+2p mod 16 ..]; the result replaces pairs[p].
VN_TARGET(VN_BLOCK_TARGET) VN_ALWAYS_INLINE __m128i NextWordPair(const __m128i* pairs, unsigned p)
{
    const __m128i words2 = pairs[(p + 7) & 7];                                          // W[t-2], W[t-1]
    const __m128i words7 = _mm_alignr_epi8(pairs[(p + 5) & 7], pairs[(p + 4) & 7], 8);  // W[t-7], W[t-6]
    const __m128i words15 = _mm_alignr_epi8(pairs[(p + 1) & 7], pairs[p], 8);           // W[t-15], W[t-14]
    return Add(Add(SmallSigma1(words2), words7), Add(SmallSigma0(words15), pairs[p]));
}

VN_TARGET(VN_BLOCK_TARGET) VN_ALWAYS_INLINE void LoadWordPairs(__m128i* pairs, const BYTE* block)
{
    // Big-endian words: the bytes of each 64-bit lane in reverse.
    const __m128i byteSwap = _mm_set_epi64x(0x08090A0B0C0D0E0FLL, 0x0001020304050607LL);
    VN_UNROLL(8)
    for (int p = 0; p < 8; ++p) {
        pairs[p] = _mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(block + 16 * p)), byteSwap);
    }
}

VN_TARGET(VN_BLOCK_TARGET) VN_ALWAYS_INLINE __m128i AddConstants(__m128i pair, unsigned t)
{
    return Add(pair, _mm_loadu_si128(reinterpret_cast<const __m128i*>(kSha512K + t)));
}

#if defined(VN_X86_64)

// Sixteen rounds from round `first` (a multiple of 16) on, taking W[t] + K[t]
// from the ring `sums`; with `extend`, each pair of words, once used, makes
// way for the pair sixteen words later and its sums.
template <bool kExtend>
VN_TARGET(VN_BLOCK_TARGET)
VN_ALWAYS_INLINE void SixteenRounds(ULONGLONG* v, __m128i* pairs, ULONGLONG* sums, unsigned first)
{
    VN_UNROLL(8)
    for (unsigned p = 0; p < 8; ++p) {
        ScalarRound(v, 2 * p, sums[2 * p]);
        ScalarRound(v, 2 * p + 1, sums[2 * p + 1]);
        if (kExtend) {
            pairs[p] = NextWordPair(pairs, p);
            _mm_store_si128(reinterpret_cast<__m128i*>(sums + 2 * p), AddConstants(pairs[p], first + 16 + 2 * p));
        }
    }
}

VN_TARGET(VN_BLOCK_TARGET) VN_ALWAYS_INLINE void CompressBlocks(ULONGLONG* state, const BYTE* data, int count)
{
    for (; count > 0; --count, data += 128) {
        __m128i pairs[8];
        LoadWordPairs(pairs, data);
        alignas(16) ULONGLONG sums[16];
        VN_UNROLL(8)
        for (unsigned p = 0; p < 8; ++p)
            _mm_store_si128(reinterpret_cast<__m128i*>(sums + 2 * p), AddConstants(pairs[p], 2 * p));
        ULONGLONG v[8];
        LoadState(v, state);
        for (unsigned first = 0; first < 64; first += 16)
            SixteenRounds<true>(v, pairs, sums, first);
        SixteenRounds<false>(v, pairs, sums, 64);
        AddState(state, v);
    }
}

#else

// x ? y : z, bit by bit.
VN_TARGET(VN_BLOCK_TARGET) VN_ALWAYS_INLINE __m128i Choose(__m128i x, __m128i y, __m128i z)
{
#if VN_LANES_TERNARY
    return _mm_ternarylogic_epi64(x, y, z, 0xCA);
#else
    return _mm_xor_si128(_mm_and_si128(x, _mm_xor_si128(y, z)), z);
#endif
}

// The majority of x, y and z, bit by bit.
VN_TARGET(VN_BLOCK_TARGET) VN_ALWAYS_INLINE __m128i Majority(__m128i x, __m128i y, __m128i z)
{
#if VN_LANES_TERNARY
    return _mm_ternarylogic_epi64(x, y, z, 0xE8);
#else
    return _mm_or_si128(_mm_and_si128(x, y), _mm_and_si128(z, _mm_or_si128(x, y)));
#endif
}

VN_TARGET(VN_BLOCK_TARGET) VN_ALWAYS_INLINE __m128i BigSigma0(__m128i x)
{
    return Xor3(RotateRight<28>(x), RotateRight<34>(x), RotateRight<39>(x));
}

VN_TARGET(VN_BLOCK_TARGET) VN_ALWAYS_INLINE __m128i BigSigma1(__m128i x)
{
    return Xor3(RotateRight<14>(x), RotateRight<18>(x), RotateRight<41>(x));
}

// Round t on the ring v, as in sha2_core.h: a is v[-t mod 8].
VN_TARGET(VN_BLOCK_TARGET) VN_ALWAYS_INLINE void LaneRound(__m128i* v, unsigned t, __m128i constantPlusWord)
{
    const __m128i a = v[(0 - t) & 7], b = v[(1 - t) & 7], c = v[(2 - t) & 7];
    __m128i& d = v[(3 - t) & 7];
    const __m128i e = v[(4 - t) & 7], f = v[(5 - t) & 7], g = v[(6 - t) & 7];
    __m128i& h = v[(7 - t) & 7];

    const __m128i t1 = Add(Add(h, BigSigma1(e)), Add(Choose(e, f, g), constantPlusWord));
    const __m128i t2 = Add(BigSigma0(a), Majority(a, b, c));
    d = Add(d, t1);
    h = Add(t1, t2);
}

// Sixteen rounds from round `first` (a multiple of 16) on; with `extend`,
// each word pair, once used, is replaced by the pair sixteen words later.
template <bool kExtend>
VN_TARGET(VN_BLOCK_TARGET)
VN_ALWAYS_INLINE void SixteenRounds(__m128i* v, __m128i* pairs, unsigned first)
{
    VN_UNROLL(8)
    for (unsigned p = 0; p < 8; ++p) {
        const __m128i sums = AddConstants(pairs[p], first + 2 * p);
        LaneRound(v, 2 * p, sums);
        LaneRound(v, 2 * p + 1, _mm_unpackhi_epi64(sums, sums));
        if (kExtend)
            pairs[p] = NextWordPair(pairs, p);
    }
}

VN_TARGET(VN_BLOCK_TARGET) VN_ALWAYS_INLINE void CompressBlocks(ULONGLONG* state, const BYTE* data, int count)
{
    __m128i v[8];
    VN_UNROLL(8)
    for (int i = 0; i < 8; ++i)
        v[i] = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(state + i));

    for (; count > 0; --count, data += 128) {
        __m128i pairs[8];
        LoadWordPairs(pairs, data);
        __m128i before[8];
        VN_UNROLL(8)
        for (int i = 0; i < 8; ++i)
            before[i] = v[i];
        for (unsigned first = 0; first < 64; first += 16)
            SixteenRounds<true>(v, pairs, first);
        SixteenRounds<false>(v, pairs, 64);
        VN_UNROLL(8)
        for (int i = 0; i < 8; ++i)
            v[i] = Add(v[i], before[i]);
    }

    VN_UNROLL(8)
    for (int i = 0; i < 8; ++i)
        _mm_storel_epi64(reinterpret_cast<__m128i*>(state + i), v[i]);
}

#endif

}  // namespace

VN_SIMD_ENTRY(VN_BLOCK_TARGET) void VN_LANES_ENTRY(ULONGLONG* state, const BYTE* data, int count)
{
    CompressBlocks(state, data, count);
}
