#include "digest/expected_digest.h"

#include <string_view>
#include <vector>

#include "digest/checksum_line.h"
#include "digest/digest_names.h"
#include "hash/hash_object.h"
#include "text/base64.h"
#include "text/encode_text.h"

namespace {

// SRI names only these three.
const wchar_t* const kSriAlgorithms[] = {L"sha256", L"sha384", L"sha512"};

bool IsAroundSpace(wchar_t unit)
{
    // The ideographic and the no-break space come along when a digest is
    // copied out of Chinese documents and web pages.
    return unit == L' ' || unit == L'\t' || unit == L'\r' || unit == L'\n' || unit == L'\v' || unit == L'\f'
        || unit == L'\u00A0' || unit == L'\u3000';
}

std::wstring_view Trimmed(std::wstring_view text)
{
    while (!text.empty() && IsAroundSpace(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && IsAroundSpace(text.back()))
        text.remove_suffix(1);
    return text;
}

bool IsPairSeparator(wchar_t unit) { return unit == L' ' || unit == L':' || unit == L'-'; }

// A digest standing alone, without a name, is one of at least this many
// bytes: a shorter one (CRC-32) could be any number or word someone copies.
constexpr size_t kMinUnnamedDigestBytes = 16;

bool IsUnnamedDigestLength(size_t bytes)
{
    return bytes >= kMinUnnamedDigestBytes && DigestsOfHexLength(2 * bytes).any();
}

// The uppercase hex digits of `text` when it is hex pairs, one separator
// allowed between pairs, no longer than the longest digest; empty otherwise.
std::wstring HexDigits(std::wstring_view text)
{
    std::wstring digits;
    for (size_t i = 0; i < text.size(); ++i) {
        const wchar_t unit = text[i];
        if (IsHexDigit(unit)) {
            digits += unit >= L'a' ? static_cast<wchar_t>(unit - L'a' + L'A') : unit;
            if (digits.size() > 2 * kMaxDigestBytes)
                return L"";
            continue;
        }
        // A separator stands only between two pairs: after an even number of
        // digits and before the next digit.
        const bool betweenPairs =
            !digits.empty() && digits.size() % 2 == 0 && i + 1 < text.size() && IsHexDigit(text[i + 1]);
        if (!IsPairSeparator(unit) || !betweenPairs)
            return L"";
    }
    return digits.size() % 2 == 0 ? digits : L"";
}

DigestSelection OnlyRow(int row) { return DigestSelection().set(static_cast<size_t>(row)); }

// "sha256:…", "MD5 = …": the name narrows the search to one digest.
bool ParsePrefixed(std::wstring_view text, ExpectedDigest& expected)
{
    const size_t separator = text.find_first_of(L":=");
    if (separator == std::wstring_view::npos)
        return false;
    const int row = DigestRowNamed(Trimmed(text.substr(0, separator)), true);
    if (row < 0)
        return false;
    expected.hex = HexDigits(Trimmed(text.substr(separator + 1)));
    expected.digests = OnlyRow(row);
    expected.form = DigestForm::Prefixed;
    return expected.hex.size() == 2 * kDigestTable[row].length;
}

bool ParseSri(std::wstring_view text, ExpectedDigest& expected)
{
    const size_t hyphen = text.find(L'-');
    if (hyphen == std::wstring_view::npos)
        return false;
    const std::wstring_view name = text.substr(0, hyphen);
    for (const wchar_t* algorithm : kSriAlgorithms) {
        std::vector<BYTE> bytes;
        const int row = DigestRowNamed(algorithm, true);
        if (CompareStringOrdinal(name.data(), static_cast<int>(name.size()), algorithm, -1, TRUE) != CSTR_EQUAL
            || !DecodeBase64(text.substr(hyphen + 1), bytes) || bytes.size() != kDigestTable[row].length)
            continue;
        expected.hex = HexText(bytes.data(), bytes.size());
        expected.digests = OnlyRow(row);
        expected.form = DigestForm::Sri;
        return true;
    }
    return false;
}

bool ParseBase64(std::wstring_view text, ExpectedDigest& expected)
{
    std::vector<BYTE> bytes;
    if (!DecodeBase64(text, bytes) || !IsUnnamedDigestLength(bytes.size()))
        return false;
    expected.hex = HexText(bytes.data(), bytes.size());
    expected.digests = DigestsOfHexLength(expected.hex.size());
    expected.form = DigestForm::Base64;
    return true;
}

// A line copied whole from a checksum list or a download page: its tag
// narrows the search; a GNU line's digits may be any digest of their length.
bool ParseChecksumLineText(std::wstring_view text, ExpectedDigest& expected)
{
    const std::string line = WideToUtf8(text.data(), static_cast<int>(text.size()));
    ChecksumLine parsed;
    if (line.empty() || !ParseChecksumLine(line, AllDigests(), parsed))
        return false;
    expected.hex = parsed.hex;
    expected.digests = parsed.tagged ? OnlyRow(parsed.digest) : DigestsOfHexLength(parsed.hex.size());
    expected.form = DigestForm::ChecksumLine;
    return true;
}

}  // namespace

ExpectedDigest ParseExpectedDigest(const wchar_t* text, size_t length)
{
    ExpectedDigest expected;
    if (length > kMaxExpectedDigestUnits)
        return expected;
    const std::wstring_view digest = Trimmed(std::wstring_view(text, length));
    expected.hex = HexDigits(digest);
    if (IsUnnamedDigestLength(expected.hex.size() / 2)) {
        expected.digests = DigestsOfHexLength(expected.hex.size());
        return expected;
    }
    if (ParsePrefixed(digest, expected) || ParseSri(digest, expected) || ParseBase64(digest, expected)
        || ParseChecksumLineText(digest, expected))
        return expected;
    return ExpectedDigest();
}

DigestSelection DigestsOfHexLength(size_t digits)
{
    DigestSelection selection;
    for (int i = 0; i < kDigestCount; ++i)
        selection[i] = 2 * kDigestTable[i].length == digits;
    return selection;
}

bool IsExpectedDigest(const std::wstring& text, const std::wstring& expected)
{
    return !expected.empty() && text.size() == expected.size()
        && CompareStringOrdinal(text.c_str(), static_cast<int>(text.size()), expected.c_str(),
                                static_cast<int>(expected.size()), TRUE)
        == CSTR_EQUAL;
}

DigestSelection MatchingDigests(const DigestTexts& digests, const ExpectedDigest& expected)
{
    DigestSelection matching;
    for (int i = 0; i < kDigestCount; ++i)
        matching[i] = expected.digests[i] && !digests.failed[i] && IsExpectedDigest(digests.texts[i], expected.hex);
    return matching;
}

bool IsHexDigit(wchar_t unit)
{
    return (unit >= L'0' && unit <= L'9') || (unit >= L'A' && unit <= L'F') || (unit >= L'a' && unit <= L'f');
}
