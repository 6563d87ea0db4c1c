// Building blocks of the SHA-2 classes (internal to hash/).
//
// The round and schedule functions of one word size come as a "family"
// struct (Sha256Family, Sha512Family) with the members
//   Word, kBlockSize, kRounds, kRoundConstants,
//   BigSigma0/BigSigma1 (rounds) and SmallSigma0/SmallSigma1 (schedule),
// so that the generic code below reads like FIPS 180-4 for either size.
#pragma once

#include <windows.h>

#include <algorithm>

template <typename Word> inline Word Rotr(Word x, unsigned n) { return (x >> n) | (x << (8 * sizeof(Word) - n)); }

template <typename Word> inline Word Ch(Word x, Word y, Word z) { return (x & y) ^ (~x & z); }

template <typename Word> inline Word Maj(Word x, Word y, Word z) { return (x & y) ^ (x & z) ^ (y & z); }

template <typename Word> inline Word LoadBigEndian(const BYTE* bytes)
{
    Word word = 0;
    for (size_t i = 0; i < sizeof(Word); ++i) {
        word = (word << 8) | bytes[i];
    }
    return word;
}

template <typename Word> inline void StoreBigEndian(Word word, BYTE* bytes)
{
    for (size_t i = sizeof(Word); i-- > 0; word >>= 8) {
        bytes[i] = static_cast<BYTE>(word);
    }
}

template <typename Word> inline void StoreWordsBigEndian(const Word* words, size_t count, BYTE* bytes)
{
    for (size_t i = 0; i < count; ++i) {
        StoreBigEndian(words[i], bytes + i * sizeof(Word));
    }
}

// W[t] from W[t-2], W[t-7], W[t-15] and W[t-16].
template <typename Family>
inline typename Family::Word ScheduleWord(typename Family::Word w2, typename Family::Word w7, typename Family::Word w15,
                                          typename Family::Word w16)
{
    return Family::SmallSigma1(w2) + w7 + Family::SmallSigma0(w15) + w16;
}

// Round t on the working variables a..h, kept in a ring instead of being
// shifted: at round t, a is v[-t mod 8] and h is v[7 - t mod 8], so each
// round writes only the new e (old d) and the new a (old h). Every multiple
// of 8 rounds brings the ring back to a..h in v[0]..v[7].
template <typename Family>
inline void Round(typename Family::Word* v, unsigned t, typename Family::Word roundConstantPlusW)
{
    using Word = typename Family::Word;
    const Word a = v[(0 - t) & 7], b = v[(1 - t) & 7], c = v[(2 - t) & 7];
    Word& d = v[(3 - t) & 7];
    const Word e = v[(4 - t) & 7], f = v[(5 - t) & 7], g = v[(6 - t) & 7];
    Word& h = v[(7 - t) & 7];

    const Word t1 = h + Family::BigSigma1(e) + Ch(e, f, g) + roundConstantPlusW;
    const Word t2 = Family::BigSigma0(a) + Maj(a, b, c);
    d += t1;
    h = t1 + t2;
}

// Compresses `count` consecutive blocks of `data` (no alignment needed) into
// `state`, expanding each block's full message schedule before its rounds.
template <typename Family> void CompressBlocksFullSchedule(typename Family::Word* state, const BYTE* data, int count)
{
    using Word = typename Family::Word;
    for (; count > 0; --count, data += Family::kBlockSize) {
        Word w[Family::kRounds];
        for (unsigned t = 0; t < 16; ++t) {
            w[t] = LoadBigEndian<Word>(data + t * sizeof(Word));
        }
        for (unsigned t = 16; t < Family::kRounds; ++t) {
            w[t] = ScheduleWord<Family>(w[t - 2], w[t - 7], w[t - 15], w[t - 16]);
        }

        Word v[8];
        std::copy_n(state, 8, v);
        for (unsigned t = 0; t < Family::kRounds; ++t) {
            Round<Family>(v, t, Family::kRoundConstants[t] + w[t]);
        }
        for (unsigned i = 0; i < 8; ++i) {
            state[i] += v[i];
        }
    }
}

template <typename Family>
using CompressBlocksFunction = void (*)(typename Family::Word* state, const BYTE* data, int count);

// The streaming shape of SHA-224, SHA-384 and SHA-512: `totalLength` bytes
// already compressed, `pendingLength` bytes waiting at the start of `block`
// (two blocks long, the second only for padding), and whole blocks compressed
// straight from the caller's memory. `compress` is the family's
// CompressBlocks routine.
template <typename Family>
void BufferedUpdate(ULONGLONG& totalLength, DWORD& pendingLength, BYTE* block, typename Family::Word* state,
                    CompressBlocksFunction<Family> compress, const BYTE* data, DWORD length)
{
    const DWORD room = Family::kBlockSize - pendingLength;
    // Compared against the room left rather than as pendingLength + length,
    // which wraps around for lengths near 2^32 and would corrupt the state.
    if (length < room) {
        std::copy_n(data, length, block + pendingLength);
        pendingLength += length;
        return;
    }

    std::copy_n(data, room, block + pendingLength);
    compress(state, block, 1);

    const DWORD rest = length - room;
    const DWORD wholeBlocks = rest / Family::kBlockSize;
    const DWORD tail = rest % Family::kBlockSize;
    compress(state, data + room, static_cast<int>(wholeBlocks));
    std::copy_n(data + length - tail, tail, block);
    totalLength += static_cast<ULONGLONG>(wholeBlocks + 1) * Family::kBlockSize;
    pendingLength = tail;
}

// Pads the pending bytes and compresses the last block or two. The length
// field is two words wide: the message length in bits, big-endian.
template <typename Family>
void BufferedPadAndCompress(ULONGLONG totalLength, DWORD pendingLength, BYTE* block, typename Family::Word* state,
                            CompressBlocksFunction<Family> compress)
{
    constexpr DWORD lengthFieldSize = 2 * sizeof(typename Family::Word);
    // The 0x80 and the length field must fit behind the pending bytes;
    // otherwise the padding spills into the second block.
    const int blockCount = pendingLength + 1 + lengthFieldSize > Family::kBlockSize ? 2 : 1;
    BYTE* const end = block + blockCount * Family::kBlockSize;

    std::fill(block + pendingLength, end, BYTE(0));
    block[pendingLength] = 0x80;

    const ULONGLONG messageBytes = totalLength + pendingLength;
    StoreBigEndian<ULONGLONG>(messageBytes << 3, end - 8);
    if constexpr (lengthFieldSize > 8) {
        StoreBigEndian<ULONGLONG>(messageBytes >> 61, end - 16);
    }
    compress(state, block, blockCount);
}
