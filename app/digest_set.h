// The seven digests of one byte stream fed in pieces of any size: the window's
// text and the console program's files take this one road.
#pragma once

#include <windows.h>
#include <wincrypt.h>

#include <array>
#include <string>

#include "hash/provider_digest.h"
#include "hash/sha256.h"
#include "hash/sha512.h"

// Digest order of the outputs: MD4, MD5, SHA-1, SHA-224, SHA-256, SHA-384, SHA-512.
constexpr int kDigestCount = 7;
constexpr int kProviderDigestCount = 3;
extern const ALG_ID kProviderAlgorithms[kProviderDigestCount];

struct DigestTexts {
    // Uppercase hex per digest, or the failure text where that digest failed;
    // all empty when there was nothing to digest.
    std::array<std::wstring, kDigestCount> texts;
    // True where `texts` holds a failure text instead of hex.
    std::array<bool, kDigestCount> failed = {};
    // True when there were digests to show (the copy-as-C link's state).
    bool copyEnabled = false;
};

class CDigestSet {
public:
    // MD4, MD5 and SHA-1 come from `provider`, which must stay open while the
    // set is used.
    explicit CDigestSet(HCRYPTPROV provider) : m_provider(provider) {}
    CDigestSet(const CDigestSet&) = delete;
    CDigestSet& operator=(const CDigestSet&) = delete;

    // Starts all seven afresh; needed before the first Update.
    void Reset();
    // Appends `length` bytes to every digest that has not failed.
    void Update(const BYTE* data, DWORD length);
    // All seven texts, a provider digest that failed with its own failure
    // text; the set then needs Reset.
    DigestTexts Finish();

private:
    struct ProviderRow {
        // Keeps the text of the failure that just happened.
        void Fail();

        CProviderHash hash;
        bool failed = false;
        std::wstring failure;
    };

    HCRYPTPROV m_provider;
    ProviderRow m_providerRows[kProviderDigestCount];
    CVnSha224 m_sha224;
    CVnSha256 m_sha256;
    CVnSha384 m_sha384;
    CVnSha512 m_sha512;
    // The rows after the provider digests, in output order.
    CVnHashObject* const m_ownHashes[kDigestCount - kProviderDigestCount] = {&m_sha224, &m_sha256, &m_sha384,
                                                                             &m_sha512};
};

// Digests the bytes of the file at `path` as they are, read front to back in
// pieces, so that any size takes the same memory. False when the file cannot
// be opened or read whole, with the failure recorded (support/last_error.h)
// and `digests` untouched.
bool DigestFile(CDigestSet& set, const wchar_t* path, DigestTexts& digests);
