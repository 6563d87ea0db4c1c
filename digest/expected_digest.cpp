#include "digest/expected_digest.h"

namespace {

bool IsAroundSpace(wchar_t unit)
{
    // The ideographic and the no-break space come along when a digest is
    // copied out of Chinese documents and web pages.
    return unit == L' ' || unit == L'\t' || unit == L'\r' || unit == L'\n' || unit == L'\v' || unit == L'\f'
        || unit == L'\u00A0' || unit == L'\u3000';
}

bool IsPairSeparator(wchar_t unit) { return unit == L' ' || unit == L':' || unit == L'-'; }

bool IsDigestLength(size_t digits) { return DigestsOfHexLength(digits).any(); }

}  // namespace

std::wstring ParseExpectedDigest(const wchar_t* text, size_t length)
{
    if (length > kMaxExpectedDigestUnits)
        return L"";
    size_t first = 0, end = length;
    while (first < end && IsAroundSpace(text[first]))
        ++first;
    while (end > first && IsAroundSpace(text[end - 1]))
        --end;

    std::wstring digits;
    for (size_t i = first; i < end; ++i) {
        const wchar_t unit = text[i];
        if (IsHexDigit(unit)) {
            digits += unit;
            if (digits.size() > 2 * kMaxDigestBytes)
                return L"";
            continue;
        }
        // A separator stands only between two pairs: after an even number of
        // digits and before the next digit.
        const bool betweenPairs = !digits.empty() && digits.size() % 2 == 0 && i + 1 < end && IsHexDigit(text[i + 1]);
        if (!IsPairSeparator(unit) || !betweenPairs)
            return L"";
    }
    return IsDigestLength(digits.size()) ? digits : L"";
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

DigestSelection MatchingDigests(const DigestTexts& digests, const std::wstring& expected)
{
    DigestSelection matching;
    for (int i = 0; i < kDigestCount; ++i)
        matching[i] = !digests.failed[i] && IsExpectedDigest(digests.texts[i], expected);
    return matching;
}

bool IsHexDigit(wchar_t unit)
{
    return (unit >= L'0' && unit <= L'9') || (unit >= L'A' && unit <= L'F') || (unit >= L'a' && unit <= L'f');
}
