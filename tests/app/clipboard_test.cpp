#include "app/clipboard.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>

#include "support/last_error.h"

namespace {

HWND CreateHiddenWindow()
{
    return CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
}

// The clipboard's Unicode text; false when there is none or it cannot be read.
bool ReadClipboardText(std::wstring& text)
{
    if (!OpenClipboard(nullptr)) {
        return false;
    }
    bool read = false;
    if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
        if (const auto* units = static_cast<const wchar_t*>(GlobalLock(data))) {
            text = units;
            read = true;
            GlobalUnlock(data);
        }
    }
    CloseClipboard();
    return read;
}

class SetClipboardTextTest : public ::testing::TestWithParam<const wchar_t*> {
protected:
    void SetUp() override { ASSERT_NE(nullptr, m_owner = CreateHiddenWindow()); }
    void TearDown() override { DestroyWindow(m_owner); }

    HWND m_owner = nullptr;
};

TEST_P(SetClipboardTextTest, PutsTheWholeTextOnTheClipboardAndClosesIt)
{
    ASSERT_TRUE(SetClipboardText(m_owner, GetParam()));

    EXPECT_EQ(nullptr, GetOpenClipboardWindow());
    std::wstring text;
    ASSERT_TRUE(ReadClipboardText(text));
    EXPECT_EQ(GetParam(), text);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, SetClipboardTextTest,
    ::testing::Values(L"const unsigned char Md4[1] = {0xA4};\r\n\r\n",
                      L"复制到剪切板成功。\r\n第二行\r\n", L""));

// Holds the clipboard open from a window of another thread for as long as it lives.
class ClipboardHolder {
public:
    ClipboardHolder()
        : m_opened(CreateEventW(nullptr, TRUE, FALSE, nullptr)),
          m_release(CreateEventW(nullptr, TRUE, FALSE, nullptr)),
          m_thread([this] { Hold(); })
    {
        WaitForSingleObject(m_opened, INFINITE);
    }
    ~ClipboardHolder()
    {
        SetEvent(m_release);
        m_thread.join();
        CloseHandle(m_release);
        CloseHandle(m_opened);
    }
    bool Holds() const { return m_holds; }

private:
    void Hold()
    {
        HWND window = CreateHiddenWindow();
        m_holds = window != nullptr && OpenClipboard(window);
        SetEvent(m_opened);
        WaitForSingleObject(m_release, INFINITE);
        if (m_holds) {
            CloseClipboard();
        }
        DestroyWindow(window);
    }

    HANDLE m_opened;
    HANDLE m_release;
    bool m_holds = false;
    std::thread m_thread;
};

TEST_F(SetClipboardTextTest, ClipboardHeldElsewhereIsReportedAndLeftAlone)
{
    ASSERT_TRUE(SetClipboardText(m_owner, L"之前的内容"));
    {
        ClipboardHolder holder;
        ASSERT_TRUE(holder.Holds());

        EXPECT_FALSE(SetClipboardText(m_owner, L"新的内容"));

        const std::wstring failure = LastErrorText();
        EXPECT_EQ(0u, failure.find(L"打开剪贴板失败:")) << failure;
        EXPECT_GT(failure.size(), std::wstring(L"打开剪贴板失败:").size());
        EXPECT_EQ(static_cast<DWORD>(ERROR_ACCESS_DENIED), LastErrorCode());
    }
    std::wstring text;
    ASSERT_TRUE(ReadClipboardText(text));
    EXPECT_EQ(L"之前的内容", text);
}

}  // namespace
