#include "digest/file_digest.h"

#include "hash/file_pieces.h"

namespace {

// `read` hands the bytes to the set as ReadFilePieces does.
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
            return ReadOpenFilePieces(file, ~0ULL, opened, consume);
        },
        digests);
}
