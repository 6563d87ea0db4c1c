// The window's provider context for a test, and the seven digests of given
// bytes by one-shot calls of the separately tested engine: what the
// pipeline, the digest set and the console program are checked against.
#pragma once

#include <windows.h>
#include <wincrypt.h>

#include <gtest/gtest.h>

#include <string>

#include "hash/provider_digest.h"
#include "hash/sha256.h"
#include "hash/sha512.h"
#include "support/last_error.h"
#include "tests/support/known_digests.h"
#include "tests/support/nist_vectors.h"

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
    const auto own = [&](CVnHashObject& hash) {
        hash.Reset();
        hash.Update(data, size);
        return Hex(digest, hash.Finish(digest));
    };
    CVnSha224 sha224;
    CVnSha256 sha256;
    CVnSha384 sha384;
    CVnSha512 sha512;
    // Indexed by OwnHashClass.
    CVnHashObject* const ownHashes[] = {nullptr, &sha224, &sha256, &sha384, &sha512};
    // The order is the table's; the known answers elsewhere pin the table itself. The rows beyond the seven stay
    // empty, as a run of the seven leaves them.
    SevenTexts texts;
    for (int i = 0; i < kShownDigestCount; ++i) {
        CVnHashObject* hash = ownHashes[static_cast<int>(kDigestTable[i].ownClass)];
        texts[i] = hash != nullptr ? own(*hash) : byProvider(kDigestTable[i].providerAlgorithm);
    }
    return texts;
}

class ProviderTest : public testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(AcquireHashProvider(&m_provider, PROV_RSA_AES, nullptr)) << LastErrorText(); }
    void TearDown() override { CryptReleaseContext(m_provider, 0); }

    SevenTexts Reference(const std::string& bytes) const { return ReferenceDigests(m_provider, bytes); }

    HCRYPTPROV m_provider = 0;
};
