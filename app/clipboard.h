// The clipboard as the copy-as-C link uses it.
#pragma once

#include <windows.h>

// Replaces the clipboard's contents with `text` (zero-terminated) as
// CF_UNICODETEXT, with `owner` as the clipboard's owner. FALSE, with the reason
// recorded in the failure record, when the text is not on the clipboard; the
// clipboard is closed again whenever it was opened, and no memory is left behind.
BOOL SetClipboardText(HWND owner, const wchar_t* text);
