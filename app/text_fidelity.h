// What keeps the digests true to the text in the input box: a word when the
// chosen encoding replaced characters of it, and no half of a character left
// behind by a cut at the typing limit.
#pragma once

#include <windows.h>

#include <string>

#include "digest/encoding_loss.h"

// The title and text of the tip that tells of `loss`.
extern const wchar_t kEncodingLossTipTitle[];
std::wstring EncodingLossTipText(const EncodingLoss& loss);

// After the input box cut typed or pasted text at its limit of `limit` units:
// removes what the cut left of a character just before the caret, the first
// half of a surrogate pair or the CR of a CR LF, as a single edit (which
// Ctrl+Z undoes on its own).
void DropHalfCharacterCutAtLimit(HWND input, int limit);
