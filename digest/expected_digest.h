// A digest the user was given, as it arrives on the clipboard or a command
// line, and which of the computed digests it is.
#pragma once

#include <cstddef>
#include <string>

#include "digest/digest_set.h"

// Text longer than this is no digest: a 128-digit digest with a separator
// between every pair and some white space around fits well within it. Callers
// need read no more than one unit beyond it.
inline constexpr size_t kMaxExpectedDigestUnits = 512;

// The hex digits of `text`, as written, when, ignoring white space around it
// and one separator (space, colon or hyphen) between hex pairs, it is a digest
// of one of the table's lengths in either case; empty otherwise. The scan
// stops at the first unit that rules a digest out.
std::wstring ParseExpectedDigest(const wchar_t* text, size_t length);

// The digests whose hex text has `digits` digits (32: MD4 and MD5).
DigestSelection DigestsOfHexLength(size_t digits);

// Whether a digest text is `expected` (hex digits as ParseExpectedDigest
// gives them), in either case. An empty `expected` matches nothing.
bool IsExpectedDigest(const std::wstring& text, const std::wstring& expected);

// The rows of `digests` that are `expected`; a failure never is.
DigestSelection MatchingDigests(const DigestTexts& digests, const std::wstring& expected);

// 0-9, A-F and a-f.
bool IsHexDigit(wchar_t unit);
