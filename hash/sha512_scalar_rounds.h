// SHA-512 rounds on 64-bit general registers, for x86-64 block functions.
//
// Not a shared header: each file that includes it first defines
// VN_BLOCK_TARGET (its target features) and gets its own copy of these
// functions, compiled for its own target only (internal linkage).
#if !defined(VN_BLOCK_TARGET)
#error "define VN_BLOCK_TARGET before including sha512_scalar_rounds.h"
#endif

#include <cstring>

namespace {

VN_TARGET(VN_BLOCK_TARGET) VN_ALWAYS_INLINE ULONGLONG RotateRight64(ULONGLONG x, unsigned bits)
{
    return (x >> bits) | (x << (64 - bits));
}

// Round t on the ring v, as in sha2_core.h: a is v[-t mod 8].
VN_TARGET(VN_BLOCK_TARGET) VN_ALWAYS_INLINE void ScalarRound(ULONGLONG* v, unsigned t, ULONGLONG constantPlusWord)
{
    const ULONGLONG a = v[(0 - t) & 7], b = v[(1 - t) & 7], c = v[(2 - t) & 7];
    ULONGLONG& d = v[(3 - t) & 7];
    const ULONGLONG e = v[(4 - t) & 7], f = v[(5 - t) & 7], g = v[(6 - t) & 7];
    ULONGLONG& h = v[(7 - t) & 7];

    const ULONGLONG bigSigma1 = RotateRight64(e, 14) ^ RotateRight64(e, 18) ^ RotateRight64(e, 41);
    const ULONGLONG bigSigma0 = RotateRight64(a, 28) ^ RotateRight64(a, 34) ^ RotateRight64(a, 39);
    const ULONGLONG t1 = h + bigSigma1 + (((f ^ g) & e) ^ g) + constantPlusWord;
    const ULONGLONG t2 = bigSigma0 + (((a | b) & c) | (a & b));
    d += t1;
    h = t1 + t2;
}

VN_TARGET(VN_BLOCK_TARGET) VN_ALWAYS_INLINE void LoadState(ULONGLONG* v, const ULONGLONG* state)
{
    std::memcpy(v, state, 8 * sizeof(ULONGLONG));
}

VN_TARGET(VN_BLOCK_TARGET) VN_ALWAYS_INLINE void AddState(ULONGLONG* state, const ULONGLONG* v)
{
    VN_UNROLL(8)
    for (unsigned i = 0; i < 8; ++i)
        state[i] += v[i];
}

}  // namespace
