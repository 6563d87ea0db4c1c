#include "digest/file_digest.h"

namespace {

FilePieceSink UpdateOf(CDigestSet& set)
{
    return [&set](const BYTE* data, DWORD length) { set.Update(data, length); };
}

}  // namespace

bool DigestOpenedFile(CDigestSet& set, COpenedFile& file, DigestTexts& digests)
{
    set.Reset();
    if (!file.Read(~0ULL, UpdateOf(set)))
        return false;
    digests = set.Finish();
    return true;
}

bool DigestOpenFile(CDigestSet& set, HANDLE file, DigestTexts& digests)
{
    set.Reset();
    if (!ReadOpenFileToEnd(file, UpdateOf(set)))
        return false;
    digests = set.Finish();
    return true;
}
