#include "hash/sha3/keccak.h"

#include "hash/simd_target.h"
#include "hash/words.h"

namespace {

constexpr unsigned kRounds = 24;

// ι: RC[i] of the rounds 0..23.
// clang-format off
constexpr ULONGLONG kRoundConstants[kRounds] = {
    0x0000000000000001ULL, 0x0000000000008082ULL, 0x800000000000808AULL, 0x8000000080008000ULL,
    0x000000000000808BULL, 0x0000000080000001ULL, 0x8000000080008081ULL, 0x8000000000008009ULL,
    0x000000000000008AULL, 0x0000000000000088ULL, 0x0000000080008009ULL, 0x000000008000000AULL,
    0x000000008000808BULL, 0x800000000000008BULL, 0x8000000000008089ULL, 0x8000000000008003ULL,
    0x8000000000008002ULL, 0x8000000000000080ULL, 0x000000000000800AULL, 0x800000008000000AULL,
    0x8000000080008081ULL, 0x8000000000008080ULL, 0x0000000080000001ULL, 0x8000000080008008ULL,
};

// ρ: the rotation of lane x + 5y, one row per y.
constexpr unsigned kRhoOffsets[kKeccakLanes] = {
     0,  1, 62, 28, 27,
    36, 44,  6, 55, 20,
     3, 10, 43, 25, 39,
    41, 45, 15, 21,  8,
    18,  2, 61, 56, 14,
};
// clang-format on

// π moves lane (x, y) to (y, 2x + 3y).
constexpr unsigned PiTarget(unsigned lane)
{
    const unsigned x = lane % 5, y = lane / 5;
    return y + 5 * ((2 * x + 3 * y) % 5);
}

// One round. Fully unrolled, so that every index is a constant and the
// compiler keeps the lanes in registers as far as they go.
VN_ALWAYS_INLINE void Round(ULONGLONG* a, ULONGLONG roundConstant)
{
    // θ
    ULONGLONG c[5], d[5];
    VN_UNROLL(5)
    for (unsigned x = 0; x < 5; ++x) {
        c[x] = a[x] ^ a[x + 5] ^ a[x + 10] ^ a[x + 15] ^ a[x + 20];
    }
    VN_UNROLL(5)
    for (unsigned x = 0; x < 5; ++x) {
        d[x] = c[(x + 4) % 5] ^ Rotl(c[(x + 1) % 5], 1);
    }
    // ρ and π
    ULONGLONG b[kKeccakLanes];
    VN_UNROLL(25)
    for (unsigned lane = 0; lane < kKeccakLanes; ++lane) {
        b[PiTarget(lane)] = Rotl(a[lane] ^ d[lane % 5], kRhoOffsets[lane]);
    }
    // χ
    VN_UNROLL(25)
    for (unsigned lane = 0; lane < kKeccakLanes; ++lane) {
        const unsigned row = lane - lane % 5;
        a[lane] = b[lane] ^ (~b[row + (lane + 1) % 5] & b[row + (lane + 2) % 5]);
    }
    // ι
    a[0] ^= roundConstant;
}

}  // namespace

void AbsorbKeccakBlocks(ULONGLONG* lanes, const BYTE* data, size_t count, size_t rate)
{
    ULONGLONG a[kKeccakLanes];
    for (unsigned lane = 0; lane < kKeccakLanes; ++lane) {
        a[lane] = lanes[lane];
    }
    for (; count > 0; --count, data += rate) {
        for (size_t lane = 0; lane < rate / 8; ++lane) {
            a[lane] ^= LoadLittleEndian<ULONGLONG>(data + 8 * lane);
        }
        for (unsigned round = 0; round < kRounds; ++round) {
            Round(a, kRoundConstants[round]);
        }
    }
    for (unsigned lane = 0; lane < kKeccakLanes; ++lane) {
        lanes[lane] = a[lane];
    }
}
