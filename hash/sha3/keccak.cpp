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

// The lane that π brings to `lane`: π moves lane (x, y) to (y, 2x + 3y).
constexpr unsigned PiSource(unsigned lane)
{
    const unsigned x = lane % 5, y = lane / 5;
    return (x + 3 * y) % 5 + 5 * x;
}

// One round from `a` into `e`. Each row of χ is computed from the five lanes
// that ρ and π bring to it, so that only a row's worth of values is live at
// a time; the two states take turns instead of copying back.
VN_ALWAYS_INLINE void Round(const ULONGLONG* a, ULONGLONG* e, ULONGLONG roundConstant)
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
    VN_UNROLL(5)
    for (unsigned y = 0; y < 5; ++y) {
        // ρ and π
        ULONGLONG b[5];
        VN_UNROLL(5)
        for (unsigned x = 0; x < 5; ++x) {
            const unsigned source = PiSource(x + 5 * y);
            b[x] = Rotl(a[source] ^ d[source % 5], kRhoOffsets[source]);
        }
        // χ
        VN_UNROLL(5)
        for (unsigned x = 0; x < 5; ++x) {
            e[x + 5 * y] = b[x] ^ (~b[(x + 1) % 5] & b[(x + 2) % 5]);
        }
    }
    // ι
    e[0] ^= roundConstant;
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
        ULONGLONG e[kKeccakLanes];
        for (unsigned round = 0; round < kRounds; round += 2) {
            Round(a, e, kRoundConstants[round]);
            Round(e, a, kRoundConstants[round + 1]);
        }
    }
    for (unsigned lane = 0; lane < kKeccakLanes; ++lane) {
        lanes[lane] = a[lane];
    }
}
