// What the window's helpers do with the clipboard, dropped files and the case links.
#include "app/clipboard.h"
#include "app/dropped_files.h"
#include "text/text_forms.h"

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
    for (const wchar_t* text : {L"", L"复制到剪切板成功。\r\n第二行"}) {
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
    EXPECT_EQ(L"复制到剪切板成功。\r\n第二行", ClipboardText());
    DestroyWindow(owner);
}

// The block the platform was given when it refused to lock it or to take it over.
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

// Each later step refused in turn: its reason, the clipboard closed again, and a block not handed over freed.
TEST(SetClipboardText, ClosesTheClipboardAndFreesItsBlockWhenAStepFails)
{
    const std::wstring noMemory = L"设置剪贴板文本内容时分配内存失败";
    // clang-format off
    const struct { Replacement refusal; DWORD code; std::wstring context; } cases[] = {
        {Refusal<ERROR_ACCESS_DENIED>(&::EmptyClipboard),             ERROR_ACCESS_DENIED,      L"清空剪贴板内容失败"},
        {Refusal<ERROR_NOT_ENOUGH_MEMORY>(&::GlobalAlloc),            ERROR_NOT_ENOUGH_MEMORY,  noMemory},
        {{Address(&::GlobalLock), Address(&RefuseLocking)},           ERROR_INVALID_HANDLE,     noMemory},
        {{Address(&::SetClipboardData), Address(&RefuseHandingOver)}, ERROR_CLIPBOARD_NOT_OPEN, L"设置文本内容到剪贴板失败"},
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
        EXPECT_EQ(c.context + L":" + RecordedDetail(c.code), LastErrorText());
        bool closed = false;  // another thread can open it
        std::thread([&] { closed = OpenClipboard(nullptr) && CloseClipboard(); }).join();
        EXPECT_TRUE(closed) << c.context;
        EXPECT_TRUE(g_refusedBlock == nullptr || GlobalFlags(g_refusedBlock) == GMEM_INVALID_HANDLE) << c.context;
    }
    DestroyWindow(owner);
}

TEST(CollectDroppedFiles, GivesEveryPathWholeOneALine)
{
    const std::wstring spaces = L"C:\\Program Files\\文本 摘要\\说明 文件.txt";
    const std::wstring longPath = L"C:\\" + std::wstring(1500, L'长') + L"\\" + std::wstring(600, L'a') + L".txt";
    // clang-format off
    const struct { std::vector<std::wstring> paths; std::wstring lines; BOOL release; } cases[] = {
        {{L"C:\\data\\abc.txt"},                L"C:\\data\\abc.txt",                     TRUE},
        {{L"C:\\a.txt", L"D:\\folder", spaces}, L"C:\\a.txt\r\nD:\\folder\r\n" + spaces, TRUE},
        {{L"C:\\a.txt", longPath},              L"C:\\a.txt\r\n" + longPath,             FALSE},
    };
    // clang-format on
    for (const auto& c : cases) {
        const HDROP drop = MakeDrop(c.paths);
        std::wstring paths;
        EXPECT_TRUE(CollectDroppedFiles(drop, paths, c.release));
        EXPECT_EQ(c.lines, paths);
        // A released drop answers no more; otherwise it is still the caller's.
        EXPECT_EQ(c.release ? 0 : c.paths.size(), DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0));
        EXPECT_TRUE(c.release || GlobalFree(drop) == nullptr);
    }
}

// The case links map the whole text, past the 131,071 units of a fixed edit-box buffer too.
TEST(TextCase, MapsTheWholeText)
{
    std::wstring text = std::wstring(140000, L'a') + L"ä";
    MapToUpperCase(text);
    EXPECT_EQ(std::wstring(140000, L'A') + L"Ä", text);
    MapToLowerCase(text);
    EXPECT_EQ(std::wstring(140000, L'a') + L"ä", text);
}

}  // namespace
