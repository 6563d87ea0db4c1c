// What the clipboard holds, and drops as the shell delivers them: one helper each for every test.
#pragma once

#include <windows.h>
#include <shellapi.h>
#include <shlobj.h>

#include <cstring>
#include <string>
#include <vector>

// The clipboard's text; empty when it holds none.
inline std::wstring ClipboardText()
{
    const HANDLE data = ::OpenClipboard(nullptr) ? ::GetClipboardData(CF_UNICODETEXT) : nullptr;
    const std::wstring text = data ? static_cast<const wchar_t*>(::GlobalLock(data)) : L"";
    ::GlobalUnlock(data);
    ::CloseClipboard();
    return text;
}

// A DROPFILES header, then each wide path and its zero, then one more zero (two for no path at all). Movable,
// so that its handle is useless once the drop is released.
inline HDROP MakeDrop(const std::vector<std::wstring>& paths)
{
    std::wstring list;
    for (const std::wstring& path : paths)
        list += path + L'\0';
    const HGLOBAL drop = ::GlobalAlloc(GHND, sizeof(DROPFILES) + 2 * (list.size() + 2));
    auto* header = static_cast<DROPFILES*>(::GlobalLock(drop));
    *header = {sizeof(DROPFILES), {0, 0}, FALSE, TRUE};
    std::memcpy(header + 1, list.data(), 2 * list.size());
    ::GlobalUnlock(drop);
    return static_cast<HDROP>(drop);
}
