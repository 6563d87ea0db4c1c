// The main window's one job, apart from the window: text units, an encoding
// choice and the terminator flag in; the seven digest texts and whether the
// copy-as-C link may be used out.
#pragma once

#include <windows.h>
#include <wincrypt.h>

#include "app/digest_set.h"

// How the input text becomes bytes, as the three radio buttons offer it.
enum class ByteEncoding { Ansi, Utf16Le, Utf8 };

// Digests the `count` units of `units` (which must be followed by a zero unit,
// digested too when `withTerminator` is set) with `provider` for MD4, MD5 and SHA-1.
// The whole text is digested whatever its length; nothing is ever cut.
DigestTexts ComputeDigestTexts(HCRYPTPROV provider, const wchar_t* units, size_t count,
                               ByteEncoding encoding, bool withTerminator);
