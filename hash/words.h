// Word helpers of the digests after SHA-2 (internal to hash/): words stored
// least significant byte first, as SHA-3, BLAKE2 and BLAKE3 read and write
// them, and a left rotation. Every processor Windows runs on stores words
// least significant byte first, so a load or a store is a plain copy. A
// byte-by-byte loop says the same, but the vectoriser turned BLAKE2b's into
// byte shuffles through vector registers that cost it about 15% of its speed.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstring>

template <typename Word> inline Word LoadLittleEndian(const BYTE* bytes)
{
    Word word;
    std::memcpy(&word, bytes, sizeof(word));
    return word;
}

template <typename Word> inline void LoadWordsLittleEndian(const BYTE* bytes, size_t count, Word* words)
{
    std::memcpy(words, bytes, count * sizeof(Word));
}

template <typename Word> inline void StoreWordsLittleEndian(const Word* words, size_t count, BYTE* bytes)
{
    std::memcpy(bytes, words, count * sizeof(Word));
}

// Any count, 0 and multiples of the width included (SM3 rotates by j mod 32).
template <typename Word> constexpr Word Rotl(Word x, unsigned n)
{
    return static_cast<Word>((x << (n & (8 * sizeof(Word) - 1))) | (x >> ((0u - n) & (8 * sizeof(Word) - 1))));
}
