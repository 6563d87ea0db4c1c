// Base64 (RFC 4648), the form many tools and web pages give digests in: the
// standard alphabet and the URL-safe one.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>
#include <vector>

// The padded Base64 of `count` bytes in the standard alphabet.
std::wstring EncodeBase64(const BYTE* bytes, size_t count);

// The same for the bytes that pairs of hex digits stand for (a digest text).
std::wstring HexAsBase64(std::wstring_view hex);

// The bytes that `text` stands for, in either alphabet (not mixed), with its
// padding or without; false for any other character, misplaced padding, a
// length that no Base64 has, or bits left over at the end that are not zero
// (so that each byte string has one text only).
bool DecodeBase64(std::wstring_view text, std::vector<BYTE>& bytes);
