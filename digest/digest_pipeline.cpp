#include "digest/digest_pipeline.h"

#include <algorithm>
#include <climits>

#include "digest/encoding_loss.h"
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

int ConvertPlainly(UINT codePage, const wchar_t* units, int count, BYTE* buffer)
{
    return WideCharToMultiByte(codePage, 0, units, count, reinterpret_cast<char*>(buffer), kConversionBufferBytes,
                               nullptr, nullptr);
}

// ASCII is the same in every code page: most texts need no check at all.
bool IsAscii(const wchar_t* units, int count)
{
    unsigned bits = 0;
    for (int i = 0; i < count; ++i)
        bits |= units[i];
    return bits < 0x80;
}

// Converts units [start, start + count) of `text` as the platform's plain
// conversion does, whatever it has to replace, and notes in `loss` what it
// replaced. UTF-8 finds a lone surrogate while converting, at the price of one
// more conversion of a piece that has one. A conversion to the ANSI code page
// that refuses best fit and reports the default character costs several plain
// ones under Wine (whose plain conversion is one table look-up a unit), so the
// units are checked one by one instead, each character once per process.
int ConvertNotingLoss(UINT codePage, const wchar_t* text, int start, int count, BYTE* buffer, EncodingLoss& loss)
{
    const wchar_t* units = text + start;
    if (codePage == CP_UTF8) {
        const int converted =
            WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, units, count, reinterpret_cast<char*>(buffer),
                                kConversionBufferBytes, nullptr, nullptr);
        if (converted != 0 || GetLastError() != ERROR_NO_UNICODE_TRANSLATION)
            return converted;
    } else if (IsAscii(units, count)) {
        return ConvertPlainly(codePage, units, count, buffer);
    }
    NoteReplacedCharacters(codePage, text, static_cast<size_t>(start), static_cast<size_t>(count), loss);
    return ConvertPlainly(codePage, units, count, buffer);
}

// Converts the units piece by piece and feeds each piece to `digests`. A piece
// never ends inside a surrogate pair, so the bytes are exactly those of one
// conversion of the whole text (the code pages keep no state between
// characters), and a lone surrogate is one within its piece.
bool ConvertInPieces(UINT codePage, const wchar_t* units, int count, const ByteSink& sink, EncodingLoss& loss)
{
    BYTE buffer[kConversionBufferBytes];
    const int pieceUnits = kConversionBufferBytes / MaxBytesPerUnit(codePage);
    for (int start = 0; start < count;) {
        int length = std::min(pieceUnits, count - start);
        if (start + length < count && IS_HIGH_SURROGATE(units[start + length - 1]))
            --length;
        const int converted = ConvertNotingLoss(codePage, units, start, length, buffer, loss);
        if (converted <= 0) {
            LastErrorSetSystem(0, L"转换文本编码失败");
            return false;
        }
        sink(buffer, static_cast<DWORD>(converted));
        start += length;
    }
    return true;
}

// UTF-16BE swaps each unit's bytes on the way, a piece at a time.
void SwapInPieces(const wchar_t* units, int count, const ByteSink& sink)
{
    BYTE buffer[kConversionBufferBytes];
    constexpr int pieceUnits = kConversionBufferBytes / 2;
    for (int start = 0; start < count; start += pieceUnits) {
        const int length = std::min(pieceUnits, count - start);
        for (int i = 0; i < length; ++i) {
            buffer[2 * i] = static_cast<BYTE>(units[start + i] >> 8);
            buffer[2 * i + 1] = static_cast<BYTE>(units[start + i]);
        }
        sink(buffer, static_cast<DWORD>(2 * length));
    }
}

bool EncodeConverted(const wchar_t* units, int count, Encoding encoding, const ByteSink& sink, EncodingLoss& loss)
{
    switch (encoding.kind) {
    case ByteEncoding::Utf16Be:
        SwapInPieces(units, count, sink);
        return true;
    case ByteEncoding::Utf16Le:
        sink(reinterpret_cast<const BYTE*>(units), static_cast<DWORD>(count * sizeof(wchar_t)));
        return true;
    case ByteEncoding::Ansi:
    case ByteEncoding::Utf8:
    case ByteEncoding::CodePage:
        break;
    }
    return ConvertInPieces(CodePageOf(encoding), units, count, sink, loss);
}

}  // namespace

DigestTexts EveryDigestFailed(const std::wstring& failure, DigestSelection selected)
{
    DigestTexts result;
    for (int row = 0; row < kDigestCount; ++row) {
        if (selected[row]) {
            result.texts[row] = failure;
            result.failed[row] = true;
        }
    }
    return result;
}

UINT CodePageOf(Encoding encoding)
{
    switch (encoding.kind) {
    case ByteEncoding::Ansi:
        // By its number: the loss names it, and a system whose ANSI code page
        // is UTF-8 gets UTF-8's conversion.
        return GetACP();
    case ByteEncoding::Utf8:
        return CP_UTF8;
    case ByteEncoding::CodePage:
        return encoding.codePage == CP_OEMCP ? GetOEMCP() : encoding.codePage;
    case ByteEncoding::Utf16Le:
    case ByteEncoding::Utf16Be:
        break;
    }
    return 0;
}

std::wstring EncodingName(Encoding encoding)
{
    switch (encoding.kind) {
    case ByteEncoding::Utf16Le:
        return L"UTF-16LE";
    case ByteEncoding::Utf16Be:
        return L"UTF-16BE";
    case ByteEncoding::Ansi:
    case ByteEncoding::Utf8:
    case ByteEncoding::CodePage:
        break;
    }
    return CodePageName(CodePageOf(encoding));
}

size_t ZeroUnitBytes(Encoding encoding)
{
    return encoding.kind == ByteEncoding::Utf16Le || encoding.kind == ByteEncoding::Utf16Be ? 2 : 1;
}

std::string_view ByteOrderMark(Encoding encoding)
{
    switch (encoding.kind) {
    case ByteEncoding::Utf8:
        return "\xEF\xBB\xBF";
    case ByteEncoding::Utf16Le:
        return "\xFF\xFE";
    case ByteEncoding::Utf16Be:
        return "\xFE\xFF";
    case ByteEncoding::Ansi:
    case ByteEncoding::CodePage:
        break;
    }
    return "";
}

bool EncodeTextInPieces(const wchar_t* units, size_t count, Encoding encoding, const ByteSink& sink, EncodingLoss& loss)
{
    // The conversion takes an int count and UTF-16LE doubles it into a DWORD.
    if (count >= static_cast<size_t>(INT_MAX)) {
        LastErrorSetText(0, L"转换文本编码失败:文本过长.");
        return false;
    }
    return EncodeConverted(units, static_cast<int>(count), encoding, sink, loss);
}

bool FeedEncodedText(const wchar_t* units, size_t count, Encoding encoding, CDigestSet& digests, EncodingLoss& loss)
{
    return EncodeTextInPieces(
        units, count, encoding, [&digests](const BYTE* bytes, DWORD length) { digests.Update(bytes, length); }, loss);
}

DigestTexts ComputeDigestTexts(HCRYPTPROV provider, const wchar_t* units, size_t count, Encoding encoding,
                               bool withTerminator, const DigestRequest& request, bool byteOrderMark)
{
    const size_t unitCount = count + (withTerminator ? 1 : 0);
    const std::string_view mark = byteOrderMark ? ByteOrderMark(encoding) : std::string_view();
    if (unitCount == 0 && mark.empty())
        return DigestTexts();

    CDigestSet digests(provider, request);
    digests.Reset();
    digests.Update(reinterpret_cast<const BYTE*>(mark.data()), static_cast<DWORD>(mark.size()));
    EncodingLoss loss;
    if (!FeedEncodedText(units, unitCount, encoding, digests, loss))
        return EveryDigestFailed(LastErrorString(), request.selected);
    DigestTexts result = digests.Finish();
    result.loss = loss;
    return result;
}

DigestTexts DigestBytes(HCRYPTPROV provider, const BYTE* bytes, size_t count, const DigestRequest& request)
{
    CDigestSet digests(provider, request);
    digests.Reset();
    digests.Update(bytes, static_cast<DWORD>(count));
    return digests.Finish();
}
