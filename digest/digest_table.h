// The digests both programs compute, in the order in which they show them:
// the window's seven first, then the others, which the console program gives
// on request and the search tries when none of the seven explains a digest.
// Every list of names, lengths and orders in the programs comes from this
// table.
#pragma once

#include <windows.h>
#include <wincrypt.h>

#include <bitset>
#include <iterator>

// Which of the program's own classes computes a digest.
enum class OwnHashClass {
    None,
    Sha224,
    Sha256,
    Sha384,
    Sha512,
    Sm3,
    Sha3_224,
    Sha3_256,
    Sha3_384,
    Sha3_512,
    Blake2b512,
    Blake2s256,
    Blake3,
    Crc32,
};

// How a digest takes a key, and what keyBytes then says.
enum class KeyMode {
    None,     // it takes no key
    Hmac,     // HMAC (RFC 2104) over the digest, keyBytes its block size B
    AtMost,   // its own keyed mode, a key of at most keyBytes bytes
    Exactly,  // its own keyed mode, a key of exactly keyBytes bytes
};

struct DigestKind {
    const wchar_t* name;        // as the outputs' labels, the console lines, --only and tagged lines name it
    const wchar_t* cArrayName;  // the array's name in the copy-as-C text
    ALG_ID providerAlgorithm;   // the CryptoAPI algorithm, or 0 for the program's own class
    OwnHashClass ownClass;      // None for a provider digest
    DWORD length;               // digest bytes
    // Time per byte against the other rows, as bench/digest_bench measures it
    // with the preferred paths on a processor with the SHA extensions: what
    // spreading the digests of a file over threads balances.
    int cost;
    // How a keyed run computes it: HMAC's block size is RFC 2104's B (for
    // SHA-3 the sponge's rate); BLAKE2 pads its key to a block of its own
    // (RFC 7693 2.5); BLAKE3's keyed_hash takes its key as the chaining value.
    KeyMode keyMode;
    DWORD keyBytes;
    const wchar_t* keyedName;  // as the console lines name the keyed digest; null when it takes no key
};

// clang-format off
inline constexpr DigestKind kDigestTable[] = {
    {L"MD4",      L"Md4",      CALG_MD4,  OwnHashClass::None,       16,  9, KeyMode::Hmac,     64, L"HMAC-MD4"},
    {L"MD5",      L"Md5",      CALG_MD5,  OwnHashClass::None,       16, 15, KeyMode::Hmac,     64, L"HMAC-MD5"},
    {L"SHA1",     L"SHA1",     CALG_SHA1, OwnHashClass::None,       20, 13, KeyMode::Hmac,     64, L"HMAC-SHA1"},
    {L"SHA224",   L"SHA224",   0,         OwnHashClass::Sha224,     28,  7, KeyMode::Hmac,     64, L"HMAC-SHA224"},
    {L"SHA256",   L"SHA256",   0,         OwnHashClass::Sha256,     32,  7, KeyMode::Hmac,     64, L"HMAC-SHA256"},
    {L"SHA384",   L"SHA384",   0,         OwnHashClass::Sha384,     48, 14, KeyMode::Hmac,    128, L"HMAC-SHA384"},
    {L"SHA512",   L"SHA512",   0,         OwnHashClass::Sha512,     64, 13, KeyMode::Hmac,    128, L"HMAC-SHA512"},
    {L"SM3",      L"SM3",      0,         OwnHashClass::Sm3,        32, 30, KeyMode::Hmac,     64, L"HMAC-SM3"},
    {L"SHA3-224", L"SHA3_224", 0,         OwnHashClass::Sha3_224,   28, 29, KeyMode::Hmac,    144, L"HMAC-SHA3-224"},
    {L"SHA3-256", L"SHA3_256", 0,         OwnHashClass::Sha3_256,   32, 32, KeyMode::Hmac,    136, L"HMAC-SHA3-256"},
    {L"SHA3-384", L"SHA3_384", 0,         OwnHashClass::Sha3_384,   48, 39, KeyMode::Hmac,    104, L"HMAC-SHA3-384"},
    {L"SHA3-512", L"SHA3_512", 0,         OwnHashClass::Sha3_512,   64, 56, KeyMode::Hmac,     72, L"HMAC-SHA3-512"},
    {L"BLAKE2b",  L"BLAKE2b",  0,         OwnHashClass::Blake2b512, 64, 13, KeyMode::AtMost,   64, L"BLAKE2b-KEYED"},
    {L"BLAKE2s",  L"BLAKE2s",  0,         OwnHashClass::Blake2s256, 32, 19, KeyMode::AtMost,   32, L"BLAKE2s-KEYED"},
    {L"BLAKE3",   L"BLAKE3",   0,         OwnHashClass::Blake3,     32, 16, KeyMode::Exactly,  32, L"BLAKE3-KEYED"},
    {L"CRC32",    L"CRC32",    0,         OwnHashClass::Crc32,       4,  1, KeyMode::None,      0, nullptr},
};
// clang-format on

inline constexpr int kDigestCount = static_cast<int>(std::size(kDigestTable));

// The window shows the first rows; so does the console program unless asked
// for others.
inline constexpr int kShownDigestCount = 7;

// The longest digest in bytes.
inline constexpr DWORD kMaxDigestBytes = 64;

// The name row `row`'s digest goes by in lines, tags, arrays' words and tips:
// its keyed digest's where `keyed` (a row that takes no key has none).
inline const wchar_t* DigestNameOf(int row, bool keyed)
{
    return keyed ? kDigestTable[row].keyedName : kDigestTable[row].name;
}

// Which digests of the table a run computes; bit i is row i.
using DigestSelection = std::bitset<kDigestCount>;

inline DigestSelection AllDigests() { return DigestSelection().set(); }

// The window's seven.
inline DigestSelection ShownDigests()
{
    DigestSelection shown;
    for (int row = 0; row < kShownDigestCount; ++row)
        shown.set(static_cast<size_t>(row));
    return shown;
}
