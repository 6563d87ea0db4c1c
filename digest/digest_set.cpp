#include "digest/digest_set.h"

#include "support/last_error.h"

namespace {

// Room for the largest digest any provider algorithm may return.
constexpr DWORD kDigestBufferBytes = 260;

}  // namespace

void CDigestSet::Row::Fail()
{
    failed = true;
    failure = LastErrorString();
}

CDigestSet::CDigestSet(HCRYPTPROV provider, DigestSelection selected) : m_provider(provider)
{
    for (int i = 0; i < kDigestCount; ++i) {
        if (!selected[i])
            continue;
        Row& row = m_rows[m_rowCount++];
        row.kind = &kDigestTable[i];
        row.own = OwnHash(row.kind->ownClass);
    }
}

CVnHashObject* CDigestSet::OwnHash(OwnHashClass ownClass)
{
    if (ownClass == OwnHashClass::None)
        return nullptr;
    const auto objects =
        std::apply([](auto&... own) { return std::array<CVnHashObject*, sizeof...(own)> {&own...}; }, m_own);
    return objects[static_cast<size_t>(ownClass) - 1];
}

void CDigestSet::Reset()
{
    for (int i = 0; i < m_rowCount; ++i) {
        Row& row = m_rows[i];
        row.failed = false;
        if (row.own != nullptr)
            row.own->Reset();
        else if (!row.provider.Start(m_provider, row.kind->providerAlgorithm))
            row.Fail();
    }
}

void CDigestSet::CopyStateFrom(const CDigestSet& other)
{
    m_own = other.m_own;
    for (int i = 0; i < m_rowCount; ++i) {
        Row& row = m_rows[i];
        const Row& from = other.m_rows[i];
        row.failed = from.failed;
        row.failure = from.failure;
        if (row.own == nullptr && !row.failed && !row.provider.CopyFrom(from.provider))
            row.Fail();
    }
}

void CDigestSet::Update(const BYTE* data, DWORD length)
{
    for (int i = 0; i < m_rowCount; ++i) {
        Row& row = m_rows[i];
        if (row.own != nullptr)
            row.own->Update(data, length);
        else if (!row.failed && !row.provider.Update(data, length))
            row.Fail();
    }
}

DigestTexts CDigestSet::Finish()
{
    DigestTexts result;
    result.hasDigests = true;
    BYTE digest[kDigestBufferBytes];
    for (int i = 0; i < m_rowCount; ++i) {
        Row& row = m_rows[i];
        const size_t index = static_cast<size_t>(row.kind - kDigestTable);
        DWORD length = kDigestBufferBytes;
        if (row.own != nullptr)
            length = row.own->Finish(digest);
        else if (!row.failed && !row.provider.Finish(digest, &length))
            row.Fail();
        result.failed[index] = row.failed;
        result.texts[index] = row.failed ? row.failure : HexText(digest, length);
    }
    return result;
}
