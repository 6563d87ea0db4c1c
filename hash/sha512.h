// SHA-384 and SHA-512 (FIPS 180-4), the 64-bit-word members of the family.
//
// Both classes have the same fields and share Update and the compression;
// they differ in the initial hash value and in how many state words Finish
// writes. Construction leaves the state undefined: Reset before the first Update.
#pragma once

#include "hash/hash_object.h"

class CVnSha384 : public CVnHashObject {
public:
    CVnSha384();

    BOOL Reset() override;
    void Update(const BYTE* data, DWORD length) override;
    // Writes 48 bytes and returns 48; the object then needs Reset.
    DWORD Finish(BYTE* digest) override;

private:
    // Zero from the start, so that an Update before Reset stays inside m_block.
    ULONGLONG m_totalLength = 0;  // bytes of the blocks already compressed
    DWORD m_pendingLength = 0;    // bytes waiting at the start of m_block, 0..127
    BYTE m_block[256];            // the second block only takes padding that spills over
    ULONGLONG m_state[8];
};

class CVnSha512 : public CVnHashObject {
public:
    CVnSha512();

    BOOL Reset() override;
    void Update(const BYTE* data, DWORD length) override;
    // Writes 64 bytes and returns 64; the object then needs Reset.
    DWORD Finish(BYTE* digest) override;

private:
    ULONGLONG m_totalLength = 0;
    DWORD m_pendingLength = 0;
    BYTE m_block[256];
    ULONGLONG m_state[8];
};
