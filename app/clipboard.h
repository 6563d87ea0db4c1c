// The clipboard as the copy-as-C link and the digest check use it.
#pragma once

#include <windows.h>

#include <string>

// Replaces the clipboard's contents with `text` (zero-terminated) as
// CF_UNICODETEXT, with `owner` as the clipboard's owner. FALSE, with the reason
// recorded in the failure record, when the text is not on the clipboard; the
// clipboard is closed again whenever it was opened, and no memory is left behind.
BOOL SetClipboardText(HWND owner, const wchar_t* text);

// The first `maxUnits` units (or fewer, up to its end) of the clipboard's
// text, read as CF_UNICODETEXT; empty when the clipboard holds no text. The
// clipboard stays as it is. False when it cannot be opened now (another
// program has it open).
bool ReadClipboardTextStart(HWND owner, size_t maxUnits, std::wstring& text);
