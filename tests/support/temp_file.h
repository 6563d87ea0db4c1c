// A file of given bytes in the working folder, deleted with the object.
#pragma once

#include <windows.h>

#include <string>

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
