// SM3 (GB/T 32905-2016): a 32-byte digest with the outer shape of SHA-256
// (64-byte blocks, the same padding, big-endian words) and rounds of its own.
// The object holds no pointers: a copy digests on from the same state.
// Construction leaves the state undefined: Reset before the first Update.
#pragma once

#include "hash/hash_object.h"

class CVnSm3 : public CVnHashObject {
public:
    CVnSm3();

    BOOL Reset() override;
    void Update(const BYTE* data, DWORD length) override;
    // Writes 32 bytes and returns 32; the object then needs Reset.
    DWORD Finish(BYTE* digest) override;

private:
    ULONGLONG m_totalLength = 0;  // bytes of the blocks already compressed
    DWORD m_pendingLength = 0;    // bytes waiting at the start of m_block, 0..63
    BYTE m_block[128];            // the second block only takes padding that spills over
    DWORD m_state[8];
};
