#include "digest/file_digest.h"

#include "hash/file_pieces.h"

bool DigestFile(CDigestSet& set, const wchar_t* path, DigestTexts& digests)
{
    const auto reset = [&set] { set.Reset(); };
    if (!ReadFilePieces(path, ~0ULL, reset, [&set](const BYTE* data, DWORD length) { set.Update(data, length); }))
        return false;
    digests = set.Finish();
    return true;
}

bool DigestOpenFile(CDigestSet& set, HANDLE file, DigestTexts& digests)
{
    set.Reset();
    if (!ReadOpenFileToEnd(file, [&set](const BYTE* data, DWORD length) { set.Update(data, length); }))
        return false;
    digests = set.Finish();
    return true;
}
