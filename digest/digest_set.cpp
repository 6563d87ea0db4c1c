#include "digest/digest_set.h"

#include <algorithm>
#include <utility>

#include "support/last_error.h"

namespace {

// HMAC's pads (RFC 2104).
constexpr BYTE kInnerPad = 0x36;
constexpr BYTE kOuterPad = 0x5C;

constexpr DWORD LargestHmacBlock()
{
    DWORD largest = 0;
    for (const DigestKind& kind : kDigestTable) {
        if (kind.keyMode == KeyMode::Hmac)
            largest = std::max(largest, kind.keyBytes);
    }
    return largest;
}
constexpr DWORD kLargestHmacBlock = LargestHmacBlock();

// The table's limits of the own keyed modes are the classes' own.
constexpr bool KeyBytesAre(OwnHashClass ownClass, DWORD bytes)
{
    for (const DigestKind& kind : kDigestTable) {
        if (kind.ownClass == ownClass)
            return kind.keyBytes == bytes;
    }
    return false;
}
static_assert(KeyBytesAre(OwnHashClass::Blake2b512, CVnBlake2b512::kMaxLength)
                  && KeyBytesAre(OwnHashClass::Blake2s256, CVnBlake2s256::kMaxLength)
                  && KeyBytesAre(OwnHashClass::Blake3, CVnBlake3::kKeyLength),
              "the table's key lengths are the classes'");

std::wstring Blake2bLengthRefusal(DWORD length)
{
    return L"BLAKE2b 的长度须为 1 到 " + std::to_wstring(CVnBlake2b512::kMaxLength) + L" 字节，给出的是 "
        + std::to_wstring(length) + L" 字节";
}

template <typename Tuple, size_t... I>
void CopyElement(size_t index, Tuple& to, const Tuple& from, std::index_sequence<I...>)
{
    ((I == index ? static_cast<void>(std::get<I>(to) = std::get<I>(from)) : static_cast<void>(0)), ...);
}

}  // namespace

void CDigestSet::Row::Fail()
{
    failed = true;
    failure = LastErrorString();
}

CDigestSet::CDigestSet(HCRYPTPROV provider, const DigestRequest& request)
    : m_provider(provider), m_keyed(request.parameters.key.has_value())
{
    for (int i = 0; i < kDigestCount; ++i) {
        if (!request.selected[i])
            continue;
        Row& row = m_rows[m_rowCount++];
        row.kind = &kDigestTable[i];
        row.own = OwnHash(row.kind->ownClass);
        row.refused = !TakeParameters(row, request.parameters);
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

void CDigestSet::CopyOwnHash(OwnHashClass ownClass, OwnHashes& to, const OwnHashes& from)
{
    CopyElement(static_cast<size_t>(ownClass) - 1, to, from, std::make_index_sequence<std::tuple_size_v<OwnHashes>>());
}

// False with the row's refusal set when it cannot take them.
bool CDigestSet::TakeParameters(Row& row, const DigestParameters& parameters)
{
    if (row.kind->ownClass == OwnHashClass::Blake2b512
        && !std::get<CVnBlake2b512>(m_own).SetDigestLength(parameters.blake2bLength)) {
        row.refusal = Blake2bLengthRefusal(parameters.blake2bLength);
        return false;
    }
    if (!parameters.key)
        return true;
    row.refusal = KeyRefusal(static_cast<int>(row.kind - kDigestTable), parameters.key->Length());
    if (!row.refusal.empty())
        return false;
    if (TakeKey(row, *parameters.key))
        return true;
    row.refusal = LastErrorString();
    return false;
}

// A key that KeyRefusal allows: HMAC's, or the digest's own keyed mode.
bool CDigestSet::TakeKey(Row& row, const CDigestKey& key)
{
    const DWORD length = static_cast<DWORD>(key.Length());
    if (row.kind->keyMode == KeyMode::Hmac)
        return PrepareHmac(row, key);
    if (row.kind->ownClass == OwnHashClass::Blake2b512)
        return std::get<CVnBlake2b512>(m_own).SetKey(key.Bytes(), length);
    if (row.kind->ownClass == OwnHashClass::Blake2s256)
        return std::get<CVnBlake2s256>(m_own).SetKey(key.Bytes(), length);
    // BLAKE3, the table's one digest whose key has exactly its length.
    std::get<CVnBlake3>(m_own).SetKey(key.Bytes());
    return true;
}

// HMAC's two starts, once for the set; every digest copies them.
bool CDigestSet::PrepareHmac(Row& row, const CDigestKey& key)
{
    const DWORD blockSize = row.kind->keyBytes;
    const DWORD keyLength = static_cast<DWORD>(key.Length());
    // The key padded with zeros to a block; a longer key is digested first.
    BYTE block[kLargestHmacBlock] = {};
    bool prepared = true;
    if (keyLength > blockSize) {
        DWORD digestLength = sizeof(block);
        prepared = Begin(row) && Feed(row, key.Bytes(), keyLength) && End(row, block, digestLength);
    } else {
        std::copy_n(key.Bytes(), keyLength, block);
    }
    for (DWORD i = 0; i < blockSize; ++i)
        block[i] ^= kInnerPad;
    prepared = prepared && Begin(row) && Feed(row, block, blockSize) && Save(row, m_inner, row.inner);
    for (DWORD i = 0; i < blockSize; ++i)
        block[i] ^= kInnerPad ^ kOuterPad;
    prepared = prepared && Begin(row) && Feed(row, block, blockSize) && Save(row, m_outer, row.outer);
    SecureZeroMemory(block, sizeof(block));
    row.hmac = true;
    return prepared;
}

bool CDigestSet::Begin(Row& row)
{
    if (row.own != nullptr)
        return row.own->Reset() != FALSE;
    return row.provider.Start(m_provider, row.kind->providerAlgorithm) != FALSE;
}

bool CDigestSet::Feed(Row& row, const BYTE* data, DWORD length)
{
    if (row.own != nullptr) {
        row.own->Update(data, length);
        return true;
    }
    return row.provider.Update(data, length) != FALSE;
}

// `length` is the capacity of `digest` on entry and the digest's length on success.
bool CDigestSet::End(Row& row, BYTE* digest, DWORD& length)
{
    if (row.own != nullptr) {
        length = row.own->Finish(digest);
        return true;
    }
    return row.provider.Finish(digest, &length) != FALSE;
}

bool CDigestSet::Save(Row& row, OwnHashes& own, CProviderHash& provider)
{
    if (row.own != nullptr) {
        CopyOwnHash(row.kind->ownClass, own, m_own);
        return true;
    }
    return provider.CopyFrom(row.provider) != FALSE;
}

bool CDigestSet::Restore(Row& row, const OwnHashes& own, const CProviderHash& provider)
{
    if (row.own != nullptr) {
        CopyOwnHash(row.kind->ownClass, m_own, own);
        return true;
    }
    return row.provider.CopyFrom(provider) != FALSE;
}

bool CDigestSet::StartRow(Row& row) { return row.hmac ? Restore(row, m_inner, row.inner) : Begin(row); }

void CDigestSet::Reset()
{
    for (int i = 0; i < m_rowCount; ++i) {
        Row& row = m_rows[i];
        row.failed = row.refused;
        row.failure = row.refusal;
        if (!row.failed && !StartRow(row))
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
        if (!row.failed && !Feed(row, data, length))
            row.Fail();
    }
}

// The outer digest of the inner one, from the outer start.
bool CDigestSet::FinishHmac(Row& row, DigestValue& value)
{
    BYTE inner[kMaxDigestBytes];
    DWORD innerLength = sizeof(inner);
    return End(row, inner, innerLength) && Restore(row, m_outer, row.outer) && Feed(row, inner, innerLength)
        && End(row, value.bytes.data(), value.length);
}

// Ends one row's digest into `value`; false when it failed.
bool CDigestSet::FinishRow(Row& row, DigestValue& value)
{
    value.length = static_cast<DWORD>(value.bytes.size());
    if (!row.failed && !(row.hmac ? FinishHmac(row, value) : End(row, value.bytes.data(), value.length)))
        row.Fail();
    if (row.failed)
        value.length = 0;
    return !row.failed;
}

DigestTexts CDigestSet::Finish()
{
    DigestTexts result;
    result.hasDigests = true;
    result.keyed = m_keyed;
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

std::wstring LowerHexOf(const DigestValue& value)
{
    std::wstring hex = HexOf(value);
    for (wchar_t& digit : hex) {
        if (digit >= L'A')
            digit = static_cast<wchar_t>(digit - L'A' + L'a');
    }
    return hex;
}
