#include "cli/file_source.h"

#include <algorithm>
#include <iterator>

#include "digest/file_digest.h"

namespace {

// Either slash: both reach the same name under Wine.
const wchar_t* const kStandardInputNames[] = {L"-", L"/dev/stdin", L"\\dev\\stdin"};

HANDLE StandardInput() { return GetStdHandle(STD_INPUT_HANDLE); }

}  // namespace

bool NamesStandardInput(const std::wstring& name)
{
    return std::find(std::begin(kStandardInputNames), std::end(kStandardInputNames), name)
        != std::end(kStandardInputNames);
}

bool ReadNamedFile(const std::wstring& name, const FileOpenedHook& opened, const FilePieceSink& consume)
{
    if (!NamesStandardInput(name))
        return ReadFilePieces(name.c_str(), ~0ULL, opened, consume) != FALSE;
    opened();
    return ReadOpenFileToEnd(StandardInput(), consume) != FALSE;
}

bool DigestNamedFile(CDigestSet& set, const std::wstring& name, DigestTexts& digests)
{
    return NamesStandardInput(name) ? DigestOpenFile(set, StandardInput(), digests)
                                    : DigestFile(set, name.c_str(), digests);
}
