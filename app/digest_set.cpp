#include "app/digest_set.h"

#include "support/last_error.h"

const ALG_ID kProviderAlgorithms[kProviderDigestCount] = {CALG_MD4, CALG_MD5, CALG_SHA1};

namespace {

// Room for the largest digest any provider algorithm may return.
constexpr DWORD kDigestBufferBytes = 260;

std::wstring HexText(const BYTE* digest, DWORD length)
{
    wchar_t text[2 * kDigestBufferBytes + 1];
    FormatHex(digest, length, text);
    return text;
}

// Lets HashFile's reading loop feed the whole set: its Finish leaves the
// seven texts here instead of writing one digest.
class CDigestSetFeed : public CVnHashObject {
public:
    explicit CDigestSetFeed(CDigestSet& set) : m_set(set) {}

    BOOL Reset() override
    {
        m_set.Reset();
        return TRUE;
    }
    void Update(const BYTE* data, DWORD length) override { m_set.Update(data, length); }
    DWORD Finish(BYTE*) override
    {
        m_digests = m_set.Finish();
        return 0;
    }

    DigestTexts m_digests;

private:
    CDigestSet& m_set;
};

}  // namespace

void CDigestSet::ProviderRow::Fail()
{
    failed = true;
    failure = LastErrorString();
}

void CDigestSet::Reset()
{
    for (int row = 0; row < kProviderDigestCount; ++row) {
        ProviderRow& provider = m_providerRows[row];
        provider.failed = false;
        if (!provider.hash.Start(m_provider, kProviderAlgorithms[row]))
            provider.Fail();
    }
    for (CVnHashObject* hash : m_ownHashes)
        hash->Reset();
}

void CDigestSet::Update(const BYTE* data, DWORD length)
{
    for (ProviderRow& provider : m_providerRows) {
        if (!provider.failed && !provider.hash.Update(data, length))
            provider.Fail();
    }
    for (CVnHashObject* hash : m_ownHashes)
        hash->Update(data, length);
}

DigestTexts CDigestSet::Finish()
{
    DigestTexts result;
    result.copyEnabled = true;
    BYTE digest[kDigestBufferBytes];
    int row = 0;
    for (ProviderRow& provider : m_providerRows) {
        DWORD length = kDigestBufferBytes;
        if (!provider.failed && !provider.hash.Finish(digest, &length))
            provider.Fail();
        result.failed[row] = provider.failed;
        result.texts[row] = provider.failed ? provider.failure : HexText(digest, length);
        ++row;
    }
    for (CVnHashObject* hash : m_ownHashes)
        result.texts[row++] = HexText(digest, hash->Finish(digest));
    return result;
}

bool DigestFile(CDigestSet& set, const wchar_t* path, DigestTexts& digests)
{
    CDigestSetFeed feed(set);
    if (!feed.HashFile(path, ~0ULL, nullptr))
        return false;
    digests = feed.m_digests;
    return true;
}
