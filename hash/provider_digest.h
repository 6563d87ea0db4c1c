// MD4, MD5 and SHA-1 (and the SHA-2 ids) from the platform's CryptoAPI provider.
#pragma once

#include <windows.h>
#include <wincrypt.h>

// The key container every context is opened on unless the caller names another.
extern const wchar_t kDefaultKeyContainer[];

// Opens a context of `providerType` (0: PROV_RSA_FULL) on `containerName`
// (null: the default container), creating the container when it is missing
// and opening it when another program created it in between.
// The caller owns *context and releases it with CryptReleaseContext.
BOOL AcquireHashProvider(HCRYPTPROV* context, DWORD providerType, const wchar_t* containerName);

// One provider digest fed in pieces: Start, any number of Update, Finish.
// Each step records its failure as HashWithProvider does; after a failure
// the object needs a new Start before it digests again. The context passed to
// Start must stay open while the object uses it.
class CProviderHash {
public:
    CProviderHash() = default;
    CProviderHash(const CProviderHash&) = delete;
    CProviderHash& operator=(const CProviderHash&) = delete;
    ~CProviderHash();

    // Drops any digest in progress and creates the provider's hash object.
    BOOL Start(HCRYPTPROV context, ALG_ID algorithm);
    // Drops any digest in progress and goes on from a copy of `source`'s
    // state: both may then be fed and finished on their own.
    BOOL CopyFrom(const CProviderHash& source);
    // Appends `length` bytes; pieces of any sizes give the digest of the whole.
    BOOL Update(const BYTE* data, DWORD length);
    // *digestLength is the capacity of `digest` on entry and the digest size
    // on success. The object then needs a new Start.
    BOOL Finish(BYTE* digest, DWORD* digestLength);

private:
    void Destroy();

    HCRYPTHASH m_hash = 0;
};

// One digest of `length` bytes: create, feed, read, destroy. `context` 0 opens
// a temporary context for the call. *digestLength is the capacity of `digest`
// on entry and the digest size on success. A caller's context is never released.
BOOL HashWithProvider(HCRYPTPROV context, ALG_ID algorithm, const BYTE* data, DWORD length, BYTE* digest,
                      DWORD* digestLength);
