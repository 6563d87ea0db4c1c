// The round that BLAKE2 and BLAKE3 share (internal to hash/): G mixes the
// four columns of the 4x4 state, then its four diagonals, each time with two
// message words that the round's schedule picks. BLAKE2s and BLAKE3 mix
// 32-bit words with the same rotations; BLAKE2b 64-bit words with its own.
#pragma once

#include <windows.h>

#include "hash/simd_target.h"
#include "hash/words.h"

// The word and the right rotations R1..R4 of G.
struct Blake64Mixing {
    using Word = ULONGLONG;
    static constexpr unsigned kRotations[4] = {32, 24, 16, 63};
};
struct Blake32Mixing {
    using Word = DWORD;
    static constexpr unsigned kRotations[4] = {16, 12, 8, 7};
};

template <typename Mixing> VN_ALWAYS_INLINE typename Mixing::Word RotateRight(typename Mixing::Word x, unsigned step)
{
    return Rotl(x, 8 * sizeof(x) - Mixing::kRotations[step]);
}

template <typename Mixing>
VN_ALWAYS_INLINE void G(typename Mixing::Word* v, unsigned a, unsigned b, unsigned c, unsigned d,
                        typename Mixing::Word x, typename Mixing::Word y)
{
    v[a] = v[a] + v[b] + x;
    v[d] = RotateRight<Mixing>(v[d] ^ v[a], 0);
    v[c] = v[c] + v[d];
    v[b] = RotateRight<Mixing>(v[b] ^ v[c], 1);
    v[a] = v[a] + v[b] + y;
    v[d] = RotateRight<Mixing>(v[d] ^ v[a], 2);
    v[c] = v[c] + v[d];
    v[b] = RotateRight<Mixing>(v[b] ^ v[c], 3);
}

// One round on the 16-word state `v` with the message words `m` in the
// order `schedule` gives. Callers unroll their rounds, so that the schedule
// is constant and the state stays in registers.
template <typename Mixing>
VN_ALWAYS_INLINE void MixRound(typename Mixing::Word* v, const typename Mixing::Word* m, const BYTE* schedule)
{
    G<Mixing>(v, 0, 4, 8, 12, m[schedule[0]], m[schedule[1]]);
    G<Mixing>(v, 1, 5, 9, 13, m[schedule[2]], m[schedule[3]]);
    G<Mixing>(v, 2, 6, 10, 14, m[schedule[4]], m[schedule[5]]);
    G<Mixing>(v, 3, 7, 11, 15, m[schedule[6]], m[schedule[7]]);
    G<Mixing>(v, 0, 5, 10, 15, m[schedule[8]], m[schedule[9]]);
    G<Mixing>(v, 1, 6, 11, 12, m[schedule[10]], m[schedule[11]]);
    G<Mixing>(v, 2, 7, 8, 13, m[schedule[12]], m[schedule[13]]);
    G<Mixing>(v, 3, 4, 9, 14, m[schedule[14]], m[schedule[15]]);
}
