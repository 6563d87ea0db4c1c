// BLAKE2b and BLAKE2s (RFC 7693): one template over the word size, 64 or 32
// bits. Unkeyed with the full state as the digest (BLAKE2b-512,
// BLAKE2s-256) unless told another digest length or a key: both go into the
// parameter block, so a shorter digest is not a cut of the full one.
// The object holds no pointers: a copy digests on from the same state, with
// the same length and key.
// Construction leaves the state undefined: Reset before the first Update.
#pragma once

#include "hash/hash_object.h"

template <typename Word> class CVnBlake2 : public CVnHashObject {
public:
    // The longest digest and the longest key: 64 bytes for BLAKE2b, 32 for BLAKE2s.
    static constexpr DWORD kMaxLength = 8 * sizeof(Word);

    // Digests of `length` bytes, 1 to kMaxLength, from the next Reset on.
    // FALSE, with nothing changed, for any other length.
    BOOL SetDigestLength(DWORD length);
    // The keyed digests with the `length` bytes at `key`, at most kMaxLength,
    // from the next Reset on; an empty key is the unkeyed mode. FALSE, with
    // nothing changed, for a longer key.
    BOOL SetKey(const BYTE* key, DWORD length);

    BOOL Reset() override;
    void Update(const BYTE* data, DWORD length) override;
    // Writes m_digestLength bytes and returns their number; the object then needs Reset.
    DWORD Finish(BYTE* digest) override;

protected:
    CVnBlake2(int algorithmId, const wchar_t* name);
    // The key's copies (the key and the block it starts) go with the object.
    ~CVnBlake2();

private:
    static constexpr DWORD kBlockSize = 16 * sizeof(Word);

    ULONGLONG m_compressedLength = 0;  // bytes of the blocks already compressed
    // Bytes waiting in m_block, up to a whole block: the last block is
    // compressed differently, so a full one waits until more input comes.
    DWORD m_pendingLength = 0;
    BYTE m_block[kBlockSize];
    Word m_state[8];
    // The key, padded with zeros to a block, is the first block of each digest.
    DWORD m_keyLength = 0;
    BYTE m_key[kMaxLength];
};

class CVnBlake2b512 : public CVnBlake2<ULONGLONG> {
public:
    CVnBlake2b512();
};

class CVnBlake2s256 : public CVnBlake2<DWORD> {
public:
    CVnBlake2s256();
};
