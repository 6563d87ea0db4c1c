// SHA-256 with the SHA extensions. sha256rnds2 runs two rounds on the state
// split as ABEF and CDGH; sha256msg1 and sha256msg2 extend the schedule four
// words at a time. Only eight XMM registers are needed, so the 32-bit build
// runs it at the same speed.
#include "hash/sha2_blocks.h"

#if defined(VN_X86)

#include <immintrin.h>

#include <cstring>

#include "hash/sha2_tables.h"

#define VN_SHANI "sha,sse4.1"

namespace {

VN_TARGET(VN_SHANI) VN_ALWAYS_INLINE __m128i LoadBigEndianWords(const BYTE* bytes)
{
    const __m128i byteSwap = _mm_set_epi64x(0x0C0D0E0F08090A0BLL, 0x0405060700010203LL);
    return _mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes)), byteSwap);
}

// 64 rounds as sixteen groups of four. Group g takes W[4g..4g+3] from
// message[g % 4]; from group 1 to 12 sha256msg1 starts the next-but-two
// quad, from group 3 to 14 the previous quad and sha256msg2 finish the next.
VN_TARGET(VN_SHANI) VN_ALWAYS_INLINE void CompressBlock(__m128i& abef, __m128i& cdgh, const BYTE* block)
{
    const __m128i abefBefore = abef, cdghBefore = cdgh;
    __m128i message[4];
    VN_UNROLL(16)
    for (int group = 0; group < 16; ++group) {
        __m128i& current = message[group & 3];
        if (group < 4)
            current = LoadBigEndianWords(block + 16 * group);
        __m128i words = _mm_add_epi32(current, _mm_loadu_si128(reinterpret_cast<const __m128i*>(kSha256K + 4 * group)));
        cdgh = _mm_sha256rnds2_epu32(cdgh, abef, words);
        if (group >= 3 && group < 15) {
            __m128i& next = message[(group + 1) & 3];
            next = _mm_add_epi32(next, _mm_alignr_epi8(current, message[(group - 1) & 3], 4));
            next = _mm_sha256msg2_epu32(next, current);
        }
        words = _mm_shuffle_epi32(words, 0x0E);
        abef = _mm_sha256rnds2_epu32(abef, cdgh, words);
        if (group >= 1 && group < 13) {
            __m128i& previous = message[(group - 1) & 3];
            previous = _mm_sha256msg1_epu32(previous, current);
        }
    }
    abef = _mm_add_epi32(abef, abefBefore);
    cdgh = _mm_add_epi32(cdgh, cdghBefore);
}

// The state words H0..H7 as sha256rnds2 takes them.
VN_TARGET(VN_SHANI) VN_ALWAYS_INLINE void LoadState(const DWORD* state, __m128i& abef, __m128i& cdgh)
{
    const __m128i* const words = reinterpret_cast<const __m128i*>(state);
    const __m128i cdab = _mm_shuffle_epi32(_mm_loadu_si128(words), 0xB1);
    const __m128i efgh = _mm_shuffle_epi32(_mm_loadu_si128(words + 1), 0x1B);
    abef = _mm_alignr_epi8(cdab, efgh, 8);
    cdgh = _mm_blend_epi16(efgh, cdab, 0xF0);
}

VN_TARGET(VN_SHANI) VN_ALWAYS_INLINE void StoreState(__m128i abef, __m128i cdgh, DWORD* state)
{
    __m128i* const words = reinterpret_cast<__m128i*>(state);
    const __m128i feba = _mm_shuffle_epi32(abef, 0x1B);
    const __m128i dchg = _mm_shuffle_epi32(cdgh, 0xB1);
    _mm_storeu_si128(words, _mm_blend_epi16(feba, dchg, 0xF0));
    _mm_storeu_si128(words + 1, _mm_alignr_epi8(dchg, feba, 8));
}

}  // namespace

VN_SIMD_ENTRY(VN_SHANI) void CompressBlocks256Shani(DWORD* state, const BYTE* data, int count)
{
    __m128i abef, cdgh;
    LoadState(state, abef, cdgh);
    for (; count > 0; --count, data += 64)
        CompressBlock(abef, cdgh, data);
    StoreState(abef, cdgh, state);
}

VN_SIMD_ENTRY(VN_SHANI) void CompressBlocks256ShaniThrough(DWORD* state, BYTE* buffer, const BYTE* data, int count)
{
    __m128i abef, cdgh;
    LoadState(state, abef, cdgh);
    for (; count > 0; --count, data += 64) {
        std::memcpy(buffer, data, 64);
        CompressBlock(abef, cdgh, buffer);
    }
    StoreState(abef, cdgh, state);
}

#endif
