// Files of given bytes in the working folder, and bytes for them.
#pragma once

#include <windows.h>

#include <string>

// `size` bytes of a pattern that repeats only after 251 * 256 bytes.
inline std::string PatternBytes(size_t size)
{
    std::string bytes(size, '\0');
    for (size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<char>(i * 7 + i / 251);
    return bytes;
}

// Deleted with the object.
struct TempFile {
    TempFile(std::wstring name, const std::string& bytes) : path(std::move(name))
    {
        const HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        DWORD written = 0;
        created = file != INVALID_HANDLE_VALUE
            && WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr)
            && written == bytes.size();
        CloseHandle(file);
    }
    TempFile(const TempFile&) = delete;
    TempFile& operator=(const TempFile&) = delete;
    ~TempFile() { DeleteFileW(path.c_str()); }

    std::wstring path;
    bool created = false;
};
