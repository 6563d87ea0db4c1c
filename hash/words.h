// Word helpers of the digests after SHA-2 (internal to hash/): words stored
// least significant byte first, as SHA-3, BLAKE2 and BLAKE3 read and write
// them, and a left rotation. The loads and stores go byte by byte so that the
// result does not depend on the processor; compilers make single moves of them.
#pragma once

#include <windows.h>

#include <cstddef>

template <typename Word> inline Word LoadLittleEndian(const BYTE* bytes)
{
    Word word = 0;
    for (size_t i = 0; i < sizeof(Word); ++i) {
        word |= static_cast<Word>(bytes[i]) << (8 * i);
    }
    return word;
}

template <typename Word> inline void StoreLittleEndian(Word word, BYTE* bytes)
{
    for (size_t i = 0; i < sizeof(Word); ++i, word >>= 8) {
        bytes[i] = static_cast<BYTE>(word);
    }
}

template <typename Word> inline void LoadWordsLittleEndian(const BYTE* bytes, size_t count, Word* words)
{
    for (size_t i = 0; i < count; ++i) {
        words[i] = LoadLittleEndian<Word>(bytes + i * sizeof(Word));
    }
}

template <typename Word> inline void StoreWordsLittleEndian(const Word* words, size_t count, BYTE* bytes)
{
    for (size_t i = 0; i < count; ++i) {
        StoreLittleEndian(words[i], bytes + i * sizeof(Word));
    }
}

// Any count, 0 and multiples of the width included (SM3 rotates by j mod 32).
template <typename Word> constexpr Word Rotl(Word x, unsigned n)
{
    return static_cast<Word>((x << (n & (8 * sizeof(Word) - 1))) | (x >> ((0u - n) & (8 * sizeof(Word) - 1))));
}
