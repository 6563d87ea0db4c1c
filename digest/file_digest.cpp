#include "digest/file_digest.h"

#include "hash/file_pieces.h"

namespace {

// Runs `read` (one of the file readers) into `set`; `digests` stays untouched
// when it fails.
template <class Reader> bool DigestPieces(CDigestSet& set, Reader read, DigestTexts& digests)
{
    const auto reset = [&set] { set.Reset(); };
    if (!read(reset, [&set](const BYTE* data, DWORD length) { set.Update(data, length); }))
        return false;
    digests = set.Finish();
    return true;
}

}  // namespace

bool DigestFile(CDigestSet& set, const wchar_t* path, DigestTexts& digests)
{
    return DigestPieces(
        set,
        [path](const FileOpenedHook& opened, const FilePieceSink& consume) {
            return ReadFilePieces(path, ~0ULL, opened, consume);
        },
        digests);
}

bool DigestOpenFile(CDigestSet& set, HANDLE file, DigestTexts& digests)
{
    return DigestPieces(
        set,
        [file](const FileOpenedHook& opened, const FilePieceSink& consume) {
            return ReadHandlePieces(file, ~0ULL, opened, consume);
        },
        digests);
}
