// The digests of one byte stream fed in pieces of any size: a text's bytes
// and a file's bytes take this one road.
#pragma once

#include <windows.h>
#include <wincrypt.h>

#include <array>
#include <string>

#include "digest/digest_table.h"
#include "digest/encoding_loss.h"
#include "hash/provider_digest.h"
#include "hash/sha256.h"
#include "hash/sha512.h"

// The outcome of one run of the set, row by row in table order.
struct DigestTexts {
    // Uppercase hex per digest, or the failure text where that digest failed;
    // empty for a digest that was not selected, and all empty when there was
    // nothing to digest.
    std::array<std::wstring, kDigestCount> texts;
    // True where `texts` holds a failure text instead of hex.
    std::array<bool, kDigestCount> failed = {};
    // True when the run digested bytes (a text with no bytes has no digests).
    bool hasDigests = false;
    // The characters of a text that its encoding replaced; none for a file.
    EncodingLoss loss;
};

class CDigestSet {
public:
    // The provider digests come from `provider`, which must stay open while
    // the set is used. Only the `selected` rows are computed.
    explicit CDigestSet(HCRYPTPROV provider, DigestSelection selected = AllDigests());
    CDigestSet(const CDigestSet&) = delete;
    CDigestSet& operator=(const CDigestSet&) = delete;

    // Starts every selected digest afresh; needed before the first Update.
    void Reset();
    // Goes on from where `other` (a set of the same provider and selection)
    // stands, so that one prefix digested once can end in several ways.
    void CopyStateFrom(const CDigestSet& other);
    // Appends `length` bytes to every selected digest that has not failed.
    void Update(const BYTE* data, DWORD length);
    // The selected digests' texts, a provider digest that failed with its own
    // failure text; the set then needs Reset.
    DigestTexts Finish();

private:
    struct Row {
        // Keeps the text of the failure that just happened.
        void Fail();

        const DigestKind* kind = nullptr;
        CVnHashObject* own = nullptr;  // null for a provider digest
        CProviderHash provider;
        bool failed = false;
        std::wstring failure;
    };

    CVnHashObject* OwnHash(OwnHashClass ownClass);

    HCRYPTPROV m_provider;
    CVnSha224 m_sha224;
    CVnSha256 m_sha256;
    CVnSha384 m_sha384;
    CVnSha512 m_sha512;
    // The selected rows, in table order.
    std::array<Row, kDigestCount> m_rows;
    int m_rowCount = 0;
};
