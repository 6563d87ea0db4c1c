// The digests of a file's bytes as they are.
#pragma once

#include "digest/digest_set.h"

// Digests the bytes of the file at `path` with `set`, read front to back in
// pieces, so that any size takes the same memory; a pipe or a device is read
// to its end. False when the file cannot be opened or read whole, with the
// failure recorded (support/last_error.h) and `digests` untouched.
bool DigestFile(CDigestSet& set, const wchar_t* path, DigestTexts& digests);

// The same for a file that is open already, such as standard input.
bool DigestOpenFile(CDigestSet& set, HANDLE file, DigestTexts& digests);
