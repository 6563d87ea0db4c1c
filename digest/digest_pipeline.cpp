#include "digest/digest_pipeline.h"

#include <algorithm>
#include <climits>

#include "support/last_error.h"

namespace {

// Converted text goes to the digests through this buffer on the stack, a
// piece at a time: a text of any length is converted once and needs no heap.
constexpr int kConversionBufferBytes = 262144;

// The most bytes one UTF-16 unit can take in `codePage`: a surrogate pair
// takes four UTF-8 bytes for its two units, any other unit at most three.
int MaxBytesPerUnit(UINT codePage)
{
    if (codePage == CP_UTF8)
        return 3;
    CPINFO info = {};
    return GetCPInfo(codePage, &info) ? static_cast<int>(info.MaxCharSize) : 4;
}

bool IsHighSurrogate(wchar_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }

// Converts the units piece by piece and feeds each piece to `digests`. A piece
// never ends inside a surrogate pair, so the bytes are exactly those of one
// conversion of the whole text (the code pages keep no state between characters).
bool DigestConverted(UINT codePage, const wchar_t* units, int count, CDigestSet& digests)
{
    BYTE buffer[kConversionBufferBytes];
    const int pieceUnits = kConversionBufferBytes / MaxBytesPerUnit(codePage);
    for (int start = 0; start < count;) {
        int length = std::min(pieceUnits, count - start);
        if (start + length < count && IsHighSurrogate(units[start + length - 1]))
            --length;
        const int converted = WideCharToMultiByte(codePage, 0, units + start, length, reinterpret_cast<char*>(buffer),
                                                  kConversionBufferBytes, nullptr, nullptr);
        if (converted <= 0) {
            LastErrorSetSystem(0, L"转换文本编码失败");
            return false;
        }
        digests.Update(buffer, static_cast<DWORD>(converted));
        start += length;
    }
    return true;
}

bool DigestEncoded(const wchar_t* units, int count, ByteEncoding encoding, CDigestSet& digests)
{
    switch (encoding) {
    case ByteEncoding::Ansi:
        return DigestConverted(CP_ACP, units, count, digests);
    case ByteEncoding::Utf8:
        return DigestConverted(CP_UTF8, units, count, digests);
    case ByteEncoding::Utf16Le:
        break;
    }
    digests.Update(reinterpret_cast<const BYTE*>(units), static_cast<DWORD>(count * sizeof(wchar_t)));
    return true;
}

DigestTexts FailureTexts()
{
    DigestTexts result;
    result.texts.fill(LastErrorString());
    result.failed.fill(true);
    return result;
}

}  // namespace

DigestTexts ComputeDigestTexts(HCRYPTPROV provider, const wchar_t* units, size_t count, ByteEncoding encoding,
                               bool withTerminator, DigestSelection selected)
{
    // The conversion takes an int count and UTF-16LE doubles it into a DWORD.
    if (count >= static_cast<size_t>(INT_MAX)) {
        LastErrorSetText(0, L"转换文本编码失败:文本过长.");
        return FailureTexts();
    }
    const int unitCount = static_cast<int>(count) + (withTerminator ? 1 : 0);
    if (unitCount == 0)
        return DigestTexts();

    CDigestSet digests(provider, selected);
    digests.Reset();
    if (!DigestEncoded(units, unitCount, encoding, digests))
        return FailureTexts();
    return digests.Finish();
}
