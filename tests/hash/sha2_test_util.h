// What the SHA-2 tests share: the four classes described as data, and digests
// as upper-case hex that GoogleTest prints readably.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "hash/sha256.h"
#include "hash/sha512.h"

struct Sha2Algorithm {
    const char* name;  // as in the NIST file names: SHA224 ...
    DWORD digestLength;
    DWORD blockSize;
    std::shared_ptr<CVnHashObject> (*make)();
};

template <typename Hash>
std::shared_ptr<CVnHashObject> MakeHash()
{
    // The shared_ptr keeps the concrete class's deleter; the base has none.
    return std::make_shared<Hash>();
}

inline const Sha2Algorithm kSha2Algorithms[] = {
    {"SHA224", 28, 64, MakeHash<CVnSha224>},
    {"SHA256", 32, 64, MakeHash<CVnSha256>},
    {"SHA384", 48, 128, MakeHash<CVnSha384>},
    {"SHA512", 64, 128, MakeHash<CVnSha512>},
};

// GoogleTest prints a parameter with this instead of its raw bytes.
inline void PrintTo(const Sha2Algorithm& algorithm, std::ostream* out)
{
    *out << algorithm.name;
}

inline std::string AlgorithmName(const testing::TestParamInfo<Sha2Algorithm>& info)
{
    return info.param.name;
}

inline std::string ToHex(const BYTE* bytes, size_t count)
{
    static const char kDigits[] = "0123456789ABCDEF";
    std::string hex;
    for (size_t i = 0; i < count; ++i) {
        hex += kDigits[bytes[i] >> 4];
        hex += kDigits[bytes[i] & 15];
    }
    return hex;
}

inline std::string FinishToHex(CVnHashObject& hash)
{
    BYTE digest[64];
    return ToHex(digest, hash.Finish(digest));
}

// The digest of `message` given to one Update.
inline std::string DigestHex(CVnHashObject& hash, const std::vector<BYTE>& message)
{
    hash.Reset();
    hash.Update(message.data(), static_cast<DWORD>(message.size()));
    return FinishToHex(hash);
}

inline std::vector<BYTE> Bytes(const std::string& text)
{
    return std::vector<BYTE>(text.begin(), text.end());
}
