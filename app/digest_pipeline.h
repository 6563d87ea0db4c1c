// The main window's one job, apart from the window: text units, an encoding
// choice and the terminator flag in; the seven digest texts and whether the
// copy-as-C link may be used out.
#pragma once

#include <windows.h>
#include <wincrypt.h>

#include <array>
#include <string>

// How the input text becomes bytes, as the three radio buttons offer it.
enum class ByteEncoding { Ansi, Utf16Le, Utf8 };

// Digest order of the outputs: MD4, MD5, SHA-1, SHA-224, SHA-256, SHA-384, SHA-512.
constexpr int kDigestCount = 7;
constexpr int kProviderDigestCount = 3;
extern const ALG_ID kProviderAlgorithms[kProviderDigestCount];

struct DigestTexts {
    // Uppercase hex per digest, or the failure text where that digest failed;
    // all empty for an empty input, all the failure text when the text could
    // not be converted to bytes.
    std::array<std::wstring, kDigestCount> texts;
    // True when there were digests to show (the copy-as-C link's state).
    bool copyEnabled = false;
};

// Digests the `count` units of `units` (which must be followed by a zero unit,
// digested too when `withTerminator` is set) with `provider` for MD4, MD5 and SHA-1.
// The whole text is digested whatever its length; nothing is ever cut.
DigestTexts ComputeDigestTexts(HCRYPTPROV provider, const wchar_t* units, size_t count,
                               ByteEncoding encoding, bool withTerminator);
