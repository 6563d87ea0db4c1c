// The copy-as-C link: the clipboard's text after a click, and the message
// box that confirms the copy or reports why it failed.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "main_dialog_fixture.h"
#include "tests/app/abc_c_array_export.h"

namespace {

// The id of a message box's text.
constexpr int kMessageBoxText = 0xFFFF;

class CopyAsCTest : public MainDialogTest {
protected:
    // abc typed in ANSI without terminator, and its digests shown.
    void TypeAbc() {
        ASSERT_NO_FATAL_FAILURE(TypeIntoInput(L"abc", L"abc"));
        ASSERT_EQ(OutputsOnceEqual(AbcDigests()), AbcDigests());
        ASSERT_TRUE(IsLinkUsable(Item(IDC_COPY_AS_C)));
    }

    static DigestTextArray AbcDigests() { return ExpectedDigests(EncodedBytes(L"abc", ByteEncoding::Ansi, false)); }

    // Clicks the link and gives the message box it opens; null when none did.
    HWND ClickCopyLink() {
        gui::ClickLinkText(Item(IDC_COPY_AS_C));
        return WaitForSecondDialog();
    }

    // Closes `box` with the Return key, as a user does; the dialog is usable again.
    void CloseWithReturn(HWND box) {
        gui::PressKey(VK_RETURN);
        ASSERT_TRUE(gui::WaitFor([box] { return !::IsWindow(box); }));
        EXPECT_TRUE(::IsWindowEnabled(Dialog()));
        EXPECT_EQ(Input(), L"abc");
        EXPECT_EQ(Outputs(), AbcDigests());
    }
};

TEST_F(CopyAsCTest, ClickPutsTheDeclarationsOnTheClipboardAndConfirms) {
    ASSERT_TRUE(gui::WriteClipboardText(L"之前的内容"));
    ASSERT_NO_FATAL_FAILURE(TypeAbc());

    HWND box = ClickCopyLink();
    ASSERT_NE(box, nullptr) << "no message box after the click";
    EXPECT_EQ(Utf8(gui::ReadText(box)), Utf8(L"完成"));
    EXPECT_EQ(Utf8(gui::ReadText(::GetDlgItem(box, kMessageBoxText))), Utf8(L"复制到剪切板成功。"));
    ASSERT_NO_FATAL_FAILURE(CloseWithReturn(box));

    const std::wstring copied = gui::ReadClipboardText();
    EXPECT_EQ(copied.size(), 1385u);
    EXPECT_EQ(Utf8(copied), Utf8(kAbcExport));
}

// Holds the clipboard open from a window of the test's thread, so that the
// dialog's thread cannot open it.
class ClipboardHold {
public:
    ClipboardHold()
        : m_window(::CreateWindowExW(0, L"Static", nullptr, 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr)) {
        m_held = m_window && ::OpenClipboard(m_window);
    }
    ~ClipboardHold() {
        if (m_held) {
            ::CloseClipboard();
        }
        ::DestroyWindow(m_window);
    }
    ClipboardHold(const ClipboardHold&) = delete;
    ClipboardHold& operator=(const ClipboardHold&) = delete;

    bool Held() const { return m_held; }

private:
    HWND m_window;
    bool m_held = false;
};

TEST_F(CopyAsCTest, ClipboardHeldElsewhereIsReportedAndChangesNothing) {
    ASSERT_TRUE(gui::WriteClipboardText(L"之前的内容"));
    ASSERT_NO_FATAL_FAILURE(TypeAbc());
    {
        ClipboardHold hold;
        ASSERT_TRUE(hold.Held());
        HWND box = ClickCopyLink();
        ASSERT_NE(box, nullptr) << "no message box after the click";
        const std::wstring text = gui::ReadText(::GetDlgItem(box, kMessageBoxText));
        EXPECT_EQ(text.rfind(L"打开剪贴板失败:", 0), 0u) << Utf8(text);
        EXPECT_GT(text.size(), std::wstring(L"打开剪贴板失败:").size()) << "no reason given";
        ASSERT_NO_FATAL_FAILURE(CloseWithReturn(box));
    }
    EXPECT_EQ(Utf8(gui::ReadClipboardText()), Utf8(L"之前的内容"));
}

}  // namespace
