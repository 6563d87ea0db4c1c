// What the main window tells the user at the input box, and how its outputs are selected, with real input:
// pasting and typing at the input box's limit, double-clicks on the outputs, drops that yield no path.
#include "gui_harness.h"

#include <shlobj.h>

#include <atomic>
#include <cstring>

namespace {

constexpr size_t kTypingLimit = 65535;

void PressWithCtrl(WORD key) {
    Send({Key(VK_CONTROL, true), Key(key, true), Key(key, false), Key(VK_CONTROL, false)});
}

bool PutOnClipboard(const std::wstring& text) {
    HGLOBAL block = ::GlobalAlloc(GMEM_MOVEABLE, 2 * (text.size() + 1));
    if (!block || !::OpenClipboard(nullptr)) {
        return false;
    }
    memcpy(::GlobalLock(block), text.c_str(), 2 * (text.size() + 1));
    ::GlobalUnlock(block);
    const bool put = ::EmptyClipboard() && ::SetClipboardData(CF_UNICODETEXT, block);
    return ::CloseClipboard() && put;
}

std::wstring ClipboardText() {
    std::wstring text;
    if (::OpenClipboard(nullptr)) {
        HANDLE data = ::GetClipboardData(CF_UNICODETEXT);
        text = data ? static_cast<const wchar_t*>(::GlobalLock(data)) : L"";
        ::GlobalUnlock(data);
        ::CloseClipboard();
    }
    return text;
}

// Lines of 98 letters: one unbroken line that long takes Wine's edit box many seconds to lay out.
std::wstring LongText(size_t units) {
    std::wstring text;
    for (size_t line = 0; text.size() < units; ++line) {
        text += std::wstring(98, wchar_t(L'a' + line % 26)) + L"\r\n";
    }
    text.resize(units);
    return text;
}

// Two clicks in a row inside the text near the start of its first line, where a double-click used to take
// only that line's piece of a wrapped digest.
void DoubleClickFirstLine(HWND output) {
    const LRESULT corner = ::SendMessageW(output, EM_POSFROMCHAR, 2, 0);
    POINT point = {short(LOWORD(corner)) + 2, short(HIWORD(corner)) + 4};
    ::ClientToScreen(output, &point);
    INPUT press = {};
    press.type = INPUT_MOUSE;
    press.mi = {LONG((point.x * 65536LL + 32768) / ::GetSystemMetrics(SM_CXSCREEN)),
                LONG((point.y * 65536LL + 32768) / ::GetSystemMetrics(SM_CYSCREEN)), 0,
                MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_LEFTDOWN, 0, 0};
    INPUT release = press;
    release.mi.dwFlags ^= MOUSEEVENTF_LEFTDOWN | MOUSEEVENTF_LEFTUP;
    Send({press, release, press, release});
}

BOOL CALLBACK FindVisibleTip(HWND window, LPARAM found) {
    wchar_t className[32] = {};
    ::GetClassNameW(window, className, 32);
    if (std::wstring(className) == TOOLTIPS_CLASSW && ::IsWindowVisible(window)) {
        *reinterpret_cast<HWND*>(found) = window;
    }
    return TRUE;
}

// The text of the dialog thread's visible tip; empty when none is shown.
std::wstring ShownTip(DWORD threadId) {
    HWND tip = nullptr;
    ::EnumThreadWindows(threadId, FindVisibleTip, reinterpret_cast<LPARAM>(&tip));
    return tip ? ReadText(tip) : L"";
}

// The dialog thread's posted messages as it takes them. A marker (WM_NULL with a count in wParam) is posted again
// with one less each time it is taken: a marker that was posted while a posted message was queued comes back
// after that message and whatever its handling posted have been handled.
constexpr WPARAM kMarker = 0x7E57;
std::atomic<int> g_markersLeft{0};
std::atomic<int> g_ctrlAtDrop{-1};  // -1: no drop taken yet
std::atomic<bool> g_ctrlTaken{false};
LRESULT CALLBACK WatchMessages(int code, WPARAM removal, LPARAM message) {
    const MSG& msg = *reinterpret_cast<const MSG*>(message);
    if (code == HC_ACTION && removal == PM_REMOVE) {
        if (msg.message == WM_NULL && msg.wParam == kMarker && --g_markersLeft > 0) {
            ::PostMessageW(msg.hwnd, WM_NULL, kMarker, 0);
        } else if (msg.message == WM_DROPFILES) {
            g_ctrlAtDrop = ::GetKeyState(VK_CONTROL) < 0;
        } else if (msg.message == WM_KEYDOWN && msg.wParam == VK_CONTROL) {
            g_ctrlTaken = true;
        }
    }
    return ::CallNextHookEx(nullptr, code, removal, message);
}

class InputFeedbackTest : public MainDialogTest {
protected:
    void SetUp() override {
        MainDialogTest::SetUp();
        m_hook = ::SetWindowsHookExW(WH_GETMESSAGE, WatchMessages, nullptr, m_thread.threadId);
        ASSERT_NE(m_hook, nullptr);
    }
    void TearDown() override { ::UnhookWindowsHookEx(m_hook); }

    // Waits until the dialog has handled what is posted to it now and what that posts in turn.
    void Settle() {
        g_markersLeft = 3;
        ::PostMessageW(m_dialog, WM_NULL, kMarker, 0);
        EXPECT_TRUE(WaitFor([] { return g_markersLeft <= 0; }));
    }
    size_t InputLength() const { return size_t(::GetWindowTextLengthW(Item(IDC_INPUT))); }
    std::wstring Tip() const { return ShownTip(m_thread.threadId); }

    HHOOK m_hook = nullptr;
};

// The text set as a whole before (as a drop or a case link sets it), then a paste or typed text; the input's
// length then, and whether the box said that it took less than it got.
struct LimitCase { const char* name; size_t before; bool paste; size_t added, after; bool told; };
void PrintTo(const LimitCase& c, std::ostream* out) { *out << c.name; }
class LimitTest : public InputFeedbackTest, public ::testing::WithParamInterface<LimitCase> {};
// The tip stays until the next edit: a letter typed over the whole text ends it.
TEST_P(LimitTest, SaysAtTheInputBoxWhatWasLeftOutUntilTheNextEdit) {
    const LimitCase& c = GetParam();
    ::SetWindowTextW(Item(IDC_INPUT), LongText(c.before).c_str());
    ::SendMessageW(Item(IDC_INPUT), EM_SETSEL, c.before, c.before);
    if (c.paste) {
        ASSERT_TRUE(PutOnClipboard(LongText(c.added)));
        PressWithCtrl('V');
    } else {
        Type(std::wstring(c.added, L'x'));
    }
    EXPECT_TRUE(WaitFor([&] { return InputLength() == c.after && (Tip() != L"") == c.told; }));
    Settle();
    const std::wstring tip = Tip();
    EXPECT_EQ(InputLength(), c.after);
    EXPECT_EQ(tip != L"", c.told) << tip;
    EXPECT_TRUE(!c.told || (tip.find(L"65535") != std::wstring::npos && tip.find(L"摘要") != std::wstring::npos))
        << tip;

    ::SendMessageW(Item(IDC_INPUT), EM_SETSEL, 0, -1);
    Type(L"y");
    EXPECT_TRUE(WaitFor([&] { return Text(IDC_INPUT) == L"y"; }));
    Settle();
    EXPECT_EQ(Tip(), L"");
}

INSTANTIATE_TEST_SUITE_P(Limit, LimitTest, ::testing::Values(
    LimitCase{"PasteLongerThanTheLimitIsCut", 0, true, 70000, kTypingLimit, true},
    LimitCase{"PasteThatFillsTheBoxExactly", 0, true, kTypingLimit, kTypingLimit, false},
    LimitCase{"PasteIntoAFullBoxIsRefused", kTypingLimit, true, 10, kTypingLimit, true},
    LimitCase{"TypingIntoALongerDroppedTextIsRefused", 70000, false, 1, 70000, true},
    LimitCase{"TypingBelowTheLimit", 100, false, 1, 101, false}), CaseName<LimitCase>);

// How the output is filled (null: abc typed), and the text a double-click and Ctrl+C must put on the clipboard.
struct SelectCase { const char* name; int id; const wchar_t* shown; size_t length; };
void PrintTo(const SelectCase& c, std::ostream* out) { *out << c.name; }
class SelectTest : public InputFeedbackTest, public ::testing::WithParamInterface<SelectCase> {};
TEST_P(SelectTest, DoubleClickSelectsTheWholeOutput) {
    const SelectCase& c = GetParam();
    if (c.shown) {
        ::SetWindowTextW(Item(c.id), c.shown);
    } else {
        Type(L"abc");
        ASSERT_TRUE(WaitFor([&] { return Text(c.id).size() == c.length; }));
    }
    ASSERT_TRUE(PutOnClipboard(L""));
    DoubleClickFirstLine(Item(c.id));
    PressWithCtrl('C');
    EXPECT_TRUE(WaitFor([] { return ClipboardText() != L""; }));
    EXPECT_EQ(ClipboardText(), Text(c.id));
    EXPECT_EQ(ClipboardText().size(), c.length);
}

INSTANTIATE_TEST_SUITE_P(Outputs, SelectTest, ::testing::Values(
    SelectCase{"Sha512WrapsOverTwoLines", IDC_SHA512, nullptr, 128},
    SelectCase{"Sha384WrapsOverTwoLines", IDC_SHA384, nullptr, 96},
    SelectCase{"FailureTextOfSeveralWords", IDC_MD5, L"创建哈希对象失败: 无效 的 参数", 17}), CaseName<SelectCase>);

// A drop as the shell hands it over, with no path in it: the DROPFILES header and the closing zero.
WPARAM MakeEmptyDrop() {
    auto* drop = static_cast<DROPFILES*>(::GlobalAlloc(GPTR, sizeof(DROPFILES) + 2 * sizeof(wchar_t)));
    *drop = {sizeof(DROPFILES), {0, 0}, FALSE, TRUE};
    return reinterpret_cast<WPARAM>(drop);
}

// GetKeyState answers from the input a thread has taken, and posted messages are taken before input: the drop
// is posted once the thread has taken Ctrl. Wine may still let go of Ctrl when a window appears under the
// pointer; the drop is then made again.
class EmptyDropTest : public InputFeedbackTest, public ::testing::WithParamInterface<bool> {};
TEST_P(EmptyDropTest, LeavesTheInputAndTheDigestsAsTheyWere) {
    const bool ctrl = GetParam();
    for (int attempt = 0; attempt < 5 && (attempt == 0 || g_ctrlAtDrop != int(ctrl)); ++attempt) {
        Prepare(L"old\r\ntext", 2, 6);
        g_ctrlAtDrop = -1;
        g_ctrlTaken = false;
        Send(std::vector<INPUT>(ctrl, Key(VK_CONTROL, true)));
        EXPECT_TRUE(WaitFor([&] { return g_ctrlTaken == ctrl; }));
        ::PostMessageW(m_dialog, WM_DROPFILES, MakeEmptyDrop(), 0);
        Settle();
        Send(std::vector<INPUT>(ctrl, Key(VK_CONTROL, false)));
    }
    ASSERT_EQ(g_ctrlAtDrop, int(ctrl)) << "Ctrl was let go before the drop was taken, five times";
    DWORD start = 0, end = 0;
    ::SendMessageW(Item(IDC_INPUT), EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    std::wstring shown = Text(IDC_INPUT);
    for (int id : kOutputIds) {
        shown += L"|" + Text(id);
    }
    EXPECT_EQ(shown, L"old\r\ntext|stale|stale|stale|stale|stale|stale|stale");
    EXPECT_EQ(std::make_pair(start, end), std::make_pair(DWORD(2), DWORD(6)));
    EXPECT_NE(Tip().find(L"拖放"), std::wstring::npos) << Tip();
}

INSTANTIATE_TEST_SUITE_P(Drops, EmptyDropTest, ::testing::Bool(),
                         [](const ::testing::TestParamInfo<bool>& info) { return info.param ? "WithCtrl" : "Plain"; });

}  // namespace
