// Where a named file's bytes come from: the file at that path or, for the
// names of standard input, the program's own standard input from where it
// stands.
#pragma once

#include <string>

#include "digest/file_pool.h"
#include "hash/file_pieces.h"

// True when `name` names the program's own standard input ("-", or
// "/dev/stdin", which under Wine would otherwise open another process's).
bool NamesStandardInput(const std::wstring& name);

// Hands the bytes of the file `name` to `consume` as ReadFilePieces does.
bool ReadNamedFile(const std::wstring& name, const FileOpenedHook& opened, const FilePieceSink& consume);

// Digests the `selected` digests (keyed where it says) of the file `name` in `pool`: standard input
// on this thread in its turn, any other file on a worker.
void DigestNamedFile(CFilePool& pool, const std::wstring& name, const DigestRequest& selected, CFilePool::Report report);
