// A text's digests: text units, an encoding and the terminator flag in; the
// digest texts, and whether there were bytes to digest, out.
#pragma once

#include <windows.h>
#include <wincrypt.h>

#include <string_view>

#include "digest/digest_set.h"

// How a text becomes bytes: the system's ANSI code page, its UTF-16LE units
// as they are, UTF-8, or its units big-endian (as Java and network protocols
// write UTF-16). The window offers the first three.
enum class ByteEncoding { Ansi, Utf16Le, Utf8, Utf16Be };

// How both programs' messages name an encoding: "UTF-16LE", "UTF-16BE", or as
// CodePageName names UTF-8 and the system's ANSI code page.
std::wstring EncodingName(ByteEncoding encoding);

// The byte-order mark that may stand before the encoding's bytes; none for
// the ANSI code page.
std::string_view ByteOrderMark(ByteEncoding encoding);

// The outcome of a run in which every selected digest failed with `failure`.
DigestTexts EveryDigestFailed(const std::wstring& failure, DigestSelection selected = ShownDigests());

// Feeds the bytes of the `count` units of `units` in `encoding` to `digests`,
// noting in `loss` what the encoding replaced. False with the failure recorded
// when the text cannot be converted.
bool FeedEncodedText(const wchar_t* units, size_t count, ByteEncoding encoding, CDigestSet& digests,
                     EncodingLoss& loss);

// Digests the `count` units of `units` (which must be followed by a zero unit,
// digested too when `withTerminator` is set) with `provider` for the provider
// digests; only the `selected` digests are computed. The whole text is
// digested whatever its length; nothing is ever cut. A text of no bytes has
// no digests. The bytes are those of the platform's plain conversion, also
// where the encoding lacks a character; the result's `loss` then says so.
// With `byteOrderMark` the encoding's mark comes first.
DigestTexts ComputeDigestTexts(HCRYPTPROV provider, const wchar_t* units, size_t count, ByteEncoding encoding,
                               bool withTerminator, DigestSelection selected = ShownDigests(),
                               bool byteOrderMark = false);
