#include "app/clipboard.h"

#include <gtest/gtest.h>

#include <thread>

#include "support/last_error.h"
#include "tests/support/platform_watch.h"

static std::wstring ClipboardText()
{
    const HANDLE data = OpenClipboard(nullptr) ? GetClipboardData(CF_UNICODETEXT) : nullptr;
    const std::wstring text = data ? static_cast<const wchar_t*>(GlobalLock(data)) : L"(no text)";
    GlobalUnlock(data);
    CloseClipboard();
    return text;
}

TEST(SetClipboardText, PutsTheWholeTextThereOrReportsTheClipboardHeldByAnotherThread)
{
    const HWND owner = CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
    for (const wchar_t* text :
         {L"const unsigned char Md4[1] = {0xA4};\r\n\r\n", L"复制到剪切板成功。\r\n第二行", L""}) {
        EXPECT_TRUE(SetClipboardText(owner, text)) << LastErrorText();
        EXPECT_EQ(nullptr, GetOpenClipboardWindow());
        EXPECT_EQ(text, ClipboardText());
    }
    ASSERT_TRUE(OpenClipboard(owner));  // held by this thread's window while another thread tries
    std::wstring failure;
    DWORD code = 0;
    std::thread([&] {
        failure = SetClipboardText(nullptr, L"新的内容") ? L"copied" : LastErrorText();
        code = LastErrorCode();
    }).join();
    CloseClipboard();
    EXPECT_EQ(L"打开剪贴板失败:" + RecordedDetail(ERROR_ACCESS_DENIED), failure);
    EXPECT_EQ(static_cast<DWORD>(ERROR_ACCESS_DENIED), code);
    EXPECT_EQ(L"", ClipboardText());
    DestroyWindow(owner);
}

// Each later step refused in turn: its reason, the clipboard closed again, and a block not handed over freed.
static HGLOBAL g_refusedBlock = nullptr;
static BOOL WINAPI RefuseEmptying()
{
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
}
static HGLOBAL WINAPI RefuseAllocation(UINT, SIZE_T)
{
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
}
static LPVOID WINAPI RefuseLocking(HGLOBAL block)
{
    g_refusedBlock = block;
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
}
static HANDLE WINAPI RefuseHandingOver(UINT, HANDLE block)
{
    g_refusedBlock = block;
    SetLastError(ERROR_CLIPBOARD_NOT_OPEN);
    return nullptr;
}

TEST(SetClipboardText, ClosesTheClipboardAndFreesItsBlockWhenAStepFails)
{
    const struct {
        void* refused;
        void* refusal;
        DWORD code;
        const wchar_t* context;
    } cases[] = {
        {reinterpret_cast<void*>(&::EmptyClipboard), reinterpret_cast<void*>(&RefuseEmptying), ERROR_ACCESS_DENIED,
         L"清空剪贴板内容失败"},
        {reinterpret_cast<void*>(&::GlobalAlloc), reinterpret_cast<void*>(&RefuseAllocation), ERROR_NOT_ENOUGH_MEMORY,
         L"设置剪贴板文本内容时分配内存失败"},
        {reinterpret_cast<void*>(&::GlobalLock), reinterpret_cast<void*>(&RefuseLocking), ERROR_INVALID_HANDLE,
         L"设置剪贴板文本内容时分配内存失败"},
        {reinterpret_cast<void*>(&::SetClipboardData), reinterpret_cast<void*>(&RefuseHandingOver),
         ERROR_CLIPBOARD_NOT_OPEN, L"设置文本内容到剪贴板失败"},
    };
    const HWND owner = CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
    for (const auto& c : cases) {
        g_refusedBlock = nullptr;
        BOOL copied = TRUE;
        {
            const ImportHook refusal(c.refused, c.refusal);
            ASSERT_TRUE(refusal.Installed()) << c.context;
            copied = SetClipboardText(owner, L"新的内容");
        }
        EXPECT_FALSE(copied);
        EXPECT_EQ(c.context + (L":" + RecordedDetail(c.code)), LastErrorText());
        bool closed = false;  // another thread can open it
        std::thread([&] { closed = OpenClipboard(nullptr) && CloseClipboard(); }).join();
        EXPECT_TRUE(closed) << c.context;
        EXPECT_TRUE(g_refusedBlock == nullptr || GlobalFlags(g_refusedBlock) == GMEM_INVALID_HANDLE) << c.context;
    }
    DestroyWindow(owner);
}
