#include "digest/digest_set.h"

#include "support/last_error.h"

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

// Ends one row's digest into `value`; false when it failed.
bool CDigestSet::FinishRow(Row& row, DigestValue& value)
{
    value.length = static_cast<DWORD>(value.bytes.size());
    if (row.own != nullptr)
        value.length = row.own->Finish(value.bytes.data());
    else if (!row.failed && !row.provider.Finish(value.bytes.data(), &value.length))
        row.Fail();
    if (row.failed)
        value.length = 0;
    return !row.failed;
}

DigestTexts CDigestSet::Finish()
{
    DigestTexts result;
    result.hasDigests = true;
    for (int i = 0; i < m_rowCount; ++i) {
        Row& row = m_rows[i];
        const size_t index = static_cast<size_t>(row.kind - kDigestTable);
        result.failed[index] = !FinishRow(row, result.values[index]);
        result.texts[index] = row.failed ? row.failure : HexOf(result.values[index]);
    }
    return result;
}

bool CDigestSet::FinishValues(std::array<DigestValue, kDigestCount>& values, std::wstring& failure)
{
    bool finished = true;
    for (int i = 0; i < m_rowCount; ++i) {
        Row& row = m_rows[i];
        if (!FinishRow(row, values[static_cast<size_t>(row.kind - kDigestTable)]) && finished) {
            failure = row.failure;
            finished = false;
        }
    }
    return finished;
}

std::wstring HexOf(const DigestValue& value) { return HexText(value.bytes.data(), value.length); }
