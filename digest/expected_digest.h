// A digest the user was given, as it arrives on the clipboard or a command
// line, and which of the computed digests it is. People are handed digests in
// many forms: bare hex, hex after the algorithm's name ("sha256:…"), Base64
// (HTTP's Content-MD5, many interfaces, GNU cksum --base64), Subresource
// Integrity values ("sha384-…"), or a whole line of a checksum list.
#pragma once

#include <cstddef>
#include <string>

#include "digest/digest_set.h"

// Text longer than this is no digest: a checksum line of a 128-digit digest
// and a long file name fits well within it. Callers need read no more than
// one unit beyond it.
inline constexpr size_t kMaxExpectedDigestUnits = 1024;

// How the digest was written.
enum class DigestForm { Hex, Prefixed, Sri, Base64, ChecksumLine };

struct ExpectedDigest {
    // Uppercase hex of the digest's bytes; empty when the text was no digest.
    std::wstring hex;
    // The digests it may be: those of its length, or the one its algorithm
    // name, SRI prefix or checksum-line tag names.
    DigestSelection digests;
    DigestForm form = DigestForm::Hex;
};

// Reads `text`, ignoring white space around it, as one of these forms:
// - hex of one of the table's lengths of 16 bytes or more, either case, one
//   separator (space, colon or hyphen) allowed between pairs;
// - one digest's name, ":" or "=" and its hex ("sha256:…", "SHA-1 = …",
//   "crc32:cbf43926");
// - Subresource Integrity: "sha256-", "sha384-" or "sha512-" and Base64;
// - Base64 (either alphabet, padding optional) of a digest length of 16
//   bytes or more;
// - a checksum-list line (GNU, tagged or OpenSSL's) of a digest.
// Text that reads as hex is hex. Anything else is no digest: `hex` empty.
ExpectedDigest ParseExpectedDigest(const wchar_t* text, size_t length);

// The digests whose hex text has `digits` digits (32: MD4 and MD5).
DigestSelection DigestsOfHexLength(size_t digits);

// Whether a digest text is `expected` (hex digits), in either case. An empty
// `expected` matches nothing.
bool IsExpectedDigest(const std::wstring& text, const std::wstring& expected);

// The rows of `digests` that are `expected`; a failure never is.
DigestSelection MatchingDigests(const DigestTexts& digests, const ExpectedDigest& expected);

// 0-9, A-F and a-f.
bool IsHexDigit(wchar_t unit);
