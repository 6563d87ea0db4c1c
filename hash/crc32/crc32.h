// CRC-32 of ISO-HDLC, as zip, gzip and PNG use it: the reflected polynomial
// 0xEDB88320, the register started and ended inverted. The 4-byte digest is
// the value written big-endian, so that its hex reads as crc32 tools print it.
// The object holds no pointers: a copy digests on from the same state.
// Construction leaves the state undefined: Reset before the first Update.
#pragma once

#include "hash/hash_object.h"

class CVnCrc32 : public CVnHashObject {
public:
    CVnCrc32();

    BOOL Reset() override;
    void Update(const BYTE* data, DWORD length) override;
    // Writes 4 bytes and returns 4; the object then needs Reset.
    DWORD Finish(BYTE* digest) override;

private:
    DWORD m_register = 0;  // the running remainder, as the block functions take it
};
