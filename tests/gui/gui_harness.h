// Drives the dialogs as a user does, with real keystrokes and clicks through SendInput, then polls for their
// effect. A dialog's thread takes the input in order, each key going to the focus of that moment. MainDialogTest
// starts the main dialog on a thread of its own (MainDialogThread); Type, PressWithCtrl, Click and ClickAt give
// input; Text, Shown, ExpectShown and Tips read what the window shows; Settle waits for the dialog to catch up.
#pragma once

#include <windows.h>
#include <commctrl.h>
#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <string>
#include <tuple>
#include <vector>

#include "digest/digest_pipeline.h"
#include "app/main_dlg.h"
#include "tests/support/clipboard_and_drop.h"
#include "tests/support/known_digests.h"

// The outputs in the digest table's order.
constexpr int kOutputIds[] = {IDC_MD4, IDC_MD5, IDC_SHA1, IDC_SHA224, IDC_SHA256, IDC_SHA384, IDC_SHA512};
static_assert(std::size(kOutputIds) == kShownDigestCount, "one output per digest shown");
inline const bool kChinese = ::GetACP() == 936;

// Long enough for a paste of 70,000 units on a busy machine; only a failing wait takes it all.
inline bool WaitFor(const std::function<bool()>& condition)
{
    const ULONGLONG deadline = ::GetTickCount64() + 15000;
    while (!condition() && ::GetTickCount64() < deadline) {
        ::Sleep(10);
    }
    return condition();
}

// Waits for the thread's active window to be a visible one but `except`, and brings it to the foreground.
inline HWND WaitForDialog(DWORD threadId, HWND except = nullptr)
{
    HWND dialog = nullptr;
    const auto shown = [&] {
        GUITHREADINFO info = {};
        info.cbSize = sizeof info;
        return ::GetGUIThreadInfo(threadId, &info) && (dialog = info.hwndActive) != except && ::IsWindowVisible(dialog);
    };
    const auto inFront = [&] { return ::GetForegroundWindow() == dialog || (::SetForegroundWindow(dialog) && false); };
    return WaitFor(shown) && WaitFor(inFront) ? dialog : nullptr;
}

inline void Send(std::vector<INPUT> inputs) { ::SendInput(UINT(inputs.size()), inputs.data(), sizeof(INPUT)); }
inline INPUT Key(WORD virtualKey, bool down, wchar_t unit = 0)
{
    INPUT input = {};
    input.type = INPUT_KEYBOARD;
    input.ki = {virtualKey, WORD(unit), DWORD(unit ? KEYEVENTF_UNICODE : 0) | (down ? 0 : KEYEVENTF_KEYUP), 0, 0};
    return input;
}
inline void PressWithCtrl(WORD key)
{
    Send({Key(VK_CONTROL, true), Key(key, true), Key(key, false), Key(VK_CONTROL, false)});
}
// Control characters (L"\r", L"\t", L"\b", L"\x1b") are typed as the keys of that code.
inline void Type(const std::wstring& text)
{
    std::vector<INPUT> inputs;
    for (wchar_t unit : text) {
        inputs.insert(
            inputs.end(),
            {unit < 0x20 ? Key(unit, true) : Key(0, true, unit), unit < 0x20 ? Key(unit, false) : Key(0, false, unit)});
    }
    Send(inputs);
}

// Clicks at a point of the screen, in a row, with the left button or the one whose press is `down`; both events of
// each click carry the position.
inline void ClickAt(POINT point, int times = 1, DWORD down = MOUSEEVENTF_LEFTDOWN)
{
    INPUT press = {};
    press.type = INPUT_MOUSE;
    press.mi.dx = LONG((point.x * 65536LL + 32768) / ::GetSystemMetrics(SM_CXSCREEN));
    press.mi.dy = LONG((point.y * 65536LL + 32768) / ::GetSystemMetrics(SM_CYSCREEN));
    press.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE | down;
    INPUT release = press;
    release.mi.dwFlags ^= down | down << 1;  // each button's release flag follows its press flag
    std::vector<INPUT> inputs;
    for (int click = 0; click < times; ++click) {
        inputs.insert(inputs.end(), {press, release});
    }
    Send(inputs);
}
inline RECT WindowRect(HWND window)
{
    RECT rect = {};
    ::GetWindowRect(window, &rect);
    return rect;
}
// In the middle of a window or of a link's text, narrower than the link in some locales' fonts (given a SIZE,
// SysLink's LM_GETIDEALHEIGHT gives the width too).
inline void Click(HWND window)
{
    const RECT rect = WindowRect(window);
    SIZE size = {rect.right - rect.left, rect.bottom - rect.top};
    ::SendMessageW(window, LM_GETIDEALHEIGHT, WPARAM(size.cx), reinterpret_cast<LPARAM>(&size));
    ClickAt({rect.left + size.cx / 2, rect.top + size.cy / 2});
}

// Asked of the window itself, which GetWindowText does only within the process.
inline std::wstring ReadText(HWND window)
{
    std::wstring text(size_t(::SendMessageW(window, WM_GETTEXTLENGTH, 0, 0)) + 1, L'\0');
    text.resize(size_t(::SendMessageW(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(&text[0]))));
    return text;
}
// Short lines: the edit control lays out one long line slowly.
inline std::wstring Lines(const std::wstring& line, size_t units)
{
    std::wstring text;
    while (text.size() < units) {
        text += line;
    }
    return text.substr(0, units);
}

// The brush, text colour and background colour the dialog gives a control that asks how to paint itself, and
// those of the system's colours for a face.
inline std::tuple<HBRUSH, COLORREF, COLORREF> PaintingOf(HWND dialog, HWND control)
{
    HDC dc = ::CreateCompatibleDC(nullptr);
    ::SetTextColor(dc, RGB(1, 2, 3));  // colours left unset show
    ::SetBkColor(dc, RGB(4, 5, 6));
    const auto brush = reinterpret_cast<HBRUSH>(
        ::SendMessageW(dialog, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(control)));
    const auto painting = std::make_tuple(brush, ::GetTextColor(dc), ::GetBkColor(dc));
    ::DeleteDC(dc);
    return painting;
}
inline std::tuple<HBRUSH, COLORREF, COLORREF> SystemPainting(int face)
{
    return {::GetSysColorBrush(face), ::GetSysColor(COLOR_WINDOWTEXT), ::GetSysColor(face)};
}

// The main dialog run on a thread with the program's 1 MiB stack, its result the thread's exit code.
struct MainDialogThread {
    MainDialogThread()
        : thread(::CreateThread(nullptr, 1 << 20, Run, nullptr, STACK_SIZE_PARAM_IS_A_RESERVATION, &threadId))
    {
    }
    ~MainDialogThread()
    {
        ::PostThreadMessageW(threadId, WM_QUIT, 0, 0);  // ends a dialog still open
        Result();
        ::CloseHandle(thread);
    }
    static DWORD WINAPI Run(void*) { return DWORD(CMainDlg().DoModal(nullptr, 0)); }
    INT_PTR Result() const
    {  // waits for the end; -1 after a timeout
        DWORD code = 0;
        return ::WaitForSingleObject(thread, 5000) == WAIT_OBJECT_0 && ::GetExitCodeThread(thread, &code) ? code : -1;
    }
    DWORD threadId = 0;
    HANDLE thread;
};

// The dialog thread's messages as it takes them. A marker (WM_NULL with kMarker) is posted again until none are
// left: one posted now comes back after what is queued and whatever its handling posts have been handled.
constexpr WPARAM kMarker = 0x7E57;
inline std::atomic<int> g_markersLeft {0}, g_ctrlAtDrop {-1};  // -1: no drop taken yet
inline std::atomic<bool> g_ctrlTaken {false};
inline LRESULT CALLBACK WatchMessages(int code, WPARAM removal, LPARAM message)
{
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

// A visit to the key dialog: the key typed into its first edit control (null: the box left as it is), the reading
// option clicked, and the button that ends it (0: Escape).
struct KeyStep {
    const wchar_t* key;
    int reading;
    int button;
};

// The main dialog on a thread of its own, in the foreground, with `clipboard` on the clipboard as it starts (a
// digest left there by an earlier test would mark an output or show a tip).
class MainDialogTest : public ::testing::Test {
protected:
    explicit MainDialogTest(const std::wstring& clipboard = L"") : m_clipboardSet(PutOnClipboard(clipboard)) { }
    void SetUp() override
    {
        ASSERT_TRUE(m_clipboardSet);
        ASSERT_NE(m_dialog = WaitForDialog(m_thread.threadId), nullptr);
        ASSERT_NE(m_hook = ::SetWindowsHookExW(WH_GETMESSAGE, WatchMessages, nullptr, m_thread.threadId), nullptr);
    }
    void TearDown() override { ::UnhookWindowsHookEx(m_hook); }
    HWND Item(int id) const { return ::GetDlgItem(m_dialog, id); }
    std::wstring Text(int id) const { return ReadText(Item(id)); }

    // The dialog thread's visible tips, and their texts a line each (empty when none is shown).
    std::vector<HWND> TipWindows() const
    {
        std::vector<HWND> tips;
        for (HWND tip = nullptr; (tip = ::FindWindowExW(nullptr, tip, TOOLTIPS_CLASSW, nullptr)) != nullptr;) {
            if (::IsWindowVisible(tip) && ::GetWindowThreadProcessId(tip, nullptr) == m_thread.threadId) {
                tips.push_back(tip);
            }
        }
        return tips;
    }
    std::wstring Tips() const
    {
        std::wstring texts;
        for (HWND tip : TipWindows()) {
            texts += (texts.empty() ? L"" : L"\n") + ReadText(tip);
        }
        return texts;
    }

    // Waits until the dialog has handled what is posted to it now and what that posts in turn.
    void Settle()
    {
        g_markersLeft = 3;
        ::PostMessageW(m_dialog, WM_NULL, kMarker, 0);
        EXPECT_TRUE(WaitFor([] { return g_markersLeft <= 0; }));
    }
    // Types `keys` and waits for the input box to hold `input` and the dialog to have handled the typing.
    void TypeAndSettle(const std::wstring& keys, const std::wstring& input)
    {
        Type(keys);
        EXPECT_TRUE(WaitFor([&] { return Text(IDC_INPUT) == input; })) << Text(IDC_INPUT).size() << " units";
        Settle();
    }

    // Sets the input, its selection and the terminator box as a whole, which starts no run of the pipeline; the
    // outputs then show a text no run writes.
    void Prepare(const std::wstring& text, DWORD start, DWORD end, bool terminator = false)
    {
        ::SendMessageW(Item(IDC_INPUT), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
        ::SendMessageW(Item(IDC_INPUT), EM_SETSEL, start, end);
        ::SendMessageW(Item(IDC_TERMINATOR), BM_SETCHECK, terminator ? BST_CHECKED : BST_UNCHECKED, 0);
        for (int id : kOutputIds) {
            ::SetWindowTextW(Item(id), L"stale");
        }
    }
    SevenTexts Shown() const
    {
        SevenTexts shown;
        for (int row = 0; row < kShownDigestCount; ++row) {
            shown[row] = Text(kOutputIds[row]);
        }
        return shown;
    }
    // Waits for the input box to show `input` and the outputs what the pipeline gives for all of it.
    void ExpectShown(const std::wstring& input, ByteEncoding encoding = ByteEncoding::Ansi, bool terminator = false)
    {
        HCRYPTPROV provider = 0;
        ::CryptAcquireContextW(&provider, nullptr, nullptr, PROV_RSA_AES, CRYPT_VERIFYCONTEXT);
        const SevenTexts expected =
            ComputeDigestTexts(provider, input.c_str(), input.size(), encoding, terminator).texts;
        ::CryptReleaseContext(provider, 0);
        EXPECT_TRUE(WaitFor([&] { return Text(IDC_INPUT) == input && Shown() == expected; }))
            << Text(IDC_INPUT).size() << " units instead of " << input.size();
        EXPECT_EQ(Shown(), expected);
    }

    // Opens the key dialog by the command of the system menu's item that names HMAC, as a click on it does.
    HWND OpenKeyDialog()
    {
        HMENU menu = ::GetSystemMenu(m_dialog, FALSE);
        UINT command = 0;
        for (int item = 0; item < ::GetMenuItemCount(menu); ++item) {
            wchar_t text[64] = {};
            ::GetMenuStringW(menu, UINT(item), text, int(std::size(text)), MF_BYPOSITION);
            command = std::wstring(text).find(L"HMAC") != std::wstring::npos ? ::GetMenuItemID(menu, item) : command;
        }
        EXPECT_NE(command, 0u) << "no item of the system menu names HMAC";
        ::PostMessageW(m_dialog, WM_SYSCOMMAND, command, 0);
        return WaitForDialog(m_thread.threadId, m_dialog);
    }
    // The dialog opens with its key selected in the focused box: typing replaces it.
    void VisitKeyDialog(const KeyStep& step)
    {
        HWND dialog = OpenKeyDialog();
        ASSERT_NE(dialog, nullptr);
        Type(step.key ? step.key : L"");
        Click(::GetDlgItem(dialog, step.reading));
        step.button ? Click(::GetDlgItem(dialog, step.button)) : Type(L"\x1b");
        EXPECT_TRUE(WaitFor([&] { return !::IsWindow(dialog) && ::IsWindowEnabled(m_dialog); }));
        Settle();
    }

    const bool m_clipboardSet;
    MainDialogThread m_thread;
    HWND m_dialog = nullptr;
    HHOOK m_hook = nullptr;
};

template <class Case> std::string CaseName(const ::testing::TestParamInfo<Case>& info) { return info.param.name; }
