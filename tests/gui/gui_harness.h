// Drives the dialogs as a user does, with real keystrokes and clicks through SendInput, then polls for their
// effect. A dialog's thread takes the input in order, each key going to the focus of that moment.
#pragma once

#include <windows.h>
#include <commctrl.h>
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "app/main_dlg.h"
#include "hash/provider_digest.h"
#include "hash/sha256.h"

constexpr int kOutputIds[] = {IDC_MD4, IDC_MD5, IDC_SHA1, IDC_SHA224, IDC_SHA256, IDC_SHA384, IDC_SHA512};

inline bool WaitFor(const std::function<bool()>& condition) {
    const ULONGLONG deadline = ::GetTickCount64() + 5000;
    while (!condition() && ::GetTickCount64() < deadline) {
        ::Sleep(10);
    }
    return condition();
}

// Waits for the thread's active window to be a visible one but `except`, and brings it to the foreground.
inline HWND WaitForDialog(DWORD threadId, HWND except = nullptr) {
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
inline INPUT Key(WORD virtualKey, bool down, wchar_t unit = 0) {
    INPUT input = {};
    input.type = INPUT_KEYBOARD;
    input.ki = {virtualKey, WORD(unit), DWORD(unit ? KEYEVENTF_UNICODE : 0) | (down ? 0 : KEYEVENTF_KEYUP), 0, 0};
    return input;
}

// Control characters (L"\r", L"\t", L"\x1b") are typed as the keys of that code.
inline void Type(const std::wstring& text) {
    std::vector<INPUT> inputs;
    for (wchar_t unit : text) {
        for (bool down : {true, false}) {
            inputs.push_back(unit < 0x20 ? Key(unit, down) : Key(0, down, unit));
        }
    }
    Send(inputs);
}

// A left click in the middle of a window or of a link's text, narrower than the link in some locales' fonts
// (given a SIZE, SysLink's LM_GETIDEALHEIGHT gives the width too). Both events carry the position.
inline void Click(HWND window) {
    RECT rect = {};
    ::GetWindowRect(window, &rect);
    SIZE size = {rect.right - rect.left, rect.bottom - rect.top};
    ::SendMessageW(window, LM_GETIDEALHEIGHT, WPARAM(size.cx), reinterpret_cast<LPARAM>(&size));
    INPUT press = {};
    press.type = INPUT_MOUSE;
    press.mi = {LONG(((rect.left + size.cx / 2) * 65536LL + 32768) / ::GetSystemMetrics(SM_CXSCREEN)),
                LONG(((rect.top + size.cy / 2) * 65536LL + 32768) / ::GetSystemMetrics(SM_CYSCREEN)), 0,
                MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_LEFTDOWN, 0, 0};
    INPUT release = press;
    release.mi.dwFlags ^= MOUSEEVENTF_LEFTDOWN | MOUSEEVENTF_LEFTUP;
    Send({press, release});
}

// The whole text, however long.
inline std::wstring ReadText(HWND window) {
    std::wstring text(size_t(::GetWindowTextLengthW(window)) + 1, L'\0');
    text.resize(size_t(::GetWindowTextW(window, &text[0], int(text.size()))));
    return text;
}

// A long text's length and ends, for failure messages.
inline std::wstring Summary(const std::wstring& text) {
    return text.size() <= 300 ? text
                              : text.substr(0, 100) + L"…" + text.substr(text.size() - 100) + L" (" +
                                    std::to_wstring(text.size()) + L" units)";
}

// A modal dialog run on a thread with the program's 1 MiB stack, its result the thread's exit code.
struct DialogThread {
    explicit DialogThread(INT_PTR (*run)())
        : thread(::CreateThread(nullptr, 1 << 20, Run, reinterpret_cast<void*>(run), STACK_SIZE_PARAM_IS_A_RESERVATION,
                                &threadId)) {}
    ~DialogThread() {
        ::PostThreadMessageW(threadId, WM_QUIT, 0, 0);  // ends a dialog still open
        Result();
        ::CloseHandle(thread);
    }
    static DWORD WINAPI Run(void* run) { return DWORD(reinterpret_cast<INT_PTR (*)()>(run)()); }
    INT_PTR Result() const {  // waits for the end; -1 after a timeout
        DWORD code = 0;
        return ::WaitForSingleObject(thread, 5000) == WAIT_OBJECT_0 && ::GetExitCodeThread(thread, &code) ? code : -1;
    }
    DWORD threadId = 0;
    HANDLE thread;
};

// The main dialog on a thread of its own, in the foreground.
class MainDialogTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_NE(m_dialog = WaitForDialog(m_thread.threadId), nullptr); }
    HWND Item(int id) const { return ::GetDlgItem(m_dialog, id); }
    std::wstring Text(int id) const { return ReadText(Item(id)); }

    // Sets the input, its selection and the terminator box as a whole, which starts no run of the pipeline;
    // the outputs then show a text no run writes.
    void Prepare(const std::wstring& text, DWORD start, DWORD end, bool terminator = false) {
        ::SendMessageW(Item(IDC_INPUT), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
        ::SendMessageW(Item(IDC_INPUT), EM_SETSEL, start, end);
        ::SendMessageW(Item(IDC_TERMINATOR), BM_SETCHECK, terminator ? BST_CHECKED : BST_UNCHECKED, 0);
        for (int id : kOutputIds) {
            ::SetWindowTextW(Item(id), L"stale");
        }
    }

    // Waits for the input box and outputs to show `input` and the digests of its EncodeText bytes.
    void ExpectShown(const std::wstring& input, TextEncoding encoding = TextEncodingAnsi, bool terminator = false) {
        BYTE* bytes = nullptr;
        DWORD count = 0;
        EncodeText(input.c_str(), -1, terminator, encoding, &bytes, &count);
        const ALG_ID algorithms[] = {CALG_MD4, CALG_MD5, CALG_SHA1, 0, CALG_SHA_256, CALG_SHA_384, CALG_SHA_512};
        std::wstring expected = input + L"\n", shown;
        for (ALG_ID algorithm : algorithms) {
            BYTE digest[64];
            DWORD length = sizeof digest;
            CVnSha224 sha224;
            if (!count || (algorithm && !HashWithProvider(0, algorithm, bytes, count, digest, &length))) {
                length = 0;
            } else if (!algorithm && sha224.Reset()) {
                sha224.Update(bytes, count);
                length = sha224.Finish(digest);
            }
            wchar_t hex[129];
            FormatHex(digest, length, hex);
            expected += hex + std::wstring(L"\n");
        }
        FreeEncodedText(bytes);
        WaitFor([&] {
            shown = Text(IDC_INPUT) + L"\n";
            for (int id : kOutputIds) {
                shown += Text(id) + L"\n";
            }
            return shown == expected;
        });
        EXPECT_TRUE(shown == expected) << Summary(shown) << L"\ninstead of\n" << Summary(expected);
    }

    DialogThread m_thread{[] { return CMainDlg().DoModal(nullptr, 0); }};
    HWND m_dialog = nullptr;
};

template <class Case>
std::string CaseName(const ::testing::TestParamInfo<Case>& info) { return info.param.name; }
