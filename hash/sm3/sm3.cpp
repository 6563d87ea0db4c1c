#include "hash/sm3/sm3.h"

#include <algorithm>
#include <array>

#include "hash/sha2_core.h"
#include "hash/simd_target.h"
#include "hash/words.h"

namespace {

// What the SHA-2 streaming code (sha2_core.h) needs to know of SM3.
struct Sm3Family {
    using Word = DWORD;
    static constexpr DWORD kBlockSize = 64;
};

constexpr unsigned kRounds = 64;
// The rounds from 16 on take the majority and choice functions.
constexpr unsigned kFirstLateRound = 16;

// clang-format off
constexpr DWORD kInitialValue[8] = {
    0x7380166F, 0x4914B2B9, 0x172442D7, 0xDA8A0600,
    0xA96F30BC, 0x163138AA, 0xE38DEE4D, 0xB0FB0E4E,
};
// clang-format on
constexpr DWORD kEarlyT = 0x79CC4519;
constexpr DWORD kLateT = 0x7A879D8A;

// T_j <<< (j mod 32), as round j adds it.
constexpr std::array<DWORD, kRounds> RotatedRoundConstants()
{
    std::array<DWORD, kRounds> constants {};
    for (unsigned j = 0; j < kRounds; ++j) {
        constants[j] = Rotl(j < kFirstLateRound ? kEarlyT : kLateT, j % 32);
    }
    return constants;
}
constexpr std::array<DWORD, kRounds> kRotatedT = RotatedRoundConstants();

VN_ALWAYS_INLINE DWORD P0(DWORD x) { return x ^ Rotl(x, 9) ^ Rotl(x, 17); }
VN_ALWAYS_INLINE DWORD P1(DWORD x) { return x ^ Rotl(x, 15) ^ Rotl(x, 23); }

// Late, FF is the majority and GG the choice function, each in a form with
// one operation less than the standard's (x & y) | (x & z) | (y & z) and
// (x & y) | (~x & z).
template <bool kLate> VN_ALWAYS_INLINE DWORD FF(DWORD x, DWORD y, DWORD z)
{
    return kLate ? (x & y) | ((x | y) & z) : x ^ y ^ z;
}
template <bool kLate> VN_ALWAYS_INLINE DWORD GG(DWORD x, DWORD y, DWORD z)
{
    return kLate ? ((y ^ z) & x) ^ z : x ^ y ^ z;
}

// W[j] of the expanded message, from the sixteen words before it.
VN_ALWAYS_INLINE DWORD ExpandedWord(const DWORD* w, unsigned j)
{
    return P1(w[j - 16] ^ w[j - 9] ^ Rotl(w[j - 3], 15)) ^ Rotl(w[j - 13], 7) ^ w[j - 6];
}

// Round j, which takes W[j] and W'[j] = W[j] ^ W[j + 4]; with kExpand it
// first extends the message by W[j + 4]. Expanding round by round rather
// than all at once keeps compilers from vectorizing the expansion, which
// only costs here. Instead of shifting A..H, the caller rotates the roles of
// its variables: B and F change in place (into the next C and G), the new A
// and E go where D and H were.
template <bool kLate, bool kExpand>
VN_ALWAYS_INLINE void Round(DWORD A, DWORD& B, DWORD C, DWORD& D, DWORD E, DWORD& F, DWORD G, DWORD& H, unsigned j,
                            DWORD* w)
{
    if (kExpand) {
        w[j + 4] = ExpandedWord(w, j + 4);
    }
    const DWORD a12 = Rotl(A, 12);
    const DWORD ss1 = Rotl(a12 + E + kRotatedT[j], 7);
    const DWORD ss2 = ss1 ^ a12;
    const DWORD tt1 = FF<kLate>(A, B, C) + D + ss2 + (w[j] ^ w[j + 4]);
    const DWORD tt2 = GG<kLate>(E, F, G) + H + ss1 + w[j];
    B = Rotl(B, 9);
    F = Rotl(F, 19);
    D = tt1;
    H = P0(tt2);
}

// Rounds `first` to `last` - 1, four at a time: after four rounds every
// variable has its role again.
template <bool kLate, bool kExpand> VN_ALWAYS_INLINE void Rounds(DWORD* v, unsigned first, unsigned last, DWORD* w)
{
    DWORD A = v[0], B = v[1], C = v[2], D = v[3], E = v[4], F = v[5], G = v[6], H = v[7];
    for (unsigned j = first; j < last; j += 4) {
        Round<kLate, kExpand>(A, B, C, D, E, F, G, H, j, w);
        Round<kLate, kExpand>(D, A, B, C, H, E, F, G, j + 1, w);
        Round<kLate, kExpand>(C, D, A, B, G, H, E, F, j + 2, w);
        Round<kLate, kExpand>(B, C, D, A, F, G, H, E, j + 3, w);
    }
    v[0] = A, v[1] = B, v[2] = C, v[3] = D, v[4] = E, v[5] = F, v[6] = G, v[7] = H;
}

// Compresses `count` consecutive 64-byte blocks (any alignment) into `state`.
void CompressBlocks(DWORD* state, const BYTE* data, int count)
{
    for (; count > 0; --count, data += Sm3Family::kBlockSize) {
        DWORD w[kRounds + 4];  // the expanded message W0..W67
        for (unsigned j = 0; j < 16; ++j) {
            w[j] = LoadBigEndian<DWORD>(data + 4 * j);
        }
        DWORD v[8];
        std::copy_n(state, 8, v);
        // Rounds 0..11 find W[j + 4] among the message's own words.
        Rounds<false, false>(v, 0, 12, w);
        Rounds<false, true>(v, 12, kFirstLateRound, w);
        Rounds<true, true>(v, kFirstLateRound, kRounds, w);
        for (unsigned i = 0; i < 8; ++i) {
            state[i] ^= v[i];
        }
    }
}

}  // namespace

CVnSm3::CVnSm3()
{
    m_algorithmId = kSm3AlgorithmId;
    m_name = L"SM3";
    m_digestLength = 32;
}

BOOL CVnSm3::Reset()
{
    std::copy_n(kInitialValue, 8, m_state);
    m_totalLength = 0;
    m_pendingLength = 0;
    return TRUE;
}

void CVnSm3::Update(const BYTE* data, DWORD length)
{
    BufferedUpdate<Sm3Family>(m_totalLength, m_pendingLength, m_block, m_state, CompressBlocks, data, length);
}

DWORD CVnSm3::Finish(BYTE* digest)
{
    BufferedPadAndCompress<Sm3Family>(m_totalLength, m_pendingLength, m_block, m_state, CompressBlocks);
    StoreWordsBigEndian(m_state, 8, digest);
    return m_digestLength;
}
