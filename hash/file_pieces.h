// Reading a file front to back in pieces, for anything that consumes bytes in
// pieces: a hash object, the digest set, a checker.
#pragma once

#include <windows.h>

#include <functional>

// Receives each piece in file order; pieces of any sizes make up the file.
using FilePieceSink = std::function<void(const BYTE* data, DWORD length)>;
// Called once the file is open, before its first piece: a consumer that must
// stay untouched when the file cannot be opened starts here.
using FileOpenedHook = std::function<void()>;

// Hands the first `limit` bytes of the file at `path` (all ones: the whole
// file) to `consume`, a piece at a time, so that any size takes the same
// memory. The size of a disk file is taken before the first read: bytes it
// gains meanwhile are left out, and if it loses bytes the call fails, since
// what was read is not the file. Anything whose size says nothing about its
// bytes (a pipe, a device, a file that reports no size) is read to its end.
// False with the failure recorded (support/last_error.h) when the file cannot
// be opened or read whole; `consume` may then have seen some pieces.
BOOL ReadFilePieces(const wchar_t* path, ULONGLONG limit, const FileOpenedHook& opened, const FilePieceSink& consume);

// The same for a file that is open already, such as standard input; `file`
// stays open.
BOOL ReadHandlePieces(HANDLE file, ULONGLONG limit, const FileOpenedHook& opened, const FilePieceSink& consume);
