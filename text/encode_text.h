// Wide text to bytes in a chosen encoding.
#pragma once

#include <windows.h>

#include <string>

enum TextEncoding : int {
    TextEncodingAnsi = 1,     // the calling thread's ANSI code page, one zero byte as terminator
    TextEncodingUtf8 = 2,     // UTF-8 without byte-order mark, one zero byte as terminator
    TextEncodingUnicode = 3,  // UTF-16LE code units as stored, two zero bytes as terminator
};

// The text operation of the hash classes (CVnHashObject::HashText) stands on
// this; the programs themselves convert piece by piece in digest/ instead.
// Converts the first `length` characters of the zero-terminated `text`
// (0 or -1: all of it) into a new buffer, optionally followed by the
// encoding's terminator. On return *byteCount holds the size in bytes and
// *bytes the buffer, which the caller releases with FreeEncodedText, also
// after a failure when it is not null. An unsupported encoding fails without
// touching either out-parameter; a failed allocation leaves *bytes null.
BOOL EncodeText(const wchar_t* text, int length, BOOL withTerminator, TextEncoding encoding, BYTE** bytes,
                DWORD* byteCount);

void FreeEncodedText(BYTE* bytes);

// UTF-8 form of `count` characters of `text` (-1: up to its zero). Never
// fails: whatever cannot be converted gives an empty result.
std::string WideToUtf8(const wchar_t* text, int count);
