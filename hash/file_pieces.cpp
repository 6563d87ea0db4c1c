#include "hash/file_pieces.h"

#include <algorithm>

#include "support/last_error.h"

namespace {

const wchar_t kOpenFailed[] = L"计算文件校验时打开文件失败";
const wchar_t kReadFailed[] = L"计算文件校验时读取文件失败";
const wchar_t kFileShrank[] = L"文件在读取期间变短了";
const wchar_t kIsFolder[] = L"这是文件夹,不是文件";

// Largest piece read at a time into the reader's own buffer.
constexpr DWORD kPieceBytes = 131072;

// How many bytes the file holds, as far as its size can tell: `sized` is
// false for a pipe, a device or a file that reports no size.
bool TakeSize(HANDLE file, bool& sized, ULONGLONG& size)
{
    sized = false;
    if (GetFileType(file) != FILE_TYPE_DISK)
        return true;
    LARGE_INTEGER reported = {};
    if (!GetFileSizeEx(file, &reported)) {
        LastErrorSetSystem(0, kReadFailed);
        return false;
    }
    // Files such as those of /proc report no size, yet have bytes.
    sized = reported.QuadPart > 0;
    size = static_cast<ULONGLONG>(reported.QuadPart);
    return true;
}

// Reads `count` bytes, or with `toTheEnd` at most `count` bytes up to the end.
bool ReadPieces(HANDLE file, ULONGLONG count, bool toTheEnd, const FilePieceRoom& room, const FilePieceSink& consume)
{
    while (count != 0) {
        DWORD wanted = 0;
        BYTE* const buffer = room(wanted);
        if (count < wanted)
            wanted = static_cast<DWORD>(count);
        DWORD read = 0;
        if (!ReadFile(file, buffer, wanted, &read, nullptr)) {
            // The writing end of a pipe closed: that is its end.
            if (toTheEnd && GetLastError() == ERROR_BROKEN_PIPE)
                return true;
            LastErrorSetSystem(0, kReadFailed);
            return false;
        }
        if (read == 0) {
            if (toTheEnd)
                return true;
            LastErrorSetText(0, L"%ls:%ls", kReadFailed, kFileShrank);
            return false;
        }
        consume(buffer, read);
        count -= read;
    }
    return true;
}

// A folder is refused as access denied, which would send the user looking
// for a permission; it is named as what it is.
void RecordOpenFailure(const wchar_t* path)
{
    const DWORD code = GetLastError();
    const DWORD attributes = GetFileAttributesW(path);
    if (code == ERROR_ACCESS_DENIED && attributes != INVALID_FILE_ATTRIBUTES
        && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
        LastErrorSetText(code, L"%ls:%ls", kOpenFailed, kIsFolder);
    else
        LastErrorSetSystem(code, kOpenFailed);
}

// Every piece read into the one `buffer` of the caller's frame.
FilePieceRoom BufferRoom(BYTE (&buffer)[kPieceBytes])
{
    return [&buffer](DWORD& room) {
        room = kPieceBytes;
        return buffer;
    };
}

}  // namespace

BOOL ReadFilePieces(const wchar_t* path, ULONGLONG limit, const FileOpenedHook& opened, const FilePieceSink& consume)
{
    BYTE buffer[kPieceBytes];
    return ReadFilePiecesInto(path, limit, opened, BufferRoom(buffer), consume);
}

BOOL ReadFilePiecesInto(const wchar_t* path, ULONGLONG limit, const FileOpenedHook& opened, const FilePieceRoom& room,
                        const FilePieceSink& consume)
{
    const HANDLE file = CreateFileW(path, FILE_GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                    FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        RecordOpenFailure(path);
        return FALSE;
    }
    bool sized = false;
    ULONGLONG size = 0;
    bool ok = TakeSize(file, sized, size);
    if (ok)
        opened();
    if (ok)
        ok = ReadPieces(file, sized ? std::min(limit, size) : limit, !sized, room, consume);
    CloseHandle(file);
    return ok ? TRUE : FALSE;
}

BOOL ReadOpenFileToEnd(HANDLE file, const FilePieceSink& consume)
{
    BYTE buffer[kPieceBytes];
    return ReadPieces(file, ~0ULL, true, BufferRoom(buffer), consume) ? TRUE : FALSE;
}
