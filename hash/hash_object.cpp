#include "hash/hash_object.h"

#include <algorithm>

#include "support/last_error.h"

namespace {

const wchar_t kOpenFailed[] = L"计算文件校验时打开文件失败";
const wchar_t kReadFailed[] = L"计算文件校验时读取文件失败";
const wchar_t kFileShrank[] = L"文件在读取期间变短了";

// Largest piece read at a time; the buffer lives on HashFile's stack.
constexpr DWORD kFileChunk = 131072;
// Holds the hex text of the longest digest (129 characters) with room to spare.
constexpr size_t kHexTextCapacity = 260;

// Digests the first `count` bytes of the open `file`. The size was taken
// before the first read, so bytes the file gains meanwhile are left out;
// if it loses bytes, the digest would not be the file's and the call fails.
BOOL DigestOpenFile(CVnHashObject& hash, HANDLE file, ULONGLONG count, BYTE* digest)
{
    BYTE buffer[kFileChunk];
    hash.Reset();
    while (count != 0) {
        const DWORD wanted = count < kFileChunk ? static_cast<DWORD>(count) : kFileChunk;
        DWORD read = 0;
        if (!ReadFile(file, buffer, wanted, &read, nullptr)) {
            LastErrorSetSystem(0, kReadFailed);
            return FALSE;
        }
        if (read == 0) {
            LastErrorSetText(0, L"%ls:%ls", kReadFailed, kFileShrank);
            return FALSE;
        }
        hash.Update(buffer, read);
        count -= read;
    }
    hash.Finish(digest);
    return TRUE;
}

}  // namespace

void FormatHex(const BYTE* bytes, DWORD count, wchar_t* text)
{
    text[0] = L'\0';
    for (DWORD i = 0; i < count; ++i) {
        wsprintfW(text + 2 * i, L"%02X", bytes[i]);
    }
}

BOOL CVnHashObject::HashFile(const wchar_t* path, ULONGLONG limit, BYTE* digest)
{
    const HANDLE file = CreateFileW(path, FILE_GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                    nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        LastErrorSetSystem(0, kOpenFailed);
        return FALSE;
    }

    DWORD sizeHigh = 0;
    const DWORD sizeLow = GetFileSize(file, &sizeHigh);
    BOOL ok = sizeLow != INVALID_FILE_SIZE || GetLastError() == NO_ERROR;
    if (!ok) {
        LastErrorSetSystem(0, kReadFailed);
    } else {
        const ULONGLONG size = (static_cast<ULONGLONG>(sizeHigh) << 32) | sizeLow;
        // A limit of all ones, "the whole file", is never below the size.
        const ULONGLONG count = std::min(limit, size);
        ok = DigestOpenFile(*this, file, count, digest);
    }
    CloseHandle(file);
    return ok;
}

BOOL CVnHashObject::HashText(const wchar_t* text, int length, TextEncoding encoding, BYTE* digest)
{
    BYTE* bytes = nullptr;
    DWORD byteCount = 0;
    const BOOL ok = EncodeText(text, length, FALSE, encoding, &bytes, &byteCount);
    if (ok) {
        Reset();
        Update(bytes, byteCount);
        Finish(digest);
    }
    if (bytes != nullptr) {
        FreeEncodedText(bytes);
    }
    return ok;
}

void CVnHashObject::DigestToString(const BYTE* digest, std::wstring& hexText)
{
    wchar_t text[kHexTextCapacity];
    DigestToHex(digest, text);
    hexText = text;
}

void CVnHashObject::DigestToHex(const BYTE* digest, wchar_t* hexText)
{
    FormatHex(digest, m_digestLength, hexText);
}
