// BLAKE2b-512 and BLAKE2s-256 (RFC 7693), unkeyed: one template over the
// word size, 64 or 32 bits, with the full state as the digest.
// The object holds no pointers: a copy digests on from the same state.
// Construction leaves the state undefined: Reset before the first Update.
#pragma once

#include "hash/hash_object.h"

template <typename Word> class CVnBlake2 : public CVnHashObject {
public:
    BOOL Reset() override;
    void Update(const BYTE* data, DWORD length) override;
    // Writes m_digestLength bytes and returns their number; the object then needs Reset.
    DWORD Finish(BYTE* digest) override;

protected:
    CVnBlake2(int algorithmId, const wchar_t* name);

private:
    static constexpr DWORD kBlockSize = 16 * sizeof(Word);

    ULONGLONG m_compressedLength = 0;  // bytes of the blocks already compressed
    // Bytes waiting in m_block, up to a whole block: the last block is
    // compressed differently, so a full one waits until more input comes.
    DWORD m_pendingLength = 0;
    BYTE m_block[kBlockSize];
    Word m_state[8];
};

class CVnBlake2b512 : public CVnBlake2<ULONGLONG> {
public:
    CVnBlake2b512();
};

class CVnBlake2s256 : public CVnBlake2<DWORD> {
public:
    CVnBlake2s256();
};
