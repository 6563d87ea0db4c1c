#include "app/clipboard.h"

#include <algorithm>
#include <cstring>
#include <cwchar>

#include "support/last_error.h"

namespace {

const wchar_t kAllocationFailed[] = L"设置剪贴板文本内容时分配内存失败";

// A new movable block holding `text` and its terminator, or null with the
// reason recorded. The caller owns the block.
HGLOBAL CopyToMovableBlock(const wchar_t* text)
{
    const size_t bytes = (wcslen(text) + 1) * sizeof(wchar_t);
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, bytes);
    if (block == nullptr) {
        LastErrorSetSystem(0, kAllocationFailed);
        return nullptr;
    }
    void* target = GlobalLock(block);
    if (target == nullptr) {
        LastErrorSetSystem(0, kAllocationFailed);
        GlobalFree(block);
        return nullptr;
    }
    memcpy(target, text, bytes);
    GlobalUnlock(block);
    return block;
}

}  // namespace

BOOL SetClipboardText(HWND owner, const wchar_t* text)
{
    if (!OpenClipboard(owner)) {
        LastErrorSetSystem(0, L"打开剪贴板失败");
        return FALSE;
    }
    HGLOBAL block = nullptr;
    BOOL handedOver = FALSE;
    if (!EmptyClipboard()) {
        LastErrorSetSystem(0, L"清空剪贴板内容失败");
    } else if ((block = CopyToMovableBlock(text)) != nullptr) {
        handedOver = SetClipboardData(CF_UNICODETEXT, block) != nullptr;
        if (!handedOver) {
            LastErrorSetSystem(0, L"设置文本内容到剪贴板失败");
        }
    }
    CloseClipboard();
    // Once handed over the block is the clipboard's; until then it is ours.
    if (!handedOver && block != nullptr) {
        GlobalFree(block);
    }
    return handedOver;
}

bool ReadClipboardTextStart(HWND owner, size_t maxUnits, std::wstring& text)
{
    text.clear();
    if (!IsClipboardFormatAvailable(CF_UNICODETEXT))
        return true;
    if (!OpenClipboard(owner))
        return false;
    HANDLE data = GetClipboardData(CF_UNICODETEXT);
    const wchar_t* units = data ? static_cast<const wchar_t*>(GlobalLock(data)) : nullptr;
    if (units != nullptr) {
        // The block may hold no terminator within its size.
        const size_t capacity = GlobalSize(data) / sizeof(wchar_t);
        text.assign(units, wcsnlen(units, std::min(capacity, maxUnits)));
        GlobalUnlock(data);
    }
    CloseClipboard();
    return true;
}
