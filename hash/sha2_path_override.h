// For tests and the benchmark only: narrows the SHA-2 classes to one path, so
// that every path this processor offers can be measured and checked. The
// programs do not link this; their choice is made once (hash/sha2_paths.h).
//
// Threads: a change is atomic, and a digest that spans it is still right, but
// which path a run of blocks on another thread takes meanwhile is not defined:
// narrow the choice before starting threads that digest.
#pragma once

// Makes the classes compress with the path called `name`. Returns false and
// changes nothing when no path has that name or this processor lacks it.
bool UseSha256Path(const char* name);
bool UseSha512Path(const char* name);
// Back to the preferred path of this processor for both word sizes.
void UsePreferredSha2Paths();
