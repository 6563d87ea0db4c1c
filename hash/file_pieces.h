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
// Where the next piece is read to: returns memory for at most `room` bytes,
// which stays the caller's; the piece read there goes to the sink, and this
// is asked again before the next read. A reader that hands its pieces on to
// other threads gives fresh memory while they still read the last one.
using FilePieceRoom = std::function<BYTE*(DWORD& room)>;

// A file opened by name for reading front to back, with its kind and size
// taken once; closed with the object.
class COpenedFile {
public:
    // Opens `path`; Opened() is false, with the failure recorded
    // (support/last_error.h), when it cannot be opened or its size taken.
    explicit COpenedFile(const wchar_t* path);
    COpenedFile(const COpenedFile&) = delete;
    COpenedFile& operator=(const COpenedFile&) = delete;
    ~COpenedFile();

    bool Opened() const { return m_file != INVALID_HANDLE_VALUE; }
    // A file on a disk, rather than a pipe or a device.
    bool OnDisk() const { return m_onDisk; }
    // Its size, 0 for one that reports none (a pipe, a device, a /proc file).
    ULONGLONG Size() const { return m_size; }

    // Hands the first `limit` bytes (all ones: the whole file) to `consume`,
    // a piece at a time, so that any size takes the same memory. The size
    // taken at opening counts: bytes the file gains meanwhile are left out,
    // and if it loses bytes the call fails, since what was read is not the
    // file. A file without a size is read to its end. False with the failure
    // recorded when it cannot be read whole; `consume` may then have seen
    // some pieces. Call it once.
    BOOL Read(ULONGLONG limit, const FilePieceRoom& room, const FilePieceSink& consume);
    // The same into a buffer of its own.
    BOOL Read(ULONGLONG limit, const FilePieceSink& consume);

private:
    HANDLE m_file;
    bool m_onDisk = false;
    ULONGLONG m_size = 0;
};

// Opens the file at `path`, calls `opened`, and reads it as COpenedFile::Read
// does. False with the failure recorded when it cannot be opened or read whole.
BOOL ReadFilePieces(const wchar_t* path, ULONGLONG limit, const FileOpenedHook& opened, const FilePieceSink& consume);

// Hands what a file that is open already, such as standard input, holds from
// where it stands to its end to `consume`; its size is not asked, since
// others may have read from it before. `file` stays open. False with the
// failure recorded when it cannot be read.
BOOL ReadOpenFileToEnd(HANDLE file, const FilePieceSink& consume);
