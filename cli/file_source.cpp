#include "cli/file_source.h"

#include <algorithm>
#include <iterator>

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

void DigestNamedFile(CFilePool& pool, const std::wstring& name, const DigestRequest& selected, CFilePool::Report report)
{
    if (NamesStandardInput(name))
        pool.DigestHere(StandardInput(), selected, std::move(report));
    else
        pool.Digest(name, selected, std::move(report));
}
