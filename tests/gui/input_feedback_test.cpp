// What the main window tells the user at the input box when it reaches its limit, and how its outputs are
// selected, with real pastes, keys and double-clicks.
#include "gui_harness.h"

namespace {

constexpr size_t kTypingLimit = 65535;

// The text set as a whole before (as a drop or a case link sets it), then a paste or typed text; the input's
// length then, and whether the box said that it took less than it got.
struct LimitCase {
    const char* name;
    size_t before;
    bool paste;
    size_t added, after;
    bool told;
};
class LimitTest : public MainDialogTest, public ::testing::WithParamInterface<LimitCase> {
protected:
    // The tip moves with the dialog and steps aside while another window, here the About box, is active.
    void ExpectTipToFollowTheDialog()
    {
        RECT dialog = {}, before = {}, after = {};
        ::GetWindowRect(m_dialog, &dialog);
        ::GetWindowRect(TipWindow(), &before);
        ::SetWindowPos(m_dialog, nullptr, dialog.left - 16, dialog.top - 8, 0, 0,
                       SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        Settle();
        ::GetWindowRect(TipWindow(), &after);
        EXPECT_EQ(std::make_pair(after.left - before.left, after.top - before.top), std::make_pair(-16L, -8L));
        Click(Item(IDC_ABOUT));
        HWND about = WaitForDialog(m_thread.threadId, m_dialog);
        EXPECT_TRUE(about && WaitFor([&] { return Tip() == L""; })) << "the tip stays while the About box is active";
        Type(L"\x1b");
        EXPECT_TRUE(WaitFor([&] { return !::IsWindow(about) && Tip() != L""; })) << "the tip does not come back";
        ::SendMessageW(m_dialog, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(Item(IDC_INPUT)), TRUE);  // the link took it
    }
};
// The tip is posted, so that the change that follows a cut paste does not hide it; the next edit does.
TEST_P(LimitTest, SaysAtTheInputBoxWhatWasLeftOutUntilTheNextEdit)
{
    const LimitCase& c = GetParam();
    const std::wstring lines = L"abcdefgh\r\n";
    Prepare(Lines(lines, c.before), DWORD(c.before), DWORD(c.before));
    if (c.paste) {
        ASSERT_TRUE(PutOnClipboard(Lines(lines, c.added)));
        PressWithCtrl('V');
    } else {
        Type(std::wstring(c.added, L'x'));
    }
    EXPECT_TRUE(WaitFor([&] { return Text(IDC_INPUT).size() == c.after && (Tip() != L"") == c.told; }));
    Settle();
    const std::wstring tip = Tip();
    EXPECT_EQ(Text(IDC_INPUT).size(), c.after);
    EXPECT_EQ(tip != L"", c.told) << tip;
    EXPECT_TRUE(!c.told || (tip.find(L"65535") != std::wstring::npos && tip.find(L"摘要") != std::wstring::npos))
        << tip;
    if (c.told) {
        ExpectTipToFollowTheDialog();
    }

    ::SendMessageW(Item(IDC_INPUT), EM_SETSEL, 0, -1);
    Type(L"y");
    EXPECT_TRUE(WaitFor([&] { return Text(IDC_INPUT) == L"y"; }));
    Settle();
    EXPECT_EQ(Tip(), L"");
}

INSTANTIATE_TEST_SUITE_P(
    Limit, LimitTest,
    ::testing::Values(LimitCase {"PasteLongerThanTheLimitIsCut", 0, true, 70000, kTypingLimit, true},
                      LimitCase {"PasteThatFillsTheBoxExactly", 0, true, kTypingLimit, kTypingLimit, false},
                      LimitCase {"TypingIntoALongerDroppedTextIsRefused", 70000, false, 1, 70000, true}),
    CaseName<LimitCase>);

// How the output is filled (null: abc typed), and the length of the text a double-click and Ctrl+C must put on
// the clipboard: all of it, where a double-click used to take only one line's piece of a wrapped digest.
struct SelectCase {
    const char* name;
    int id;
    const wchar_t* shown;
    size_t length;
};
class SelectTest : public MainDialogTest, public ::testing::WithParamInterface<SelectCase> { };
TEST_P(SelectTest, DoubleClickSelectsTheWholeOutput)
{
    const SelectCase& c = GetParam();
    if (c.shown) {
        ::SetWindowTextW(Item(c.id), c.shown);
    } else {
        Type(L"abc");
        ASSERT_TRUE(WaitFor([&] { return Text(c.id).size() == c.length; }));
    }
    ASSERT_TRUE(PutOnClipboard(L""));
    const LRESULT corner = ::SendMessageW(Item(c.id), EM_POSFROMCHAR, 2, 0);  // inside the first line's text
    POINT point = {short(LOWORD(corner)) + 2, short(HIWORD(corner)) + 4};
    ::ClientToScreen(Item(c.id), &point);
    // Waiting by opening the clipboard could keep the output's own copy from opening it.
    const DWORD before = ::GetClipboardSequenceNumber();
    ClickAt(point, 2);
    PressWithCtrl('C');
    EXPECT_TRUE(WaitFor([before] { return ::GetClipboardSequenceNumber() != before; }));
    EXPECT_EQ(ClipboardText(), Text(c.id));
    EXPECT_EQ(ClipboardText().size(), c.length);
}

INSTANTIATE_TEST_SUITE_P(Outputs, SelectTest,
                         ::testing::Values(SelectCase {"Sha512WrapsOverTwoLines", IDC_SHA512, nullptr, 128},
                                           SelectCase {"Sha384WrapsOverTwoLines", IDC_SHA384, nullptr, 96},
                                           SelectCase {"FailureTextOfSeveralWords", IDC_MD5,
                                                       L"创建哈希对象失败: 无效 的 参数", 17}),
                         CaseName<SelectCase>);

}  // namespace
