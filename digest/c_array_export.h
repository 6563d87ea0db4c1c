// The copy-as-C text: one C array declaration per digest.
#pragma once

#include <string>

#include "digest/digest_set.h"

// Builds the export from the seven digests in table order, each named by its
// row's array name, or keyed digests by their keyed name ("HMAC_SHA256"). A digest becomes
//   const unsigned char <name>[<bytes>] = {0xAB,0xCD,...};
// on one line; a failure, or a row without a digest, becomes a one-line
// comment in its place:
//   /* <name>: <the text, or "无摘要" when empty> */
// so that a failure text is never passed off as digest bytes. Inside the
// comment each run of CR/LF is one space and every "*/" is split to "* /",
// which keeps the comment on one line and closed only at its end. Each
// declaration or comment is followed by CR LF and an empty line.
std::wstring BuildCArrayExport(const DigestTexts& digests);
