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
