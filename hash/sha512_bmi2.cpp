// SHA-512 with scalar rounds for x86-64, built for BMI2: `rorx` rotates into
// a new register without touching its source or the flags, which saves a
// copy per rotation. All eight working variables stay in registers; the
// schedule keeps a window of sixteen words.
#include "hash/sha2_blocks.h"

#if defined(VN_X86_64)

#if defined(_MSC_VER)
#include <stdlib.h>  // _byteswap_uint64
#endif

#include "hash/sha2_tables.h"

#define VN_BLOCK_TARGET "bmi2"
#include "hash/sha512_scalar_rounds.h"

namespace {

VN_TARGET(VN_BLOCK_TARGET) VN_ALWAYS_INLINE ULONGLONG LoadBigEndian64(const BYTE* bytes)
{
    ULONGLONG word;
    std::memcpy(&word, bytes, sizeof(word));
#if defined(_MSC_VER)
    return _byteswap_uint64(word);
#else
    return __builtin_bswap64(word);
#endif
}

VN_TARGET(VN_BLOCK_TARGET) VN_ALWAYS_INLINE ULONGLONG ScheduleWord(const ULONGLONG* w, unsigned t)
{
    const ULONGLONG w2 = w[(t - 2) & 15], w15 = w[(t - 15) & 15];
    const ULONGLONG sigma1 = RotateRight64(w2, 19) ^ RotateRight64(w2, 61) ^ (w2 >> 6);
    const ULONGLONG sigma0 = RotateRight64(w15, 1) ^ RotateRight64(w15, 8) ^ (w15 >> 7);
    return sigma1 + w[(t - 7) & 15] + sigma0 + w[t & 15];
}

// Sixteen rounds from round `first` (a multiple of 16) on; with `extend`,
// each schedule word, once used, is replaced by the one sixteen rounds later.
template <bool kExtend>
VN_TARGET(VN_BLOCK_TARGET)
VN_ALWAYS_INLINE void SixteenRounds(ULONGLONG* v, ULONGLONG* w, unsigned first)
{
    VN_UNROLL(16)
    for (unsigned j = 0; j < 16; ++j) {
        ScalarRound(v, j, kSha512K[first + j] + w[j]);
        if (kExtend)
            w[j] = ScheduleWord(w, j + 16);
    }
}

}  // namespace

VN_SIMD_ENTRY(VN_BLOCK_TARGET) void CompressBlocks512Bmi2(ULONGLONG* state, const BYTE* data, int count)
{
    for (; count > 0; --count, data += 128) {
        ULONGLONG w[16];
        VN_UNROLL(16)
        for (unsigned j = 0; j < 16; ++j)
            w[j] = LoadBigEndian64(data + 8 * j);
        ULONGLONG v[8];
        LoadState(v, state);
        for (unsigned first = 0; first < 64; first += 16)
            SixteenRounds<true>(v, w, first);
        SixteenRounds<false>(v, w, 64);
        AddState(state, v);
    }
}

#endif
