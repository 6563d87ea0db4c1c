// The digests of one byte stream fed in pieces of any size: a text's bytes
// and a file's bytes take this one road.
#pragma once

#include <windows.h>
#include <wincrypt.h>

#include <array>
#include <cstring>
#include <optional>
#include <string>
#include <tuple>
#include <utility>

#include "digest/digest_key.h"
#include "digest/digest_table.h"
#include "digest/encoding_loss.h"

#include "hash/blake2/blake2.h"
#include "hash/blake3/blake3.h"
#include "hash/crc32/crc32.h"
#include "hash/provider_digest.h"
#include "hash/sha256.h"
#include "hash/sha3/sha3.h"
#include "hash/sha512.h"
#include "hash/sm3/sm3.h"

// A digest as bytes and a length, until it is shown or written out: digests
// are compared as bytes, whatever form they were written in.
struct DigestValue {
    std::array<BYTE, kMaxDigestBytes> bytes = {};
    DWORD length = 0;

    bool operator==(const DigestValue& other) const
    {
        return length == other.length && memcmp(bytes.data(), other.bytes.data(), length) == 0;
    }
    bool operator!=(const DigestValue& other) const { return !(*this == other); }
};

// Uppercase hex of the value, as the programs show digests.
std::wstring HexOf(const DigestValue& value);
// Lowercase hex of the value, as checksum files and --twice hex write it.
std::wstring LowerHexOf(const DigestValue& value);

// The outcome of one run of the set, row by row in table order.
struct DigestTexts {
    // The digests' bytes; empty where a digest failed or was not selected.
    std::array<DigestValue, kDigestCount> values;
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
    // True when the digests are keyed: lines, arrays and tips name them by their keyed names.
    bool keyed = false;
};

// How the selected digests are computed.
struct DigestParameters {
    // With a key, each row's keyed digest (the table's keyMode): HMAC, or the
    // digest's own keyed mode. Without one, the plain digests.
    std::optional<CDigestKey> key;
    // BLAKE2b's digest length in bytes, 1 to 64, as `b2sum -l` takes it in bits.
    DWORD blake2bLength = 64;
};

// Which digests a run computes, and how.
struct DigestRequest {
    DigestRequest(DigestSelection digests = ShownDigests(), DigestParameters how = {})
        : selected(digests), parameters(std::move(how))
    {
    }

    DigestSelection selected;
    DigestParameters parameters;
};

class CDigestSet {
public:
    // The provider digests come from `provider`, which must stay open while
    // the set is used. Only the selected rows are computed. What each keyed
    // digest needs of the key (HMAC's inner and outer starts) is computed
    // here, once. A row that cannot take the parameters (KeyRefusal, a
    // BLAKE2b length out of range), or whose start the provider refused,
    // fails with that reason at each Finish; the other rows go on.
    explicit CDigestSet(HCRYPTPROV provider, const DigestRequest& request = ShownDigests());
    CDigestSet(const CDigestSet&) = delete;
    CDigestSet& operator=(const CDigestSet&) = delete;

    // Starts every selected digest afresh; needed before the first Update.
    void Reset();
    // Goes on from where `other` (a set of the same provider, selection and
    // parameters) stands, so that one prefix digested once can end in
    // several ways.
    void CopyStateFrom(const CDigestSet& other);
    // Appends `length` bytes to every selected digest that has not failed.
    void Update(const BYTE* data, DWORD length);
    // The selected digests' values and texts, a provider digest that failed
    // with its own failure text; the set then needs Reset.
    DigestTexts Finish();
    // The same without the texts, for a search that compares many digests:
    // false with `failure` set when a selected digest failed.
    bool FinishValues(std::array<DigestValue, kDigestCount>& values, std::wstring& failure);

private:
    struct Row {
        // Keeps the text of the failure that just happened.
        void Fail();

        const DigestKind* kind = nullptr;
        CVnHashObject* own = nullptr;  // null for a provider digest
        CProviderHash provider;
        // HMAC's starts of a provider digest: after (K xor ipad), after (K xor opad).
        CProviderHash inner, outer;
        bool hmac = false;
        // Set when the row can give no digest with the set's parameters, with the reason.
        bool refused = false;
        std::wstring refusal;
        bool failed = false;
        std::wstring failure;
    };

    // One object of each own class, in OwnHashClass order after None: a copy
    // of the set's state copies them all at once.
    using OwnHashes = std::tuple<CVnSha224, CVnSha256, CVnSha384, CVnSha512, CVnSm3, CVnSha3_224, CVnSha3_256,
                                 CVnSha3_384, CVnSha3_512, CVnBlake2b512, CVnBlake2s256, CVnBlake3, CVnCrc32>;
    static_assert(std::tuple_size_v<OwnHashes> == static_cast<size_t>(OwnHashClass::Crc32),
                  "one object for each own class");

    CVnHashObject* OwnHash(OwnHashClass ownClass);
    static void CopyOwnHash(OwnHashClass ownClass, OwnHashes& to, const OwnHashes& from);

    bool TakeParameters(Row& row, const DigestParameters& parameters);
    bool TakeKey(Row& row, const CDigestKey& key);
    bool PrepareHmac(Row& row, const CDigestKey& key);
    bool StartRow(Row& row);

    // A row's own digest, keyed or not, by its own class or the provider.
    bool Begin(Row& row);
    bool Feed(Row& row, const BYTE* data, DWORD length);
    bool End(Row& row, BYTE* digest, DWORD& length);
    // Keeps the row's state in `own` or `provider`, and goes on from it again.
    bool Save(Row& row, OwnHashes& own, CProviderHash& provider);
    bool Restore(Row& row, const OwnHashes& own, const CProviderHash& provider);

    bool FinishHmac(Row& row, DigestValue& value);
    bool FinishRow(Row& row, DigestValue& value);

    HCRYPTPROV m_provider;
    OwnHashes m_own;
    // HMAC's starts of the own classes: after (K xor ipad), after (K xor opad).
    OwnHashes m_inner, m_outer;
    // The selected rows, in table order.
    std::array<Row, kDigestCount> m_rows;
    int m_rowCount = 0;
    bool m_keyed = false;
};
