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
    const DWORD attributes = code == ERROR_ACCESS_DENIED ? GetFileAttributesW(path) : INVALID_FILE_ATTRIBUTES;
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
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

COpenedFile::COpenedFile(const wchar_t* path)
    : m_file(CreateFileW(path, FILE_GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                         FILE_FLAG_SEQUENTIAL_SCAN, nullptr))
{
    if (!Opened()) {
        RecordOpenFailure(path);
        return;
    }
    m_onDisk = GetFileType(m_file) == FILE_TYPE_DISK;
    LARGE_INTEGER reported = {};
    if (m_onDisk && !GetFileSizeEx(m_file, &reported)) {
        LastErrorSetSystem(0, kReadFailed);
        CloseHandle(m_file);
        m_file = INVALID_HANDLE_VALUE;
        return;
    }
    // Files such as those of /proc report no size, yet have bytes.
    m_size = reported.QuadPart > 0 ? static_cast<ULONGLONG>(reported.QuadPart) : 0;
}

COpenedFile::~COpenedFile()
{
    if (Opened())
        CloseHandle(m_file);
}

BOOL COpenedFile::Read(ULONGLONG limit, const FilePieceRoom& room, const FilePieceSink& consume)
{
    const bool sized = m_size != 0;
    return ReadPieces(m_file, sized ? std::min(limit, m_size) : limit, !sized, room, consume) ? TRUE : FALSE;
}

BOOL COpenedFile::Read(ULONGLONG limit, const FilePieceSink& consume)
{
    BYTE buffer[kPieceBytes];
    return Read(limit, BufferRoom(buffer), consume);
}

BOOL ReadFilePieces(const wchar_t* path, ULONGLONG limit, const FileOpenedHook& opened, const FilePieceSink& consume)
{
    COpenedFile file(path);
    if (!file.Opened())
        return FALSE;
    opened();
    return file.Read(limit, consume);
}

BOOL ReadOpenFileToEnd(HANDLE file, const FilePieceSink& consume)
{
    BYTE buffer[kPieceBytes];
    return ReadPieces(file, ~0ULL, true, BufferRoom(buffer), consume) ? TRUE : FALSE;
}
