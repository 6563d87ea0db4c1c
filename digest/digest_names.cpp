#include "digest/digest_names.h"

#include <windows.h>

#include <iterator>

#include "digest/digest_table.h"

namespace {

struct OtherName {
    const wchar_t* name;
    const wchar_t* tableName;
};

// clang-format off
const OtherName kOtherNames[] = {
    {L"SHA-1",        L"SHA1"},
    {L"SHA-224",      L"SHA224"},
    {L"SHA-256",      L"SHA256"},
    {L"SHA-384",      L"SHA384"},
    {L"SHA-512",      L"SHA512"},
    {L"SHA2-224",     L"SHA224"},
    {L"SHA2-256",     L"SHA256"},
    {L"SHA2-384",     L"SHA384"},
    {L"SHA2-512",     L"SHA512"},
    {L"SHA3_224",     L"SHA3-224"},
    {L"SHA3_256",     L"SHA3-256"},
    {L"SHA3_384",     L"SHA3-384"},
    {L"SHA3_512",     L"SHA3-512"},
    {L"BLAKE2b-512",  L"BLAKE2b"},
    {L"BLAKE2B-512",  L"BLAKE2b"},
    {L"BLAKE2b512",   L"BLAKE2b"},
    {L"BLAKE2s-256",  L"BLAKE2s"},
    {L"BLAKE2S-256",  L"BLAKE2s"},
    {L"BLAKE2s256",   L"BLAKE2s"},
    {L"CRC-32",       L"CRC32"},
};
// clang-format on

bool SameName(std::wstring_view name, const wchar_t* known, bool anyCase)
{
    return CompareStringOrdinal(name.data(), static_cast<int>(name.size()), known, -1, anyCase ? TRUE : FALSE)
        == CSTR_EQUAL;
}

int TableRowNamed(std::wstring_view name, bool anyCase)
{
    for (int row = 0; row < kDigestCount; ++row) {
        if (SameName(name, kDigestTable[row].name, anyCase))
            return row;
    }
    return -1;
}

}  // namespace

int DigestRowNamed(std::wstring_view name, bool anyCase)
{
    for (const OtherName& other : kOtherNames) {
        if (SameName(name, other.name, anyCase))
            return TableRowNamed(other.tableName, false);
    }
    return TableRowNamed(name, anyCase);
}

namespace {

// How b2sum names BLAKE2b at another length: "BLAKE2b-256".
constexpr wchar_t kBlake2bLengthPrefix[] = L"BLAKE2b-";

bool StartsWithName(std::wstring_view name, std::wstring_view start, bool anyCase)
{
    return name.size() > start.size() && SameName(name.substr(0, start.size()), std::wstring(start).c_str(), anyCase);
}

// "BLAKE2b-256": a multiple of 8 bits up to 512, without leading zeros.
bool FindBlake2bNamed(std::wstring_view name, bool anyCase, NamedDigest& found)
{
    const std::wstring_view prefix = kBlake2bLengthPrefix;
    if (!StartsWithName(name, prefix, anyCase))
        return false;
    const std::wstring_view bits = name.substr(prefix.size());
    unsigned value = 0;
    for (wchar_t digit : bits) {
        if (digit < L'0' || digit > L'9' || bits.size() > 3 || (value == 0 && digit == L'0'))
            return false;
        value = value * 10 + unsigned(digit - L'0');
    }
    if (value == 0 || value % 8 != 0 || value > 8 * kMaxDigestBytes)
        return false;
    found = {TableRowNamed(L"BLAKE2b", false), false, value / 8};
    return true;
}

bool FindPlainNamed(std::wstring_view name, bool anyCase, NamedDigest& found)
{
    const int row = DigestRowNamed(name, anyCase);
    if (row >= 0)
        found = {row, false, kDigestTable[row].length};
    return row >= 0 || FindBlake2bNamed(name, anyCase, found);
}

}  // namespace

bool FindDigestNamed(std::wstring_view name, bool anyCase, NamedDigest& found)
{
    constexpr std::wstring_view kHmacPrefix = L"HMAC-", kKeyedSuffix = L"-KEYED";
    if (FindPlainNamed(name, anyCase, found))
        return true;
    for (int row = 0; row < kDigestCount; ++row) {
        if (kDigestTable[row].keyedName != nullptr && SameName(name, kDigestTable[row].keyedName, anyCase)) {
            found = {row, true, kDigestTable[row].length};
            return true;
        }
    }
    const bool hmac = StartsWithName(name, kHmacPrefix, anyCase);
    const bool keyedSuffix = name.size() > kKeyedSuffix.size()
        && SameName(name.substr(name.size() - kKeyedSuffix.size()), std::wstring(kKeyedSuffix).c_str(), anyCase);
    const std::wstring_view plain = hmac ? name.substr(kHmacPrefix.size())
        : keyedSuffix                    ? name.substr(0, name.size() - kKeyedSuffix.size())
                                         : std::wstring_view();
    if (plain.empty() || !FindPlainNamed(plain, anyCase, found))
        return false;
    found.keyed = true;
    return (kDigestTable[found.row].keyMode == KeyMode::Hmac) == hmac && kDigestTable[found.row].keyMode != KeyMode::None;
}

std::wstring DigestLineName(int row, bool keyed, DWORD length)
{
    if (length == kDigestTable[row].length || kDigestTable[row].ownClass != OwnHashClass::Blake2b512)
        return DigestNameOf(row, keyed);
    return kBlake2bLengthPrefix + std::to_wstring(8 * length) + (keyed ? L"-KEYED" : L"");
}


std::wstring OtherDigestNames()
{
    std::wstring names;
    for (const OtherName& other : kOtherNames)
        names += (names.empty() ? L"" : L"、") + std::wstring(other.name);
    return names;
}

std::wstring DigestNames(DigestSelection digests)
{
    std::wstring names;
    for (int row = 0; row < kDigestCount; ++row) {
        if (digests[row])
            names += (names.empty() ? L"" : L"、") + std::wstring(kDigestTable[row].name);
    }
    return names;
}
