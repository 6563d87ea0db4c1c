// The two ways text and file names reach the program from other programs: the real clipboard and a shell drop.
#pragma once

#include <windows.h>
#include <shellapi.h>
#include <shlobj.h>

#include <cstring>
#include <string>
#include <vector>

// Puts `text` on the clipboard as its only content, Unicode text.
inline bool PutOnClipboard(const std::wstring& text)
{
    HGLOBAL block = ::GlobalAlloc(GMEM_MOVEABLE, 2 * (text.size() + 1));
    memcpy(::GlobalLock(block), text.c_str(), 2 * (text.size() + 1));
    ::GlobalUnlock(block);
    const bool put = ::OpenClipboard(nullptr) && ::EmptyClipboard() && ::SetClipboardData(CF_UNICODETEXT, block);
    return ::CloseClipboard() && put;
}

// The clipboard's Unicode text; "(no text)" when it holds none.
inline std::wstring ClipboardText()
{
    HANDLE data = ::OpenClipboard(nullptr) ? ::GetClipboardData(CF_UNICODETEXT) : nullptr;
    const std::wstring text = data ? static_cast<const wchar_t*>(::GlobalLock(data)) : L"(no text)";
    ::GlobalUnlock(data);
    ::CloseClipboard();
    return text;
}

// A drop as the shell delivers one: a DROPFILES header, then each wide path and its zero, then one more zero
// (two for no path at all). Movable, so that its handle is useless once the drop is released.
inline HDROP MakeDrop(const std::vector<std::wstring>& paths)
{
    std::wstring list;
    for (const std::wstring& path : paths) {
        list += path + L'\0';
    }
    HGLOBAL drop = ::GlobalAlloc(GHND, sizeof(DROPFILES) + 2 * (list.size() + 2));
    auto* header = static_cast<DROPFILES*>(::GlobalLock(drop));
    *header = {sizeof(DROPFILES), {0, 0}, FALSE, TRUE};
    memcpy(header + 1, list.data(), 2 * list.size());
    ::GlobalUnlock(drop);
    return static_cast<HDROP>(drop);
}
