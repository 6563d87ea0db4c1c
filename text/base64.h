// The two forms digests and data are written in as text: hex, and Base64
// (RFC 4648) in the standard alphabet or the URL-safe one.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// The padded Base64 of `count` bytes in the standard alphabet.
std::wstring EncodeBase64(const BYTE* bytes, size_t count);

// The value of a hex digit of either case (0-9, A-F, a-f); -1 for any other unit.
int HexDigitValue(wchar_t unit);
inline bool IsHexDigit(wchar_t unit) { return HexDigitValue(unit) >= 0; }

// The value of the `count` hex digits at `at`; -1 when there are fewer or
// another unit stands among them.
long HexValue(std::wstring_view text, size_t at, size_t count);

// The bytes that hex pairs stand for, in either case, one separator (space,
// colon or hyphen) allowed between two pairs, as digests are copied from
// documents; false for anything else or for more than `maxBytes` bytes.
bool DecodeHexPairs(std::wstring_view text, std::vector<BYTE>& bytes, size_t maxBytes = SIZE_MAX);

// The bytes that `text` stands for, in either alphabet (not mixed), with its
// padding or without; false for any other character, misplaced padding, a
// length that no Base64 has, or bits left over at the end that are not zero
// (so that each byte string has one text only).
bool DecodeBase64(std::wstring_view text, std::vector<BYTE>& bytes);
