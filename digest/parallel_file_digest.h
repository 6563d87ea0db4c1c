// The digests of one file side by side on the processor's cores: one reader
// reads large pieces ahead, and each thread digests its share of the selected
// digests from the same pieces, so that every byte is read once.
#pragma once

#include <vector>

#include "digest/digest_set.h"
#include "hash/file_pieces.h"

// How far the reader runs ahead: `buffers` pieces of at most `bufferBytes`.
struct ReadAhead {
    int buffers;
    DWORD bufferBytes;
};

// Four pieces of 2 MiB: few hand-overs between threads, 8 MiB of memory.
inline constexpr ReadAhead kDefaultReadAhead = {4, 2 << 20};

// One thread per selected digest, at most one per logical processor.
int DigestThreadCount(DigestSelection selected);

// The selected digests shared among at most `threads` threads, none idle,
// the slowest digests first each to the thread with the least work so far.
std::vector<DigestSelection> ShareDigests(DigestSelection selected, int threads);

// Small enough to be read in one piece: not worth starting threads for.
bool FitsOnePiece(const COpenedFile& file, const ReadAhead& readAhead = kDefaultReadAhead);

// Digests `file` as DigestOpenedFile does, with the same results and
// failures, but with the digests of `request` spread over at most `threads`
// threads. A file that fits in one piece is digested on the calling thread.
// Every thread has ended when the call returns.
bool DigestFileInParallel(HCRYPTPROV provider, const DigestRequest& request, COpenedFile& file, int threads,
                          DigestTexts& digests, const ReadAhead& readAhead = kDefaultReadAhead);
