// The seven digests, in the order in which both programs show them. Every
// list of names, lengths and orders in the programs comes from this table.
#pragma once

#include <windows.h>
#include <wincrypt.h>

#include <bitset>
#include <iterator>

// Which of the program's own SHA-2 classes computes a digest.
enum class OwnHashClass { None, Sha224, Sha256, Sha384, Sha512 };

struct DigestKind {
    const wchar_t* name;        // as the outputs' labels, the console lines and --only name it
    const wchar_t* cArrayName;  // the array's name in the copy-as-C text
    ALG_ID providerAlgorithm;   // the CryptoAPI algorithm, or 0 for the program's own class
    OwnHashClass ownClass;      // None for a provider digest
    DWORD length;               // digest bytes
    // Time per byte against the other rows, as bench/digest_bench measures it
    // with the preferred SHA-2 paths on a processor with the SHA extensions:
    // what spreading the digests of a file over threads balances.
    int cost;
};

// clang-format off
inline constexpr DigestKind kDigestTable[] = {
    {L"MD4",    L"Md4",    CALG_MD4,  OwnHashClass::None,   16,  9},
    {L"MD5",    L"Md5",    CALG_MD5,  OwnHashClass::None,   16, 15},
    {L"SHA1",   L"SHA1",   CALG_SHA1, OwnHashClass::None,   20, 13},
    {L"SHA224", L"SHA224", 0,         OwnHashClass::Sha224, 28,  7},
    {L"SHA256", L"SHA256", 0,         OwnHashClass::Sha256, 32,  7},
    {L"SHA384", L"SHA384", 0,         OwnHashClass::Sha384, 48, 14},
    {L"SHA512", L"SHA512", 0,         OwnHashClass::Sha512, 64, 13},
};
// clang-format on

inline constexpr int kDigestCount = static_cast<int>(std::size(kDigestTable));

// The longest digest in bytes.
inline constexpr DWORD kMaxDigestBytes = 64;

// Which digests of the table a run computes; bit i is row i.
using DigestSelection = std::bitset<kDigestCount>;

inline DigestSelection AllDigests() { return DigestSelection().set(); }
