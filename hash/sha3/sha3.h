// SHA3-224, SHA3-256, SHA3-384 and SHA3-512 (FIPS 202): one sponge over the
// Keccak-f[1600] permutation and four parameter sets. Each digest length d
// fixes the rate, the bytes absorbed per permutation: 200 - 2d.
// The object holds no pointers: a copy digests on from the same state.
// Construction leaves the state undefined: Reset before the first Update.
#pragma once

#include "hash/hash_object.h"
#include "hash/sha3/keccak.h"

class CVnSha3 : public CVnHashObject {
public:
    BOOL Reset() override;
    void Update(const BYTE* data, DWORD length) override;
    // Writes m_digestLength bytes and returns their number; the object then needs Reset.
    DWORD Finish(BYTE* digest) override;

protected:
    CVnSha3(int algorithmId, const wchar_t* name, DWORD digestLength);

private:
    static constexpr DWORD kLargestRate = 144;  // SHA3-224's

    DWORD m_rate;
    DWORD m_pendingLength = 0;  // bytes waiting at the start of m_block, less than m_rate
    BYTE m_block[kLargestRate];
    ULONGLONG m_lanes[kKeccakLanes];
};

class CVnSha3_224 : public CVnSha3 {
public:
    CVnSha3_224();
};

class CVnSha3_256 : public CVnSha3 {
public:
    CVnSha3_256();
};

class CVnSha3_384 : public CVnSha3 {
public:
    CVnSha3_384();
};

class CVnSha3_512 : public CVnSha3 {
public:
    CVnSha3_512();
};
