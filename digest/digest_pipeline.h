// A text's digests: text units, an encoding and the terminator flag in; the
// digest texts, and whether there were bytes to digest, out.
#pragma once

#include <windows.h>
#include <wincrypt.h>

#include <functional>
#include <string_view>

#include "digest/digest_set.h"

// How a text becomes bytes: the system's ANSI code page, its UTF-16LE units
// as they are, UTF-8, its units big-endian (as Java and network protocols
// write UTF-16), or another code page (as another machine's programs make
// them). The window offers the first three.
enum class ByteEncoding { Ansi, Utf16Le, Utf8, Utf16Be, CodePage };

struct Encoding {
    ByteEncoding kind = ByteEncoding::Ansi;
    // For ByteEncoding::CodePage: its number, or CP_OEMCP for the console window's.
    UINT codePage = 0;

    constexpr Encoding() = default;
    constexpr Encoding(ByteEncoding encoding, UINT page = 0) : kind(encoding), codePage(page) { }
    bool operator==(const Encoding& other) const { return kind == other.kind && codePage == other.codePage; }
    bool operator!=(const Encoding& other) const { return !(*this == other); }
};

// The code page a conversion into `encoding` uses: the system's ANSI or OEM
// code page by its number, CP_UTF8, or 0 for UTF-16.
UINT CodePageOf(Encoding encoding);

// How both programs' messages name an encoding: "UTF-16LE", "UTF-16BE", or as
// CodePageName names UTF-8 and the code pages.
std::wstring EncodingName(Encoding encoding);

// The bytes of an ASCII unit (a line break, the terminator) in the encoding:
// 2 in UTF-16, else 1, the same bytes in UTF-8 and every code page.
size_t ZeroUnitBytes(Encoding encoding);

// The byte-order mark that may stand before the encoding's bytes; none for
// a code page.
std::string_view ByteOrderMark(Encoding encoding);

// The outcome of a run in which every selected digest failed with `failure`.
DigestTexts EveryDigestFailed(const std::wstring& failure, DigestSelection selected = ShownDigests());

// Where the bytes of a text go, a piece at a time.
using ByteSink = std::function<void(const BYTE* bytes, DWORD length)>;

// Hands the bytes of the `count` units of `units` in `encoding` to `sink`,
// noting in `loss` what the encoding replaced. False with the failure
// recorded when the text cannot be converted.
bool EncodeTextInPieces(const wchar_t* units, size_t count, Encoding encoding, const ByteSink& sink,
                        EncodingLoss& loss);

// Feeds the bytes of the `count` units of `units` in `encoding` to `digests`,
// noting in `loss` what the encoding replaced. False with the failure recorded
// when the text cannot be converted.
bool FeedEncodedText(const wchar_t* units, size_t count, Encoding encoding, CDigestSet& digests, EncodingLoss& loss);

// Digests `count` bytes, the empty message too, computing only the digests of `request`.
DigestTexts DigestBytes(HCRYPTPROV provider, const BYTE* bytes, size_t count, const DigestRequest& request);

// Digests the `count` units of `units` (which must be followed by a zero unit,
// digested too when `withTerminator` is set) with `provider` for the provider
// digests; only the digests of `request` are computed. The whole text is
// digested whatever its length; nothing is ever cut. A text of no bytes has
// no digests. The bytes are those of the platform's plain conversion, also
// where the encoding lacks a character; the result's `loss` then says so.
// With `byteOrderMark` the encoding's mark comes first.
DigestTexts ComputeDigestTexts(HCRYPTPROV provider, const wchar_t* units, size_t count, Encoding encoding,
                               bool withTerminator, const DigestRequest& request = ShownDigests(),
                               bool byteOrderMark = false);
