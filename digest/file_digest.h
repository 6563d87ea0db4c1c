// The digests of a file's bytes as they are.
#pragma once

#include "digest/digest_set.h"
#include "hash/file_pieces.h"

// Digests the bytes of `file` with `set`, read front to back in pieces, so
// that any size takes the same memory; a pipe or a device is read to its end.
// False when the file cannot be read whole, with the failure recorded
// (support/last_error.h) and `digests` untouched.
bool DigestOpenedFile(CDigestSet& set, COpenedFile& file, DigestTexts& digests);

// The same for a file that is open already, such as standard input, read from
// where it stands to its end; `file` stays open.
bool DigestOpenFile(CDigestSet& set, HANDLE file, DigestTexts& digests);
