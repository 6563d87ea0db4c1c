// What the main window tells the user at the input box, with real pastes, keys and clicks: the typing limit
// (and no half of a surrogate pair or of a line break left at it), characters the chosen encoding replaced; and how a
// double-click selects an output.
#include "gui_harness.h"

namespace {

const std::wstring kEmoji = L"\U0001F600";
// A character of the Basic Multilingual Plane that the ANSI code page lacks, and how the tip names that page.
const std::wstring kLacked = kChinese ? L"\u00DF" : L"\u4F60";
const std::wstring kCodePage = kChinese ? L"ANSI 代码页 936" : L"ANSI 代码页 1252";

std::wstring Filled(size_t units) { return Lines(L"abcdefgh\r\n", units); }

// The text set as a whole before (as a drop sets it), the caret at its end; text then pasted or typed, and an
// encoding clicked; the input's length then, the number of tips at the input box and words they say. Every tip goes
// with the next edit, here one that leaves a text every encoding holds.
struct InputTipCase {
    const char* name;
    std::wstring before;
    bool paste;
    std::wstring added;
    int option;
    size_t after, tips;
    std::vector<std::wstring> words;
};
class InputTipTest : public MainDialogTest, public ::testing::WithParamInterface<InputTipCase> {
protected:
    // The tips move with the dialog and step aside while another window, here the About box, is active.
    void ExpectTipsToFollowTheDialog()
    {
        const std::vector<HWND> tips = TipWindows();
        std::vector<RECT> before;
        for (HWND tip : tips) {
            before.push_back(WindowRect(tip));
        }
        const RECT dialog = WindowRect(m_dialog);
        ::SetWindowPos(m_dialog, nullptr, dialog.left - 16, dialog.top - 8, 0, 0,
                       SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        Settle();
        for (size_t i = 0; i < tips.size(); ++i) {
            const RECT after = WindowRect(tips[i]);
            EXPECT_EQ(std::make_pair(after.left - before[i].left, after.top - before[i].top),
                      std::make_pair(-16L, -8L));
        }
        const std::wstring shown = Tips();
        Click(Item(IDC_ABOUT));
        HWND about = WaitForDialog(m_thread.threadId, m_dialog);
        EXPECT_TRUE(about && WaitFor([&] { return Tips() == L""; })) << "a tip stays while the About box is active";
        Type(L"\x1b");
        EXPECT_TRUE(WaitFor([&] { return !::IsWindow(about) && Tips() == shown; })) << "the tips do not come back";
    }
};
// The limit tip is posted, so that the change that follows a cut paste does not hide it. A half pair left by the
// cut goes before it shows: its removal is an edit too.
TEST_P(InputTipTest, SaysAtTheInputBoxWhatTheDigestsDoNotStandForUntilTheNextEdit)
{
    const InputTipCase& c = GetParam();
    Prepare(c.before, DWORD(c.before.size()), DWORD(c.before.size()));
    if (c.paste) {
        ASSERT_TRUE(PutOnClipboard(c.added));
        PressWithCtrl('V');
    } else {
        Type(c.added);
    }
    if (c.option != 0) {
        Click(Item(c.option));
    }
    const auto tipCount = [&] { return TipWindows().size(); };
    // A half typed at the limit stands in the box for a moment, with a balloon of its own about a replaced
    // character that goes with the digests of the whole text: the end is what holds once the dialog is idle.
    const auto ended = [&] { return Text(IDC_INPUT).size() == c.after && tipCount() == c.tips; };
    WaitFor(ended);
    Settle();
    EXPECT_TRUE(WaitFor(ended));
    ExpectShown((c.before + c.added).substr(0, c.after),
                c.option == IDC_UTF8 ? ByteEncoding::Utf8 : ByteEncoding::Ansi);
    const std::wstring tips = Tips();
    EXPECT_EQ(tipCount(), c.tips) << tips;
    for (const std::wstring& word : c.words) {
        EXPECT_NE(tips.find(word), std::wstring::npos) << tips << L"\nwithout " << word;
    }
    if (c.tips != 0) {
        ExpectTipsToFollowTheDialog();
    }

    ::SendMessageW(m_dialog, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(Item(IDC_INPUT)), TRUE);  // a click took it
    ::SendMessageW(Item(IDC_INPUT), EM_SETSEL, 0, -1);
    TypeAndSettle(L"y", L"y");
    EXPECT_EQ(Tips(), L"");
}
const std::wstring kLimit = L"65535 个字符", kPastLimit = Filled(70000), kBelowLimit = Filled(65534);
// clang-format off
const InputTipCase kInputTipCases[] = {
    {"PasteLongerThanTheLimitIsCutBesideTheLossTip", L"",          true,  kLacked + kPastLimit,          0,        65535, 2, {kLimit, kCodePage}},
    {"PasteThatFillsTheBoxExactly",                  L"",          true,  Filled(65535),                 0,        65535, 0, {}},
    {"TypingIntoALongerDroppedTextIsRefused",        kPastLimit,   false, L"x",                          0,        70000, 1, {kLimit}},
    {"PasteCutInsideAPairLeavesNoHalf",              L"",          true,  kBelowLimit + kEmoji + L"end", 0,        65534, 1, {kLimit}},
    {"TypingCutInsideAPairLeavesNoHalf",             kBelowLimit,  false, kEmoji,                        0,        65534, 1, {kLimit}},
    {"PasteCutInsideCrLfLeavesNoCr",                 L"",          true,  kBelowLimit + L"\r\nend",      0,        65534, 1, {kLimit}},
    {"LackedCharactersTyped",                        L"",          false, L"ab " + kLacked + kLacked,    0,        5,     1, {kCodePage, L" 2 个字符", L"第 4 个字符", L"“" + kLacked + L"”"}},
    {"LoneHalfInUtf8",                               L"a\xD800z", false, L"",                           IDC_UTF8, 3,     1, {L"UTF-8", L" 1 个字符", L"第 2 个字符", L"U+D800"}},
};
// clang-format on
INSTANTIATE_TEST_SUITE_P(InputBox, InputTipTest, ::testing::ValuesIn(kInputTipCases), CaseName<InputTipCase>);

// A double-click and Ctrl+C put the whole output on the clipboard, where a double-click used to take only one
// line's piece of a wrapped digest, or one word of a failure text.
TEST_F(MainDialogTest, DoubleClickSelectsTheWholeOutput)
{
    TypeAndSettle(L"abc", L"abc");
    ::SetWindowTextW(Item(IDC_MD5), L"创建哈希对象失败: 无效 的 参数");
    for (int id : {IDC_SHA512, IDC_MD5}) {
        const LRESULT corner = ::SendMessageW(Item(id), EM_POSFROMCHAR, 2, 0);  // inside the first line's text
        POINT point = {short(LOWORD(corner)) + 2, short(HIWORD(corner)) + 4};
        ::ClientToScreen(Item(id), &point);
        const DWORD sequence = ::GetClipboardSequenceNumber();
        ClickAt(point, 2);
        PressWithCtrl('C');
        // Waited for by the sequence number: opening the clipboard to look could keep the copy from opening it.
        EXPECT_TRUE(WaitFor([=] { return ::GetClipboardSequenceNumber() != sequence; }));
        EXPECT_EQ(ClipboardText(), Text(id)) << id;
    }
}

}  // namespace
