// What the main window tells the user at the input box, with real pastes, keys and clicks: the typing limit
// (and no half of a surrogate pair left at it), characters the chosen encoding replaced; and how a double-click
// selects an output.
#include "gui_harness.h"

namespace {

constexpr size_t kTypingLimit = 65535;
const std::wstring kEmoji = L"\U0001F600";
// A character of the Basic Multilingual Plane that the ANSI code page lacks, and how the tip names that page.
const std::wstring kLacked = kChinese ? L"\u00DF" : L"\u4F60";
const std::wstring kCodePage = kChinese ? L"ANSI 代码页 936" : L"ANSI 代码页 1252";

std::wstring Filled(size_t units) { return Lines(L"abcdefgh\r\n", units); }

// The text set as a whole before (as a drop sets it), the caret at its end; text then pasted or typed; the input's
// length then, and a word of each tip at the input box.
struct LimitCase {
    const char* name;
    size_t before;
    bool paste;
    std::wstring added;
    size_t after;
    std::vector<std::wstring> tips;
};
class LimitTest : public MainDialogTest, public ::testing::WithParamInterface<LimitCase> {
protected:
    // The tips move with the dialog and step aside while another window, here the About box, is active.
    void ExpectTipsToFollowTheDialog()
    {
        const std::vector<HWND> tips = TipWindows(m_thread.threadId);
        std::vector<RECT> before(tips.size()), after(tips.size());
        RECT dialog = {};
        ::GetWindowRect(m_dialog, &dialog);
        for (size_t i = 0; i < tips.size(); ++i) {
            ::GetWindowRect(tips[i], &before[i]);
        }
        ::SetWindowPos(m_dialog, nullptr, dialog.left - 16, dialog.top - 8, 0, 0,
                       SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        Settle();
        for (size_t i = 0; i < tips.size(); ++i) {
            ::GetWindowRect(tips[i], &after[i]);
            EXPECT_EQ(std::make_pair(after[i].left - before[i].left, after[i].top - before[i].top),
                      std::make_pair(-16L, -8L));
        }
        const std::wstring shown = Tips();
        Click(Item(IDC_ABOUT));
        HWND about = WaitForDialog(m_thread.threadId, m_dialog);
        EXPECT_TRUE(about && WaitFor([&] { return Tips() == L""; })) << "a tip stays while the About box is active";
        Type(L"\x1b");
        EXPECT_TRUE(WaitFor([&] { return !::IsWindow(about) && Tips() == shown; })) << "the tips do not come back";
        ::SendMessageW(m_dialog, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(Item(IDC_INPUT)), TRUE);  // the link took it
    }
};
// The limit tip is posted, so that the change that follows a cut paste does not hide it; the next edit does. A half
// pair left by the cut goes before it shows: its removal is an edit too.
TEST_P(LimitTest, SaysAtTheInputBoxWhatWasLeftOutUntilTheNextEdit)
{
    const LimitCase& c = GetParam();
    const std::wstring before = Filled(c.before);
    Prepare(before, DWORD(c.before), DWORD(c.before));
    if (c.paste) {
        ASSERT_TRUE(PutOnClipboard(c.added));
        PressWithCtrl('V');
    } else {
        Type(c.added);
    }
    const auto done = [&] {
        return Text(IDC_INPUT).size() == c.after && TipWindows(m_thread.threadId).size() == c.tips.size();
    };
    EXPECT_TRUE(WaitFor(done));
    Settle();
    ExpectShown((before + c.added).substr(0, c.after));
    const std::wstring tips = Tips();
    EXPECT_EQ(TipWindows(m_thread.threadId).size(), c.tips.size()) << tips;
    for (const std::wstring& word : c.tips) {
        EXPECT_NE(tips.find(word), std::wstring::npos) << tips << L"\nwithout " << word;
    }
    if (!c.tips.empty()) {
        ExpectTipsToFollowTheDialog();
    }

    ::SendMessageW(Item(IDC_INPUT), EM_SETSEL, 0, -1);
    TypeAndSettle(L"y", L"y");
    EXPECT_EQ(Tips(), L"");
}

const std::wstring kLimitWords = L"65535 个字符";
// clang-format off
const LimitCase kLimitCases[] = {
    {"PasteLongerThanTheLimitIsCutBesideTheLossTip", 0,     true,  kLacked + Filled(70000),         kTypingLimit, {kLimitWords, kCodePage}},
    {"PasteThatFillsTheBoxExactly",                  0,     true,  Filled(kTypingLimit),            kTypingLimit, {}},
    {"TypingIntoALongerDroppedTextIsRefused",        70000, false, L"x",                            70000,        {kLimitWords}},
    {"PasteCutInsideAPairLeavesNoHalf",              0,     true,  Filled(65534) + kEmoji + L"end", 65534,        {kLimitWords}},
    {"TypingCutInsideAPairLeavesNoHalf",             65534, false, kEmoji,                          65534,        {kLimitWords}},
};
// clang-format on
INSTANTIATE_TEST_SUITE_P(Limit, LimitTest, ::testing::ValuesIn(kLimitCases), CaseName<LimitCase>);

// The text typed, or else set as a whole and an encoding clicked; what the tip at the input box names then; the keys
// (Backspaces) or the click after which the encoding holds the text and the tip is gone. What is counted is the
// core's; here, that the window tells it and takes it back.
struct LossCase {
    const char* name;
    bool typed;
    std::wstring text;
    int encoding;
    std::vector<std::wstring> mentions;
    std::wstring keysAfter;
    int clickAfter;
};
class LossTipTest : public MainDialogTest, public ::testing::WithParamInterface<LossCase> { };
TEST_P(LossTipTest, NamesTheEncodingCountAndFirstCharacterUntilTheTextOrEncodingHoldsIt)
{
    const LossCase& c = GetParam();
    if (c.typed) {
        TypeAndSettle(c.text, c.text);
    } else {
        Prepare(c.text, 0, 0);
        Click(Item(c.encoding));
        EXPECT_TRUE(WaitFor([&] { return Text(IDC_MD5) != L"stale"; }));
        Settle();
    }
    ASSERT_EQ(TipWindows(m_thread.threadId).size(), 1u) << Tips();
    for (const std::wstring& mention : c.mentions) {
        EXPECT_NE(Tips().find(mention), std::wstring::npos) << mention << L" not in " << Tips();
    }
    TypeAndSettle(c.keysAfter, c.text.substr(0, c.text.size() - c.keysAfter.size()));
    if (c.clickAfter != 0) {
        Click(Item(c.clickAfter));
        EXPECT_TRUE(WaitFor([&] { return ::IsDlgButtonChecked(m_dialog, c.clickAfter) == BST_CHECKED; }));
        Settle();
    }
    EXPECT_EQ(Tips(), L"");
}

// clang-format off
const LossCase kLossCases[] = {
    {"LackedCharactersUntilDeleted",     true,  L"abc " + kLacked + kLacked, 0,        {kCodePage, L" 2 个字符", L"第 5 个字符", L"“" + kLacked + L"”"}, L"\b\b", 0},
    {"LoneHalfInUtf8UntilUnicodeChosen", false, L"a\xD800z",                 IDC_UTF8, {L"UTF-8", L" 1 个字符", L"第 2 个字符", L"U+D800"},              L"",     IDC_UNICODE},
};
// clang-format on
INSTANTIATE_TEST_SUITE_P(Loss, LossTipTest, ::testing::ValuesIn(kLossCases), CaseName<LossCase>);

// How the output is filled (null: abc typed), and the length of the text a double-click and Ctrl+C must put on
// the clipboard: all of it, where a double-click used to take only one line's piece of a wrapped digest or one
// word of a failure text.
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
    const LRESULT corner = ::SendMessageW(Item(c.id), EM_POSFROMCHAR, 2, 0);  // inside the first line's text
    POINT point = {short(LOWORD(corner)) + 2, short(HIWORD(corner)) + 4};
    ::ClientToScreen(Item(c.id), &point);
    const DWORD sequence = ::GetClipboardSequenceNumber();
    ClickAt(point, 2);
    PressWithCtrl('C');
    const std::wstring copied = ClipboardTextAfterCopy(sequence);
    EXPECT_EQ(copied, Text(c.id));
    EXPECT_EQ(copied.size(), c.length);
}

// clang-format off
const SelectCase kSelectCases[] = {
    {"Sha512WrapsOverTwoLines",    IDC_SHA512, nullptr,                           128},
    {"FailureTextOfSeveralWords",  IDC_MD5,    L"创建哈希对象失败: 无效 的 参数", 17},
};
// clang-format on
INSTANTIATE_TEST_SUITE_P(Outputs, SelectTest, ::testing::ValuesIn(kSelectCases), CaseName<SelectCase>);

}  // namespace
