// The copy-as-C link's text: one C array declaration per digest output.
#pragma once

#include <array>
#include <string>

#include "app/digest_pipeline.h"

// Array names of the export, parallel to the dialog's outputs (digest order).
extern const wchar_t* const kCArrayNames[kDigestCount];

// Builds the export from the seven output texts in digest order. An output
// that holds a digest (uppercase hex of even length) becomes
//   const unsigned char <name>[<bytes>] = {0xAB,0xCD,...};
// on one line; any other output becomes a one-line comment in its place:
//   /* <name>: <the output, or "无摘要" when empty> */
// so that a failure text is never passed off as digest bytes. Inside the
// comment each run of CR/LF is one space and every "*/" is split to "* /",
// which keeps the comment on one line and closed only at its end. Each
// declaration or comment is followed by CR LF and an empty line.
std::wstring BuildCArrayExport(const std::array<std::wstring, kDigestCount>& outputs);
