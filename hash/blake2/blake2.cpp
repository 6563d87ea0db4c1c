#include "hash/blake2/blake2.h"

#include <algorithm>

#include "hash/blake2/blake_round.h"
#include "hash/sha2_tables.h"

namespace {

// What tells BLAKE2b from BLAKE2s besides the word: G's rotations, the
// number of rounds and the initial value, which is SHA-512's or SHA-256's.
template <typename Word> struct Blake2Parameters;
template <> struct Blake2Parameters<ULONGLONG> {
    using Mixing = Blake64Mixing;
    static constexpr unsigned kRounds = 12;
    static const ULONGLONG* InitialValue() { return kSha512InitialHash; }
};
template <> struct Blake2Parameters<DWORD> {
    using Mixing = Blake32Mixing;
    static constexpr unsigned kRounds = 10;
    static const DWORD* InitialValue() { return kSha256InitialHash; }
};

// SIGMA: the message schedule of rounds 0..9; BLAKE2b's rounds 10 and 11
// take rows 0 and 1 again.
// clang-format off
constexpr BYTE kSigma[10][16] = {
    { 0,  1,  2,  3,  4,  5,  6,  7,  8,  9, 10, 11, 12, 13, 14, 15},
    {14, 10,  4,  8,  9, 15, 13,  6,  1, 12,  0,  2, 11,  7,  5,  3},
    {11,  8, 12,  0,  5,  2, 15, 13, 10, 14,  3,  6,  7,  1,  9,  4},
    { 7,  9,  3,  1, 13, 12, 11, 14,  2,  6,  5, 10,  4,  0, 15,  8},
    { 9,  0,  5,  7,  2,  4, 10, 15, 14,  1, 11, 12,  6,  8,  3, 13},
    { 2, 12,  6, 10,  0, 11,  8,  3,  4, 13,  7,  5, 15, 14,  1,  9},
    {12,  5,  1, 15, 14, 13,  4, 10,  0,  7,  6,  3,  9,  2,  8, 11},
    {13, 11,  7, 14, 12,  1,  3,  9,  5,  0, 15,  4,  8,  6,  2, 10},
    { 6, 15, 14,  9, 11,  3,  0,  8, 12,  2, 13,  7,  1,  4, 10,  5},
    {10,  2,  8,  4,  7,  6,  1,  5, 15, 11,  9, 14,  3, 12, 13,  0},
};
// clang-format on

// The parameter block's first word without the digest length (byte 0) and
// the key length (byte 1): fan-out 1, depth 1.
constexpr DWORD kParameterWord = 0x01010000;

// F: compresses one block into `h`; `length` counts every byte up to the
// end of this block, and the last block carries the final flag.
template <typename Word> void Compress(Word* h, const BYTE* block, ULONGLONG length, bool last)
{
    using Parameters = Blake2Parameters<Word>;
    Word m[16];
    LoadWordsLittleEndian(block, 16, m);

    Word v[16];
    std::copy_n(h, 8, v);
    std::copy_n(Parameters::InitialValue(), 8, v + 8);
    v[12] ^= static_cast<Word>(length);
    if constexpr (sizeof(Word) < sizeof(length)) {
        v[13] ^= static_cast<Word>(length >> (8 * sizeof(Word)));
    }
    if (last) {
        v[14] = ~v[14];
    }
    VN_UNROLL(12)
    for (unsigned round = 0; round < Parameters::kRounds; ++round) {
        MixRound<typename Parameters::Mixing>(v, m, kSigma[round % 10]);
    }
    for (unsigned i = 0; i < 8; ++i) {
        h[i] ^= v[i] ^ v[i + 8];
    }
}

}  // namespace

template <typename Word> CVnBlake2<Word>::CVnBlake2(int algorithmId, const wchar_t* name)
{
    m_algorithmId = algorithmId;
    m_name = name;
    m_digestLength = sizeof(m_state);
}

template <typename Word> CVnBlake2<Word>::~CVnBlake2()
{
    SecureZeroMemory(m_key, sizeof(m_key));
    SecureZeroMemory(m_block, sizeof(m_block));
}

template <typename Word> BOOL CVnBlake2<Word>::SetDigestLength(DWORD length)
{
    if (length == 0 || length > kMaxLength)
        return FALSE;
    m_digestLength = length;
    return TRUE;
}

template <typename Word> BOOL CVnBlake2<Word>::SetKey(const BYTE* key, DWORD length)
{
    if (length > kMaxLength)
        return FALSE;
    std::copy_n(key, length, m_key);
    m_keyLength = length;
    return TRUE;
}

template <typename Word> BOOL CVnBlake2<Word>::Reset()
{
    std::copy_n(Blake2Parameters<Word>::InitialValue(), 8, m_state);
    m_state[0] ^= kParameterWord | (m_keyLength << 8) | m_digestLength;
    m_compressedLength = 0;
    m_pendingLength = 0;
    // The padded key waits as a full block: with no message it is the last one.
    if (m_keyLength > 0) {
        std::copy_n(m_key, m_keyLength, m_block);
        std::fill(m_block + m_keyLength, m_block + kBlockSize, BYTE(0));
        m_pendingLength = kBlockSize;
    }
    return TRUE;
}

template <typename Word> void CVnBlake2<Word>::Update(const BYTE* data, DWORD length)
{
    const DWORD room = kBlockSize - m_pendingLength;
    if (length <= room) {
        std::copy_n(data, length, m_block + m_pendingLength);
        m_pendingLength += length;
        return;
    }
    // More input follows, so the pending block is not the last one.
    std::copy_n(data, room, m_block + m_pendingLength);
    m_compressedLength += kBlockSize;
    Compress(m_state, m_block, m_compressedLength, false);
    data += room;
    length -= room;
    for (; length > kBlockSize; data += kBlockSize, length -= kBlockSize) {
        m_compressedLength += kBlockSize;
        Compress(m_state, data, m_compressedLength, false);
    }
    std::copy_n(data, length, m_block);
    m_pendingLength = length;
}

template <typename Word> DWORD CVnBlake2<Word>::Finish(BYTE* digest)
{
    std::fill(m_block + m_pendingLength, m_block + kBlockSize, BYTE(0));
    Compress(m_state, m_block, m_compressedLength + m_pendingLength, true);
    BYTE state[sizeof(m_state)];
    StoreWordsLittleEndian(m_state, 8, state);
    std::copy_n(state, m_digestLength, digest);
    return m_digestLength;
}

template class CVnBlake2<ULONGLONG>;
template class CVnBlake2<DWORD>;

CVnBlake2b512::CVnBlake2b512() : CVnBlake2(kBlake2b512AlgorithmId, L"BLAKE2b-512") { }
CVnBlake2s256::CVnBlake2s256() : CVnBlake2(kBlake2s256AlgorithmId, L"BLAKE2s-256") { }
