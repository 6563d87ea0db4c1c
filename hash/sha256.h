// SHA-224 and SHA-256 (FIPS 180-4), the 32-bit-word members of the family.
//
// The two classes share only the constants and the round functions, not their
// layout: CVnSha256 counts every byte and compresses each block from its own
// one-block buffer; CVnSha224 has the shape of the 64-bit classes (bytes
// compressed, bytes pending, a two-block buffer, whole blocks compressed
// straight from the caller's memory).
// Construction leaves the state undefined: Reset before the first Update.
#pragma once

#include "hash/hash_object.h"

class CVnSha224 : public CVnHashObject {
public:
    CVnSha224();

    BOOL Reset() override;
    void Update(const BYTE* data, DWORD length) override;
    // Writes 28 bytes and returns 28; the object then needs Reset.
    DWORD Finish(BYTE* digest) override;

private:
    // Zero from the start, so that an Update before Reset stays inside m_block.
    ULONGLONG m_totalLength = 0;  // bytes of the blocks already compressed
    DWORD m_pendingLength = 0;    // bytes waiting at the start of m_block, 0..63
    BYTE m_block[128];            // the second block only takes padding that spills over
    DWORD m_state[8];
};

class CVnSha256 : public CVnHashObject {
public:
    CVnSha256();

    BOOL Reset() override;
    void Update(const BYTE* data, DWORD length) override;
    // Writes 32 bytes and returns 32; the object then needs Reset.
    DWORD Finish(BYTE* digest) override;

private:
    // Compresses the 64 bytes of m_buffer into m_state.
    void Transform();

    DWORD m_state[8];
    ULONGLONG m_byteCount;  // bytes given to Update since Reset
    BYTE m_buffer[64];      // the first m_byteCount mod 64 bytes are pending input
};
