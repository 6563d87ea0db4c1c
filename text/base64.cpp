#include "text/base64.h"

namespace {

constexpr char kStandard[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
// The URL-safe alphabet differs in its last two characters only.
constexpr wchar_t kUrlSafe62 = L'-', kUrlSafe63 = L'_';
constexpr wchar_t kPad = L'=';

// The 6-bit value of `c`, or -1. The alphabet of a text is fixed by its first
// character that tells them apart.
int SixBits(wchar_t c, int& urlSafe)
{
    const bool standard62 = c == L'+' || c == L'/';
    const bool url62 = c == kUrlSafe62 || c == kUrlSafe63;
    if (standard62 || url62) {
        if (urlSafe == (standard62 ? 1 : 0))
            return -1;
        urlSafe = url62 ? 1 : 0;
        return c == L'+' || c == kUrlSafe62 ? 62 : 63;
    }
    if (c >= L'A' && c <= L'Z')
        return c - L'A';
    if (c >= L'a' && c <= L'z')
        return c - L'a' + 26;
    if (c >= L'0' && c <= L'9')
        return c - L'0' + 52;
    return -1;
}

bool IsHexSeparator(wchar_t unit) { return unit == L' ' || unit == L':' || unit == L'-'; }

}  // namespace

std::wstring EncodeBase64(const BYTE* bytes, size_t count)
{
    std::wstring text;
    for (size_t i = 0; i < count; i += 3) {
        const size_t taken = count - i < 3 ? count - i : 3;
        unsigned group = 0;
        for (size_t j = 0; j < 3; ++j)
            group = group << 8 | (j < taken ? bytes[i + j] : 0);
        for (size_t j = 0; j < 4; ++j)
            text += j <= taken ? static_cast<wchar_t>(kStandard[(group >> (18 - 6 * j)) & 0x3F]) : kPad;
    }
    return text;
}

int HexDigitValue(wchar_t unit)
{
    if (unit >= L'0' && unit <= L'9')
        return unit - L'0';
    if (unit >= L'a' && unit <= L'f')
        return unit - L'a' + 10;
    if (unit >= L'A' && unit <= L'F')
        return unit - L'A' + 10;
    return -1;
}

long HexValue(std::wstring_view text, size_t at, size_t count)
{
    if (at > text.size() || count > text.size() - at)
        return -1;
    long value = 0;
    for (size_t i = at; i < at + count; ++i) {
        const int digit = HexDigitValue(text[i]);
        if (digit < 0)
            return -1;
        value = value * 16 + digit;
    }
    return value;
}

bool DecodeHexPairs(std::wstring_view text, std::vector<BYTE>& bytes, size_t maxBytes)
{
    bytes.clear();
    for (size_t at = 0; at < text.size(); at += 2) {
        // A separator stands only between two pairs.
        if (!bytes.empty() && IsHexSeparator(text[at]))
            ++at;
        if (at + 1 >= text.size() || !IsHexDigit(text[at]) || !IsHexDigit(text[at + 1]) || bytes.size() == maxBytes)
            return false;
        bytes.push_back(static_cast<BYTE>(HexDigitValue(text[at]) << 4 | HexDigitValue(text[at + 1])));
    }
    return !bytes.empty();
}

bool DecodeBase64(std::wstring_view text, std::vector<BYTE>& bytes)
{
    const size_t last = text.find_last_not_of(kPad);
    if (last == std::wstring_view::npos)
        return false;
    // Padding, when there is any, fills the last group of four.
    const size_t padding = text.size() - last - 1;
    if (padding > 2 || (padding != 0 && text.size() % 4 != 0))
        return false;
    text.remove_suffix(padding);
    if (text.size() % 4 == 1)
        return false;
    bytes.clear();
    int urlSafe = -1;
    unsigned bits = 0, held = 0;
    for (wchar_t c : text) {
        const int value = SixBits(c, urlSafe);
        if (value < 0)
            return false;
        bits = bits << 6 | static_cast<unsigned>(value);
        held += 6;
        if (held >= 8) {
            held -= 8;
            bytes.push_back(static_cast<BYTE>(bits >> held));
            bits &= (1u << held) - 1;
        }
    }
    return bits == 0;
}
