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

int KeyedDigestRowNamed(std::wstring_view name, bool anyCase)
{
    constexpr std::wstring_view kHmacPrefix = L"HMAC-";
    for (int row = 0; row < kDigestCount; ++row) {
        if (kDigestTable[row].keyedName != nullptr && SameName(name, kDigestTable[row].keyedName, anyCase))
            return row;
    }
    if (name.size() <= kHmacPrefix.size() || !SameName(name.substr(0, kHmacPrefix.size()), L"HMAC-", anyCase))
        return -1;
    const int row = DigestRowNamed(name.substr(kHmacPrefix.size()), anyCase);
    return row >= 0 && kDigestTable[row].keyMode == KeyMode::Hmac ? row : -1;
}

int AnyDigestRowNamed(std::wstring_view name, bool anyCase, bool& keyed)
{
    const int plain = DigestRowNamed(name, anyCase);
    keyed = plain < 0;
    return keyed ? KeyedDigestRowNamed(name, anyCase) : plain;
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
