// The seven digests of a byte string by one-shot calls of the separately
// tested engine: what the pipeline, the digest set and the console program
// are checked against.
#pragma once

#include <windows.h>
#include <wincrypt.h>

#include <array>
#include <string>

#include "hash/provider_digest.h"
#include "hash/sha256.h"
#include "hash/sha512.h"
#include "tests/support/nist_vectors.h"

using SevenTexts = std::array<std::wstring, 7>;

// "-" stands where the provider refused a digest.
inline SevenTexts ReferenceDigests(HCRYPTPROV provider, const std::string& bytes)
{
    const BYTE* data = reinterpret_cast<const BYTE*>(bytes.data());
    const DWORD size = static_cast<DWORD>(bytes.size());
    BYTE digest[64];
    const auto byProvider = [&](ALG_ID algorithm) {
        DWORD length = sizeof(digest);
        return HashWithProvider(provider, algorithm, data, size, digest, &length) ? Hex(digest, length) : L"-";
    };
    const auto own = [&](CVnHashObject&& hash) {
        hash.Reset();
        hash.Update(data, size);
        return Hex(digest, hash.Finish(digest));
    };
    return {byProvider(CALG_MD4), byProvider(CALG_MD5), byProvider(CALG_SHA1), own(CVnSha224()), own(CVnSha256()),
            own(CVnSha384()), own(CVnSha512())};
}
