#include "hash/file_pieces.h"

#include <algorithm>

#include "support/last_error.h"

namespace {

const wchar_t kOpenFailed[] = L"计算文件校验时打开文件失败";
const wchar_t kReadFailed[] = L"计算文件校验时读取文件失败";
const wchar_t kFileShrank[] = L"文件在读取期间变短了";

// Largest piece read at a time.
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
bool ReadPieces(HANDLE file, ULONGLONG count, bool toTheEnd, const FilePieceSink& consume)
{
    BYTE buffer[kPieceBytes];
    while (count != 0) {
        const DWORD wanted = count < kPieceBytes ? static_cast<DWORD>(count) : kPieceBytes;
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

}  // namespace

BOOL ReadHandlePieces(HANDLE file, ULONGLONG limit, const FileOpenedHook& opened, const FilePieceSink& consume)
{
    bool sized = false;
    ULONGLONG size = 0;
    if (!TakeSize(file, sized, size))
        return FALSE;
    opened();
    return ReadPieces(file, sized ? std::min(limit, size) : limit, !sized, consume) ? TRUE : FALSE;
}

BOOL ReadFilePieces(const wchar_t* path, ULONGLONG limit, const FileOpenedHook& opened, const FilePieceSink& consume)
{
    const HANDLE file = CreateFileW(path, FILE_GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                    FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        LastErrorSetSystem(0, kOpenFailed);
        return FALSE;
    }
    const BOOL read = ReadHandlePieces(file, limit, opened, consume);
    CloseHandle(file);
    return read;
}
