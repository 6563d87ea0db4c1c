// The seven digests of a byte string by one-shot calls of the separately
// tested engine: what the pipeline, the digest set and the console program
// are checked against.
#pragma once

#include <windows.h>
#include <wincrypt.h>

#include <array>
#include <string>

#include "digest/digest_table.h"
#include "hash/provider_digest.h"
#include "hash/sha256.h"
#include "hash/sha512.h"
#include "tests/support/nist_vectors.h"

using SevenTexts = std::array<std::wstring, kDigestCount>;

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
    // The order is the table's; the known answers elsewhere pin the table itself.
    SevenTexts texts;
    for (int i = 0; i < kDigestCount; ++i) {
        switch (kDigestTable[i].ownClass) {
        case OwnHashClass::None:
            texts[i] = byProvider(kDigestTable[i].providerAlgorithm);
            break;
        case OwnHashClass::Sha224:
            texts[i] = own(CVnSha224());
            break;
        case OwnHashClass::Sha256:
            texts[i] = own(CVnSha256());
            break;
        case OwnHashClass::Sha384:
            texts[i] = own(CVnSha384());
            break;
        case OwnHashClass::Sha512:
            texts[i] = own(CVnSha512());
            break;
        }
    }
    return texts;
}
