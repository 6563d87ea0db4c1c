#include "app/clipboard.h"

#include <gtest/gtest.h>

#include <thread>

#include "support/last_error.h"
#include "tests/support/platform_watch.h"
#include "tests/support/shell_transfer.h"

namespace {

HWND MakeOwner() { return CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr); }

TEST(SetClipboardText, PutsTheWholeTextThereOrReportsTheClipboardHeldByAnotherThread)
{
    const HWND owner = MakeOwner();
    for (const wchar_t* text : {L"复制到剪切板成功。\r\n第二行", L""}) {
        EXPECT_TRUE(SetClipboardText(owner, text)) << LastErrorText();
        EXPECT_EQ(nullptr, GetOpenClipboardWindow());
        EXPECT_EQ(text, ClipboardText());
    }
    ASSERT_TRUE(SetClipboardText(owner, L"之前的内容"));
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
    EXPECT_EQ(L"之前的内容", ClipboardText());
    DestroyWindow(owner);
}

// Each later step refused in turn: its reason, the clipboard closed again, and a block not handed over freed.
HGLOBAL g_refusedBlock = nullptr;
LPVOID WINAPI RefuseLocking(HGLOBAL block)
{
    g_refusedBlock = block;
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
}
HANDLE WINAPI RefuseHandingOver(UINT, HANDLE block)
{
    g_refusedBlock = block;
    SetLastError(ERROR_CLIPBOARD_NOT_OPEN);
    return nullptr;
}

TEST(SetClipboardText, ClosesTheClipboardAndFreesItsBlockWhenAStepFails)
{
    // clang-format off
    const struct { Replacement refusal; DWORD code; const wchar_t* context; } cases[] = {
        {Refusal<ERROR_ACCESS_DENIED>(&::EmptyClipboard),                      ERROR_ACCESS_DENIED,      L"清空剪贴板内容失败"},
        {Refusal<ERROR_NOT_ENOUGH_MEMORY>(&::GlobalAlloc),                     ERROR_NOT_ENOUGH_MEMORY,  L"设置剪贴板文本内容时分配内存失败"},
        {{Address(&::GlobalLock), Address(&RefuseLocking)},                    ERROR_INVALID_HANDLE,     L"设置剪贴板文本内容时分配内存失败"},
        {{Address(&::SetClipboardData), Address(&RefuseHandingOver)},          ERROR_CLIPBOARD_NOT_OPEN, L"设置文本内容到剪贴板失败"},
    };
    // clang-format on
    const HWND owner = MakeOwner();
    for (const auto& c : cases) {
        g_refusedBlock = nullptr;
        BOOL copied = TRUE;
        {
            const ImportHook refusal(c.refusal);
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

}  // namespace
