// A digest the user was given, as it arrives on the clipboard or a command
// line, and which of the computed digests it is. People are handed digests in
// many forms: bare hex, hex or Base64 after the algorithm's name ("sha256:…",
// or a line the console program prints), Base64 (HTTP's Content-MD5, many
// interfaces, GNU cksum --base64), Subresource Integrity values
// ("sha384-…"), a whole line of a checksum list, or hex printed as a number
// that lost its leading zeros; and the signatures of webhooks and APIs as
// their headers carry them. A salted password hash looks like a digest too,
// and no text's bytes give it.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "digest/digest_set.h"

// Text longer than this is no digest: a checksum line of a 128-digit digest
// and a long file name fits well within it. Callers need read no more than
// one unit beyond it.
inline constexpr size_t kMaxExpectedDigestUnits = 1024;

// A digest standing alone, without a name, is one of at least this many
// bytes: a shorter one (CRC-32) could be any number or word someone copies.
inline constexpr size_t kMinUnnamedDigestBytes = 16;

// How the digest was written.
enum class DigestForm { Hex, Prefixed, Sri, Base64, ChecksumLine, SignatureHeader };

// The signature headers read whole: Slack's "v0=HEX", a "t=TIMESTAMP,v1=HEX"
// header (whose signed text is the timestamp, ".", and the body), and the
// "v1,BASE64" of Standard Webhooks, several of either parted as they part them.
enum class SignatureHeader { None, SlackV0, TimestampV1, StandardWebhooks };

struct ExpectedDigest {
    // The digest's bytes; no length when the text was no digest.
    DigestValue value;
    // The digests it may be: those of its length, or the one its algorithm
    // name, SRI prefix or checksum-line tag names.
    DigestSelection digests;
    DigestForm form = DigestForm::Hex;
    // Hex digits that a digest printed as a number lost at its start; `value`
    // has them back as zeros.
    int zerosLost = 0;
    // The scheme of a salted password hash ("bcrypt"), which is no digest; null otherwise.
    const wchar_t* passwordScheme = nullptr;
    // For a signature header: which, the other signatures it carries (any of
    // them is the digest), and the text its sender signs before the body.
    SignatureHeader header = SignatureHeader::None;
    std::vector<DigestValue> otherValues;
    std::wstring signedPrefix;

    bool IsDigest() const { return value.length != 0; }
    // Whether `digest` is the given digest (or one of a header's).
    bool Is(const DigestValue& digest) const;
};

// Reads `text`, ignoring white space around it, as one of these forms:
// - hex of one of the table's lengths of 16 bytes or more, either case, one
//   separator (space, colon or hyphen) allowed between pairs;
// - such hex of 1 to 3 digits fewer, without separators: a digest printed as
//   a number, its leading zeros lost;
// - one digest's name, then ":", "=" or blanks, then its hex (also short) or
//   Base64 ("sha256:…", "SHA-1 = …", "crc32:cbf43926", "SHA256 BA78…" as the
//   console program prints it);
// - Subresource Integrity: "sha256-", "sha384-" or "sha512-" and Base64;
// - Base64 (either alphabet, padding optional) of a digest length of 16
//   bytes or more;
// - a checksum-list line (GNU, tagged or OpenSSL's) of a digest;
// - a signature header: "v0=HEX", "t=TIMESTAMP,v1=HEX[,v1=HEX...]" (any
//   other "key=value" parts aside; none without a v1), "v1,BASE64[ v1,BASE64...]";
// - a password hash of a known scheme: no digest, its scheme named.
// Text that reads as hex is hex. Anything else is no digest.
ExpectedDigest ParseExpectedDigest(const wchar_t* text, size_t length);

// The digests whose hex text has `digits` digits (32: MD4 and MD5).
DigestSelection DigestsOfHexLength(size_t digits);

// The digest of `length` bytes that `text` writes, as hex (separators
// allowed between pairs) or as Base64 (either alphabet, padding optional);
// false when it writes none.
bool ReadDigestValue(std::wstring_view text, DWORD length, DigestValue& value);

// What a password hash is, in words: "这是 bcrypt 口令散列（含盐），…".
std::wstring PasswordHashWords(const ExpectedDigest& expected);

// That the digest lost leading zeros, and which length it is taken for.
std::wstring ZerosLostWords(const ExpectedDigest& expected);

// The rows of `digests` that are `expected`; a failure never is.
DigestSelection MatchingDigests(const DigestTexts& digests, const ExpectedDigest& expected);
